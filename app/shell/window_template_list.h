#pragma once

// The main window's template list as the template commands see it: each call
// goes to the window's method of the same name.

#include "app/templates/template_commands.h"

namespace vidmora {

class CMainDlgUI;

class WindowTemplateList final : public TemplateListView {
 public:
  explicit WindowTemplateList(CMainDlgUI& window) : window_(window) {}

  void SetTemplateNames(const QStringList& names, int selectedRow) override;
  void AddTemplateRow(const QString& name) override;
  int SelectedTemplateRow() const override;
  QString SelectedTemplateName() const override;
  void RemoveTemplateRow(const QString& name) override;
  void RenameSelectedTemplateRow(const QString& name) override;

 private:
  CMainDlgUI& window_;
};

}  // namespace vidmora
