// Pictures of the settings dialogs for people to look at, taken in a real X
// server (run under xvfb-run): both pages of the preferences and the image
// resizing settings.
#include "app/settings/app_folders.h"
#include "app/settings/first_start.h"
#include "app/settings/img_resizing_setting_dlg.h"
#include "app/settings/preference_dlg.h"
#include "tests/support/temp_env.h"

#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

fs::path ShotFolder() {
  fs::path out = TestOutputDir() / "settings_dialogs";
  fs::create_directories(out);
  return out;
}

void Save(QWidget& window, const std::string& name) {
  QCoreApplication::processEvents();
  const QImage shot = window.grab().toImage();
  const std::string file = (ShotFolder() / name).string();
  ASSERT_TRUE(shot.save(QString::fromStdString(file))) << file;
}

TEST(SettingsDialogScreenshots, BothPagesOfThePreferences) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  CPreferenceDlg dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto* tabs = dialog.findChild<QTabWidget*>("page_tabs");
  Save(dialog, "preferences_general.png");
  tabs->setCurrentIndex(CPreferenceDlg::kVideoAudioPage);
  Save(dialog, "preferences_video_audio.png");
  dialog.close();
}

TEST(SettingsDialogScreenshots, TheImageResizingSettings) {
  TempEnv env;
  CImgResizingSettingDlg dialog(DataFile(kResizingSettingsFileName));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  Save(dialog, "image_resizing.png");
  dialog.close();
}

}  // namespace
}  // namespace vidmora::test
