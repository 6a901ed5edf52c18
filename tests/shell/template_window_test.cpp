// The template commands in the program's window: the add button, the
// template menu and a double click that opens the editor.

#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/quick_start_choice.h"
#include "app/processing/templates/template_store.h"
#include "app/shell/main_window.h"
#include "app/shell/vidmora_host.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/layer_session.h"
#include "tests/app/modal_driver.h"
#include "tests/support/temp_env.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace vidmora::test {
namespace {

void AnswerNamePrompt(const QString& name) {
  OnNextModal([name](QWidget* prompt) {
    prompt->findChild<QLineEdit*>("template_name_edit")->setText(name);
    prompt->findChild<QPushButton*>("ok_btn")->click();
  });
}

QStringList ListedNames(const QListView& list) {
  QStringList names;
  for (int row = 0; row < list.model()->rowCount(); ++row) names << list.model()->index(row, 0).data().toString();
  return names;
}

TEST(TemplateWindowTest, AddRenameEditAndRemoveFromTheWindow) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  ASSERT_TRUE(StoreQuickStartHidden(true));  // no window of its own in between
  CVidmoraDlg host;
  host.Start();
  CMainDlgUI& window = host.Window();
  auto* list = window.findChild<QListView*>("template_list");
  ASSERT_NE(list, nullptr);
  auto* menu = window.findChild<QMenu*>("template_menu");
  ASSERT_NE(menu, nullptr);
  const QStringList first = ReadTemplateNames(TemplatesFolder());
  ASSERT_EQ(ListedNames(*list), first);

  AnswerNamePrompt("Holiday");
  OnNextModalOf<CEditTemplateDlg>([](CEditTemplateDlg* editor) { editor->close(); });
  window.findChild<QAbstractButton*>("add_template_btn")->click();
  EXPECT_EQ(ReadTemplateNames(TemplatesFolder()), first + QStringList{"Holiday"});
  EXPECT_EQ(ListedNames(*list), first + QStringList{"Holiday"});

  const int row = static_cast<int>(first.size());
  list->setCurrentIndex(list->model()->index(row, 0));
  ASSERT_EQ(window.SelectedTemplateName(), "Holiday");
  AnswerNamePrompt("Summer");
  menu->findChild<QAction*>("rename_template_action")->trigger();
  EXPECT_EQ(window.SelectedTemplateName(), "Summer");
  EXPECT_EQ(ReadTemplateNames(TemplatesFolder()), first + QStringList{"Summer"});

  QString edited;
  OnNextModal([&](QWidget* modal) {
    if (auto* editor = qobject_cast<CEditTemplateDlg*>(modal)) edited = editor->Session().TemplateName();
    modal->close();
  });
  const QRect rect = list->visualRect(list->model()->index(row, 0));
  // A widget's double click arrives after the press of its first click.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(edited, "Summer");

  // Saying no keeps the template; yes removes its row and its files.
  AnswerNextMessage(QMessageBox::No);
  menu->findChild<QAction*>("remove_template_action")->trigger();
  EXPECT_EQ(ListedNames(*list), first + QStringList{"Summer"});
  AnswerNextMessage(QMessageBox::Yes);
  menu->findChild<QAction*>("remove_template_action")->trigger();
  EXPECT_EQ(ListedNames(*list), first);
  EXPECT_EQ(ReadTemplateNames(TemplatesFolder()), first);
}

}  // namespace
}  // namespace vidmora::test
