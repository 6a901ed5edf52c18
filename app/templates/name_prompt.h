#pragma once

// The two name prompts: CAddNewTempDlg ("Input Template Name:") for adding
// and renaming templates, CAddNewLayerDlg ("Input New Layer Name: ") for
// adding and renaming layers. While the typed name is refused (NameRefusal:
// empty, taken, not storable) "OK" is disabled and the reason is shown under
// the field ("name_problem_label"). "Cancel", Esc and closing the window
// cancel. UI thread.

#include "app/processing/templates/template_names.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace Ui {
class CAddNewTempDlg;
class CAddNewLayerDlg;
}  // namespace Ui

namespace vidmora {

class NamePromptDlg : public QDialog {
  Q_OBJECT

 public:
  // The name typed when the prompt was closed with OK.
  QString Name() const { return name_; }
  // Starts the field with `name`, selected (a rename starts on the old name).
  void SetInitialName(const QString& name);

 protected:
  NamePromptDlg(const QString& caption, QStringList namesInUse, NamedThing thing, QWidget* parent);
  void Bind(QLineEdit* edit, QAbstractButton* ok, QAbstractButton* cancel, QLabel* problem);

 private:
  void Check();
  void Confirm();

  QStringList namesInUse_;
  NamedThing thing_;
  QLineEdit* edit_ = nullptr;
  QAbstractButton* ok_ = nullptr;
  QLabel* problem_ = nullptr;
  QString name_;
};

// A prompt laid out by the form `Form` (uic's class of its .ui file).
template <typename Form>
class NamePromptForm final : public NamePromptDlg {
 public:
  NamePromptForm(const QString& caption, QStringList namesInUse, QWidget* parent = nullptr);
  ~NamePromptForm() override;

 private:
  std::unique_ptr<Form> ui_;
};

using CAddNewTempDlg = NamePromptForm<Ui::CAddNewTempDlg>;
using CAddNewLayerDlg = NamePromptForm<Ui::CAddNewLayerDlg>;
extern template class NamePromptForm<Ui::CAddNewTempDlg>;
extern template class NamePromptForm<Ui::CAddNewLayerDlg>;

}  // namespace vidmora
