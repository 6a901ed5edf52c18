#include "app/templates/name_prompt.h"

#include "ui_add_new_layer_dlg.h"
#include "ui_add_new_temp_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace vidmora {

NamePromptDlg::NamePromptDlg(const QString& caption, QStringList namesInUse, NamedThing thing, QWidget* parent)
    : QDialog(parent), namesInUse_(std::move(namesInUse)), thing_(thing) {
  setWindowTitle(caption);
}

void NamePromptDlg::Bind(QLineEdit* edit, QAbstractButton* ok, QAbstractButton* cancel, QLabel* problem) {
  edit_ = edit;
  ok_ = ok;
  problem_ = problem;
  // A name no longer than a file name can hold (each character takes at
  // least one byte); NameRefusal tells the exact limit in bytes.
  edit_->setMaxLength(static_cast<int>(kMaxFileNameBytes));
  connect(ok, &QAbstractButton::clicked, this, &NamePromptDlg::Confirm);
  connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
  connect(edit, &QLineEdit::textChanged, this, &NamePromptDlg::Check);
  Check();
}

void NamePromptDlg::SetInitialName(const QString& name) {
  edit_->setText(name);
  edit_->selectAll();
}

void NamePromptDlg::Check() {
  const QString name = edit_->text();
  const QString refusal = NameRefusal(name, namesInUse_, thing_);
  ok_->setEnabled(refusal.isEmpty());
  // An empty field needs no scolding before anything was typed.
  problem_->setText(name.isEmpty() ? QString() : refusal);
  problem_->setVisible(!problem_->text().isEmpty());
}

void NamePromptDlg::Confirm() {
  const QString name = edit_->text();
  if (!NameRefusal(name, namesInUse_, thing_).isEmpty()) {
    Check();
    edit_->setFocus();
    return;
  }
  name_ = name;
  accept();
}

CAddNewTempDlg::CAddNewTempDlg(const QString& caption, QStringList namesInUse, QWidget* parent)
    : NamePromptDlg(caption, std::move(namesInUse), NamedThing::kTemplate, parent), ui_(std::make_unique<Ui::CAddNewTempDlg>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  Bind(ui_->template_name_edit, ui_->ok_btn, ui_->cancel_btn, ui_->name_problem_label);
}

CAddNewTempDlg::~CAddNewTempDlg() = default;

CAddNewLayerDlg::CAddNewLayerDlg(const QString& caption, QStringList namesInUse, QWidget* parent)
    : NamePromptDlg(caption, std::move(namesInUse), NamedThing::kLayer, parent), ui_(std::make_unique<Ui::CAddNewLayerDlg>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  Bind(ui_->layer_name_edit, ui_->ok_btn, ui_->cancel_btn, ui_->name_problem_label);
}

CAddNewLayerDlg::~CAddNewLayerDlg() = default;

}  // namespace vidmora
