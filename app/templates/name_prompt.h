#pragma once

// The two name prompts: CAddNewTempDlg ("Input Template Name:") for adding
// and renaming templates, CAddNewLayerDlg ("Input New Layer Name: ") for
// adding and renaming layers. "OK" checks the name against the names in use
// (NameRefusal); a refused name is explained in a message and the prompt
// stays open. Closing the window otherwise cancels. UI thread.

#include "app/templates/template_names.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QAbstractButton;
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

 protected:
  NamePromptDlg(const QString& caption, QStringList namesInUse, NamedThing thing, QWidget* parent);
  void Bind(QLineEdit* edit, QAbstractButton* ok);

 private:
  void Confirm();

  QStringList namesInUse_;
  NamedThing thing_;
  QLineEdit* edit_ = nullptr;
  QString name_;
};

class CAddNewTempDlg : public NamePromptDlg {
  Q_OBJECT

 public:
  CAddNewTempDlg(const QString& caption, QStringList namesInUse, QWidget* parent = nullptr);
  ~CAddNewTempDlg() override;

 private:
  std::unique_ptr<Ui::CAddNewTempDlg> ui_;
};

class CAddNewLayerDlg : public NamePromptDlg {
  Q_OBJECT

 public:
  CAddNewLayerDlg(const QString& caption, QStringList namesInUse, QWidget* parent = nullptr);
  ~CAddNewLayerDlg() override;

 private:
  std::unique_ptr<Ui::CAddNewLayerDlg> ui_;
};

}  // namespace vidmora
