// Pictures of the settings dialogs for people to look at, taken in a real X
// server (run under xvfb-run): both pages of the preferences, the encoding
// page with the newer choices and a preset (at scale 1 and 2:
// "encoding_page_<scale>x_*.png") and the output size settings.
#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/settings/img_resizing_setting_dlg.h"
#include "app/settings/preference_dlg.h"
#include "tests/support/temp_env.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
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

// The encoding page as a user meets the newer choices: WebM with AV1, Opus
// and a named quality; a typed level with a slower speed; and the note that
// says why a change of container dropped the chosen codecs; a preset; a
// target size with its estimate.
TEST(SettingsDialogScreenshots, TheEncodingPageWithQualityAndTheContainersLimits) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  CPreferenceDlg dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  dialog.findChild<QTabWidget*>("page_tabs")->setCurrentIndex(CPreferenceDlg::kVideoAudioPage);
  const std::string prefix = "encoding_page_" + std::to_string(std::lround(dialog.devicePixelRatioF())) + "x_";
  const auto combo = [&](const char* name) { return dialog.findChild<QComboBox*>(name); };
  combo("container_combo")->setCurrentText("WebM");
  combo("video_codec_combo")->setCurrentText("AV1");
  combo("quality_combo")->setCurrentText("High");
  Save(dialog, prefix + "webm_av1_high.png");
  combo("container_combo")->setCurrentText("MKV");
  combo("video_codec_combo")->setCurrentText("HEVC");
  combo("quality_combo")->setEditText("30");
  combo("speed_combo")->setCurrentIndex(2);
  Save(dialog, prefix + "mkv_hevc_level_30_smaller.png");
  combo("container_combo")->setCurrentText("AVI");
  Save(dialog, prefix + "avi_note.png");
  // A preset chosen sets its format, codecs and quality.
  QComboBox* preset = combo("preset_combo");
  const int web = preset->findText("WebM AV1");
  preset->setCurrentIndex(web);
  emit preset->activated(web);
  Save(dialog, prefix + "preset_webm_av1.png");
  // A target size, and what it leaves for a short and a long clip.
  combo("target_size_combo")->setEditText("100");
  Save(dialog, prefix + "target_size_100.png");
  dialog.close();
}

TEST(SettingsDialogScreenshots, TheOutputSizeSettings) {
  TempEnv env;
  CImgResizingSettingDlg dialog(DataFile(kResizingSettingsFileName));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  Save(dialog, "output_size_" + std::to_string(std::lround(dialog.devicePixelRatioF())) + "x.png");
  dialog.close();
}

}  // namespace
}  // namespace vidmora::test
