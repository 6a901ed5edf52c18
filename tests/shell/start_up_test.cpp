// The program's start, its quick-start and about windows.

#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/quick_start_choice.h"
#include "app/processing/templates/template_store.h"
#include "app/settings/img_resizing_setting_dlg.h"
#include "app/settings/preference_dlg.h"
#include "app/shell/about_window.h"
#include "app/shell/main_window.h"
#include "app/shell/quick_start_window.h"
#include "app/shell/vidmora_host.h"
#include "tests/app/modal_driver.h"
#include "tests/support/temp_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vidmora::test {

namespace {

CQuickStartDlgUI* OpenQuickStart() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<CQuickStartDlgUI*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

}  // namespace

TEST(StartUpTest, AFirstStartShowsTheWindowTheDemoTemplateAndThenTheQuickStart) {
  TempEnv env;
  CVidmoraDlg host;
  host.Start();

  CMainDlgUI& window = host.Window();
  // Centred on its screen, the first time.
  EXPECT_EQ(window.size(), QSize(803, 580));
  const QPoint off = window.geometry().center() - window.screen()->availableGeometry().center();
  EXPECT_LE(off.manhattanLength(), 2) << off.x() << ", " << off.y();
  EXPECT_EQ(window.findChild<QLabel*>("program_name_label")->text(), "Vidmora");
  EXPECT_TRUE(QFileInfo::exists(DataFile("preference.xml")));
  EXPECT_EQ(window.SelectedTemplateName(), kDemoTemplateName);

  // The quick-start window opens by itself shortly after the window shows; it
  // runs its own loop, so a timer looks for it and closes it.
  bool quickStartShown = false;
  bool boxChecked = true;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (CQuickStartDlgUI* quickStart = OpenQuickStart()) {
      quickStartShown = true;
      boxChecked = quickStart->findChild<QCheckBox*>("dontshow_Option")->isChecked();
      quickStart->findChild<QAbstractButton*>("close_btn")->click();
    }
  });
  watcher.start(20);
  ASSERT_TRUE(QTest::qWaitFor([&] { return quickStartShown && OpenQuickStart() == nullptr; }, 60000));
  EXPECT_FALSE(boxChecked);

  host.Shutdown();
  EXPECT_EQ(StoredTemplateRow(), 0);
}

// A damaged "preference.xml" is set aside by the engine's start; the window
// says so, over itself once it shows, instead of resetting the user's output
// settings without a word.
TEST(StartUpTest, ADamagedPreferencesFileIsKeptAsBakAndTheWindowSaysSo) {
  TempEnv env;
  const std::filesystem::path preferences = env.DataHome() / "Vidmora" / "preference.xml";
  const std::string damaged = "<Preferences><OutputFolderOpts>1</OutputFolderOpts><OutputFileNameSuffix>_mark";
  WriteFile(preferences, damaged);

  QString shown;
  bool overTheShownWindow = false;
  CVidmoraDlg host;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << modal->metaObject()->className();
    shown = box->text();
    overTheShownWindow = box->parentWidget() == &host.Window() && host.Window().isVisible();
    box->button(QMessageBox::Ok)->click();
  });
  host.Start();  // the message runs its own loop within Start

  const std::string backup = preferences.string() + ".bak";
  EXPECT_TRUE(shown.contains(QString::fromStdString(backup))) << shown.toStdString();
  EXPECT_TRUE(overTheShownWindow);
  EXPECT_EQ(ReadFile(backup), damaged);
  // The first-start preferences replace it, and the window starts on them.
  EXPECT_TRUE(ReadFile(preferences).find("<OutputFileNameSuffix>_new</OutputFileNameSuffix>") != std::string::npos);
  EXPECT_EQ(host.Window().SelectedTemplateName(), kDemoTemplateName);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a second message box";
}

