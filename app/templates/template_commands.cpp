#include "app/templates/template_commands.h"

#include "app/processing/templates/template_names.h"
#include "app/processing/templates/template_store.h"
#include "app/settings/language_manager.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/name_prompt.h"

#include <QMenu>
#include <QMessageBox>

#include <utility>

namespace vidmora {

TemplateCommands::TemplateCommands(QString templatesFolder, TemplateListView& list, QWidget& dialogParent)
    : QObject(&dialogParent), folder_(std::move(templatesFolder)), list_(list), parent_(dialogParent) {
  menu_ = new QMenu(&parent_);
  menu_->setObjectName(QStringLiteral("template_menu"));
  QAction* edit = menu_->addAction(QStringLiteral("Edit Selected Template"), this, &TemplateCommands::EditSelectedTemplate);
  menu_->addSeparator();
  QAction* remove = menu_->addAction(QStringLiteral("Remove Selected Template"), this, &TemplateCommands::RemoveSelectedTemplate);
  menu_->addSeparator();
  QAction* rename = menu_->addAction(QStringLiteral("Rename Selected Template"), this, &TemplateCommands::RenameSelectedTemplate);
  edit->setObjectName(QStringLiteral("edit_template_action"));
  remove->setObjectName(QStringLiteral("remove_template_action"));
  rename->setObjectName(QStringLiteral("rename_template_action"));
}

void TemplateCommands::FillTemplateList() {
  list_.SetTemplateNames(ReadTemplateNames(folder_), StoredTemplateRow());
}

void TemplateCommands::AddTemplate() {
  CAddNewTempDlg prompt(QStringLiteral("Add New Template"), NamesInUse(folder_), &parent_);
  if (prompt.exec() != QDialog::Accepted) return;
  const StoreResult result = vidmora::AddTemplate(folder_, prompt.Name());
  if (!result.ok) {
    QMessageBox::warning(&parent_, ProgramCaption(), result.message);
    return;
  }
  list_.AddTemplateRow(prompt.Name());
  // A new template is made to be designed: the editor opens on it.
  OpenEditor(prompt.Name());
}

void TemplateCommands::RenameSelectedTemplate() {
  const QString name = list_.SelectedTemplateName();
  if (name.isEmpty()) {
    QMessageBox::information(&parent_, ProgramCaption(), UiText(QStringLiteral("Please select a template to rename!")));
    return;
  }
  CAddNewTempDlg prompt(QStringLiteral("Rename Template \"%1\"").arg(name), NamesInUse(folder_), &parent_);
  prompt.SetInitialName(name);
  if (prompt.exec() != QDialog::Accepted) return;
  const StoreResult result = RenameTemplate(folder_, name, prompt.Name());
  if (!result.ok) {
    QMessageBox::warning(&parent_, ProgramCaption(), result.message);
    return;
  }
  list_.RenameSelectedTemplateRow(prompt.Name());
}

void TemplateCommands::RemoveSelectedTemplate() {
  const QString name = list_.SelectedTemplateName();
  if (name.isEmpty()) {
    QMessageBox::information(&parent_, ProgramCaption(),
                             UiText(QStringLiteral("Please select a watermark template first to remove!")));
    return;
  }
  if (QMessageBox::question(&parent_, ProgramCaption(), UiText(QStringLiteral("Are you sure to remove this template?")),
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  const StoreResult result = RemoveTemplate(folder_, name);
  if (!result.ok) {
    QMessageBox::warning(&parent_, ProgramCaption(), result.message);
    return;
  }
  list_.RemoveTemplateRow(name);
}

void TemplateCommands::EditSelectedTemplate() {
  const QString name = list_.SelectedTemplateName();
  if (name.isEmpty()) {
    QMessageBox::information(&parent_, ProgramCaption(), UiText(QStringLiteral("Please select a template to edit!")));
    return;
  }
  OpenEditor(name);
}

void TemplateCommands::OpenEditor(const QString& name) {
  CEditTemplateDlg editor(folder_, name, &parent_);
  if (previewClips_) editor.SetPreviewClips(previewClips_());
  editor.exec();
}

void TemplateCommands::ShowMenu(const QPoint& globalPosition) { menu_->popup(globalPosition); }

}  // namespace vidmora
