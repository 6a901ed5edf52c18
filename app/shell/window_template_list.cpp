#include "app/shell/window_template_list.h"

#include "app/shell/main_window.h"

namespace vidmora {

void WindowTemplateList::SetTemplateNames(const QStringList& names, int selectedRow) {
  window_.SetTemplateNames(names, selectedRow);
}
void WindowTemplateList::AddTemplateRow(const QString& name) { window_.AddTemplateRow(name); }
int WindowTemplateList::SelectedTemplateRow() const { return window_.SelectedTemplateRow(); }
QString WindowTemplateList::SelectedTemplateName() const { return window_.SelectedTemplateName(); }
void WindowTemplateList::RemoveTemplateRow(const QString& name) { window_.RemoveTemplateRow(name); }
void WindowTemplateList::RenameSelectedTemplateRow(const QString& name) { window_.RenameSelectedTemplateRow(name); }

}  // namespace vidmora
