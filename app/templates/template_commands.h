#pragma once

// The template commands of the main window: fill the template list from the
// index, add, rename and remove templates with their prompts and messages,
// the template menu, and opening the editor for the selected template.
// UI thread.

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QMenu;
class QWidget;

namespace vidmora {

// What the commands need of the window's template list.
class TemplateListView {
 public:
  virtual ~TemplateListView() = default;
  // Replaces the rows and selects `selectedRow` (none when out of range).
  virtual void SetTemplateNames(const QStringList& names, int selectedRow) = 0;
  virtual void AddTemplateRow(const QString& name) = 0;
  virtual int SelectedTemplateRow() const = 0;  // -1 when none
  virtual QString SelectedTemplateName() const = 0;  // empty when none
  virtual void RemoveTemplateRow(const QString& name) = 0;
  virtual void RenameSelectedTemplateRow(const QString& name) = 0;
};

class TemplateCommands : public QObject {
  Q_OBJECT

 public:
  // `dialogParent` owns the prompts, messages, the menu and the editor.
  TemplateCommands(QString templatesFolder, TemplateListView& list, QWidget& dialogParent);

  // The list from the index, with the row stored at the last close selected.
  void FillTemplateList();
  // Where the editor finds the videos it can preview the template over (the
  // window's file list); none when not set.
  void SetPreviewClips(std::function<QStringList()> clips) { previewClips_ = std::move(clips); }
  // Asks for a name, adds the template and opens the editor on it.
  void AddTemplate();
  void RenameSelectedTemplate();
  void RemoveSelectedTemplate();
  // Opens the editor (modal) for the selected template.
  void EditSelectedTemplate();

  // "Edit Selected Template", "Remove Selected Template", "Rename Selected
  // Template", with separators between them.
  QMenu& Menu() { return *menu_; }
  void ShowMenu(const QPoint& globalPosition);

 private:
  void OpenEditor(const QString& name);

  QString folder_;
  TemplateListView& list_;
  QWidget& parent_;
  QMenu* menu_ = nullptr;
  std::function<QStringList()> previewClips_;
};

}  // namespace vidmora
