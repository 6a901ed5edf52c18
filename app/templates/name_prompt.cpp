#include "app/templates/name_prompt.h"

#include "ui_add_new_layer_dlg.h"
#include "ui_add_new_temp_dlg.h"

#include <QMessageBox>

#include <utility>

namespace vidmora {

NamePromptDlg::NamePromptDlg(const QString& caption, QStringList namesInUse, NamedThing thing, QWidget* parent)
    : QDialog(parent), namesInUse_(std::move(namesInUse)), thing_(thing) {
  setWindowTitle(caption);
}

void NamePromptDlg::Bind(QLineEdit* edit, QAbstractButton* ok) {
  edit_ = edit;
  connect(ok, &QAbstractButton::clicked, this, &NamePromptDlg::Confirm);
}

void NamePromptDlg::Confirm() {
  const QString name = edit_->text();
  const QString refusal = NameRefusal(name, namesInUse_, thing_);
  if (refusal.isEmpty()) {
    name_ = name;
    accept();
    return;
  }
  const bool taken = !name.isEmpty() && namesInUse_.contains(name, Qt::CaseInsensitive);
  QMessageBox box(taken ? QMessageBox::Information : QMessageBox::Warning, QStringLiteral("Vidmora"), refusal,
                  QMessageBox::Ok, this);
  box.exec();
  edit_->setFocus();
}

CAddNewTempDlg::CAddNewTempDlg(const QString& caption, QStringList namesInUse, QWidget* parent)
    : NamePromptDlg(caption, std::move(namesInUse), NamedThing::kTemplate, parent), ui_(std::make_unique<Ui::CAddNewTempDlg>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  Bind(ui_->template_name_edit, ui_->ok_btn);
}

CAddNewTempDlg::~CAddNewTempDlg() = default;

CAddNewLayerDlg::CAddNewLayerDlg(const QString& caption, QStringList namesInUse, QWidget* parent)
    : NamePromptDlg(caption, std::move(namesInUse), NamedThing::kLayer, parent), ui_(std::make_unique<Ui::CAddNewLayerDlg>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  Bind(ui_->layer_name_edit, ui_->ok_btn);
}

CAddNewLayerDlg::~CAddNewLayerDlg() = default;

}  // namespace vidmora