TEST(StartUpTest, TheQuickStartChoiceIsStoredAtOnceAndSurvivesARestart) {
  TempEnv env;
  {
    CVidmoraDlg host;  // a first start writes "preference.xml"
    host.Start();
    host.Shutdown();
  }
  {
    CQuickStartDlgUI quickStart;
    auto* dontShow = quickStart.findChild<QCheckBox*>("dontshow_Option");
    ASSERT_NE(dontShow, nullptr);
    dontShow->click();
    EXPECT_EQ(ReadQuickStartHidden(), true);  // stored before the window closes
  }
  CQuickStartDlgUI again;
  EXPECT_TRUE(again.findChild<QCheckBox*>("dontshow_Option")->isChecked());
  again.findChild<QCheckBox*>("dontshow_Option")->click();
  EXPECT_EQ(ReadQuickStartHidden(), false);
}

TEST(StartUpTest, WithoutPreferencesTheQuickStartChoiceIsNotStored) {
  TempEnv env;
  CQuickStartDlgUI quickStart;
  auto* dontShow = quickStart.findChild<QCheckBox*>("dontshow_Option");
  EXPECT_FALSE(dontShow->isChecked());
  dontShow->click();
  EXPECT_EQ(ReadQuickStartHidden(), std::nullopt);
  EXPECT_FALSE(QFileInfo::exists(DataFile("preference.xml")));
}

TEST(StartUpTest, TheAboutWindowShowsTheTitleAndTheVersion) {
  EXPECT_EQ(VersionLabelText(2, 1, 5), "v2.1.5 ");
  CAboutDlgUI about;
  EXPECT_EQ(about.findChild<QLabel*>("title_label")->text(), "About Vidmora");
  EXPECT_TRUE(about.findChild<QLabel*>("version_label")->text().startsWith('v'));
  for (const char* name : {"ok_btn", "close_btn", "website_btn", "mailto_btn", "youtube_btn"}) {
    EXPECT_NE(about.findChild<QAbstractButton*>(name), nullptr) << name;
  }
}

TEST(StartUpTest, TheToolbarsSettingsButtonsOpenThePreferencesAndTheResizingSettings) {
  TempEnv env;
  CVidmoraDlg host;
  struct Case {
    const char* button;
    const char* dialogClass;
  };
  for (const Case c : {Case{"preference_toolbar_btn", "vidmora::CPreferenceDlg"},
                       Case{"resize_toolbar_btn", "vidmora::CImgResizingSettingDlg"}}) {
    QString opened;
    OnNextModal([&](QWidget* modal) {
      opened = QString::fromLatin1(modal->metaObject()->className());
      modal->close();
    });
    auto* button = host.Window().findChild<QAbstractButton*>(c.button);
    ASSERT_NE(button, nullptr) << c.button;
    button->click();
    EXPECT_EQ(opened, c.dialogClass);
  }
}

TEST(StartUpTest, TheOutputPreviewOpensOnTheSelectedFileAndStepsThroughTheList) {
  TempEnv env;
  const std::filesystem::path folder = env.MakeDir("clips");
  for (const char* name : {"a.mp4", "b.mp4"}) WriteFile(folder / name, "not a video");
  CVidmoraDlg host;
  CMainDlgUI& window = host.Window();
  ASSERT_EQ(window.AddFiles({QString::fromStdString((folder / "a.mp4").string()),
                             QString::fromStdString((folder / "b.mp4").string())}),
            2);
  QString opened, first, second, pastEnd;
  OnNextModal([&](QWidget* modal) {
    opened = QString::fromLatin1(modal->metaObject()->className());
    modal->close();
  });
  window.RequestOutputPreview();
  EXPECT_EQ(opened, "vidmora::COutputPreviewDlg");
  // The list the preview steps through is the window's, selection included.
  first = window.SelectedFilePath();
  second = window.MoveFileSelection(1);
  pastEnd = window.MoveFileSelection(1);
  EXPECT_TRUE(first.endsWith("a.mp4")) << first.toStdString();
  EXPECT_TRUE(second.endsWith("b.mp4")) << second.toStdString();
  EXPECT_TRUE(pastEnd.isEmpty());
  EXPECT_EQ(window.SelectedFilePath(), second);
}

}  // namespace vidmora::test
