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

namespace {

// What each form names, and its name field.
template <typename Form>
struct FormTraits;
template <>
struct FormTraits<Ui::CAddNewTempDlg> {
  static constexpr NamedThing kThing = NamedThing::kTemplate;
  static QLineEdit* NameField(const Ui::CAddNewTempDlg& form) { return form.template_name_edit; }
};
template <>
struct FormTraits<Ui::CAddNewLayerDlg> {
  static constexpr NamedThing kThing = NamedThing::kLayer;
  static QLineEdit* NameField(const Ui::CAddNewLayerDlg& form) { return form.layer_name_edit; }
};

}  // namespace

template <typename Form>
NamePromptForm<Form>::NamePromptForm(const QString& caption, QStringList namesInUse, QWidget* parent)
    : NamePromptDlg(caption, std::move(namesInUse), FormTraits<Form>::kThing, parent), ui_(std::make_unique<Form>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);  // over the form's own
  Bind(FormTraits<Form>::NameField(*ui_), ui_->ok_btn, ui_->cancel_btn, ui_->name_problem_label);
}

template <typename Form>
NamePromptForm<Form>::~NamePromptForm() = default;

template class NamePromptForm<Ui::CAddNewTempDlg>;
template class NamePromptForm<Ui::CAddNewLayerDlg>;

}  // namespace vidmora
