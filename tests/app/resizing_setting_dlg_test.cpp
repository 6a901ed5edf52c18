#include "app/processing/settings/preview_cache.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/settings/session_choices.h"
#include "app/settings/img_resizing_setting_dlg.h"
#include "common/platform/profile_ini.h"
#include "tests/app/named_control.h"
#include "tests/support/temp_env.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

int IniValue(const fs::path& file, const char16_t* key) {
  return quorvil::GetPrivateProfileInt(u"General", key, -1, file);
}

class ResizingSettingDlgTest : public ::testing::Test {
 protected:
  TempEnv env_;
  fs::path ini_ = env_.MakeDir("data") / "resizing_config.ini";
  QString IniPath() const { return QString::fromStdString(ini_.string()); }
};

TEST_F(ResizingSettingDlgTest, WithoutAFileItShowsTheDefaultsAndClosingStoresThemAndEmptiesTheCache) {
  const fs::path cached = PreviewCachePath("/clips/a.mp4").toStdString();
  WriteFile(cached, "picture");
  {
    CImgResizingSettingDlg dialog(IniPath());
    EXPECT_TRUE(Control<QRadioButton>(dialog, "scale_to_width")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(dialog, "width_edit")->text(), "800");
    EXPECT_EQ(Control<QLineEdit>(dialog, "height_edit")->text(), "600");
    EXPECT_TRUE(Control<QLineEdit>(dialog, "width_edit")->isEnabled());
    EXPECT_FALSE(Control<QLineEdit>(dialog, "height_edit")->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, "just_this_time_check")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(dialog, "every_time_check")->isChecked());
    Control<QDialogButtonBox>(dialog, "button_box")->button(QDialogButtonBox::Close)->click();
  }
  EXPECT_EQ(IniValue(ini_, u"ScaleType"), 1);
  EXPECT_EQ(IniValue(ini_, u"TargetWidth"), 800);
  EXPECT_EQ(IniValue(ini_, u"TargetHeight"), 600);
  EXPECT_EQ(IniValue(ini_, u"ResizeEveryTime"), 0);
  EXPECT_EQ(IniValue(ini_, u"EnlargeSmaller"), 0);
  EXPECT_FALSE(fs::exists(cached));
  EXPECT_FALSE(fs::exists(PreviewCacheFolder().toStdString()));
}

TEST_F(ResizingSettingDlgTest, ChoicesAreStoredAndTheJustThisTimeChoiceStaysInMemory) {
  {
    CImgResizingSettingDlg dialog(IniPath());
    Control<QRadioButton>(dialog, "scale_to_height")->setChecked(true);
    EXPECT_FALSE(Control<QLineEdit>(dialog, "width_edit")->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>(dialog, "height_edit")->isEnabled());
    Control<QLineEdit>(dialog, "height_edit")->setText("480");
    Control<QCheckBox>(dialog, "just_this_time_check")->setChecked(true);
    Control<QCheckBox>(dialog, "every_time_check")->setChecked(true);
    Control<QCheckBox>(dialog, "enlarge_check")->setChecked(true);
    dialog.reject();
  }
  EXPECT_EQ(ReadResizingSettings(IniPath()), (ResizingSettings{ScaleType::kToHeight, 800, 480, true, true}));
  EXPECT_TRUE(ResizeJustThisTime());
  EXPECT_EQ(IniValue(ini_, u"ResizeEveryTime"), 1);

  // Opened again it shows what was stored, and the choice of this run.
  CImgResizingSettingDlg again(IniPath());
  EXPECT_TRUE(Control<QRadioButton>(again, "scale_to_height")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(again, "just_this_time_check")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(again, "enlarge_check")->isChecked());
}

TEST_F(ResizingSettingDlgTest, OnlySizesCanBeTypedInAndAnEmptySizeKeepsTheStoredOne) {
  CImgResizingSettingDlg dialog(IniPath());
  auto* width = Control<QLineEdit>(dialog, "width_edit");
  for (const QString text : {"-5", "abc", "0"}) {
    width->clear();
    width->insert(text);
    EXPECT_FALSE(width->hasAcceptableInput()) << text.toStdString();
  }
  EXPECT_EQ(dialog.Values().targetWidth, 800);
}

// The preview shows the size the video is written at (the encoder's own
// sizing is tested in tests/encoder/options_test.cpp).
TEST(DisplaySize, IsTheOutputSizeWithTheShapeKept) {
  struct Case {
    ResizingSettings settings;
    bool resize;
    QSize expected;
  };
  const QSize picture(1920, 1080);
  const Case cases[] = {
      {{ScaleType::kToWidth, 800, 600, false}, true, QSize(800, 450)},
      {{ScaleType::kToWidth, 801, 600, false}, true, QSize(800, 450)},  // even sides
      {{ScaleType::kToHeight, 800, 600, false}, true, QSize(1066, 600)},
      // Into the box, by its narrower side.
      {{ScaleType::kToWidthAndHeight, 800, 600, false}, true, QSize(800, 450)},
      {{ScaleType::kToWidthAndHeight, 1000, 400, false}, true, QSize(710, 400)},
      // Never enlarged unless asked; then brought within 8192 pixels a side.
      {{ScaleType::kToWidth, 4000, 600, false}, true, picture},
      {{ScaleType::kToWidth, 4000, 600, false, true}, true, QSize(4000, 2250)},
      {{ScaleType::kToWidth, 100000, 600, false, true}, true, QSize(8192, 4608)},
      {{ScaleType::kToWidthAndHeight, 100000, 100000, false, true}, true, QSize(8192, 4608)},
      {{ScaleType::kToWidth, 800, 600, false}, false, picture},
      {{ScaleType::kToWidth, 0, 600, false}, true, picture},
      {{ScaleType::kToWidth, 2, 600, false}, true, QSize(2, 2)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DisplaySize(picture, c.settings, c.resize), c.expected)
        << static_cast<int>(c.settings.scaleType) << " " << c.settings.targetWidth << "x" << c.settings.targetHeight
        << (c.settings.enlarge ? " enlarged" : "");
}

TEST(PreviewCachePath, FilesOfOneNameInDifferentFoldersGetDifferentPictures) {
  TempEnv env;
  const QString cache = PreviewCacheFolder();
  EXPECT_EQ(cache.toStdString(), (env.CacheHome() / "Vidmora" / "preview").string());
  EXPECT_EQ(PreviewCachePath("/clips/day/a.mp4"), cache + "/clips/day/a.mp4.png");
  EXPECT_NE(PreviewCachePath("/clips/day/a.mp4"), PreviewCachePath("/clips/night/a.mp4"));
  EXPECT_EQ(PreviewCachePath("/clips/day/../day/a.mp4"), PreviewCachePath("/clips/day/a.mp4"));
  EXPECT_EQ(fs::status(env.CacheHome() / "Vidmora").permissions() & fs::perms::all, fs::perms::owner_all);
}

// A data folder inside the cache keeps its pictures (template thumbnails).
TEST(PreviewCache, IsNeverEmptiedWhenItHoldsTheDataFolder) {
  TempEnv env;
  const fs::path dataHome = env.CacheHome() / "Vidmora" / "preview";
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome.string()));
  const fs::path thumbnail = dataHome / "Vidmora" / "templates" / "Demo 1.png";
  WriteFile(thumbnail, "thumbnail");
  EXPECT_FALSE(EmptyPreviewCache());
  EXPECT_EQ(ReadFile(thumbnail), "thumbnail");
}

// Emptying the cache deletes the pictures it made and nothing else, even when
// the cache and temporary folders are set to the documents folder, where the
// outputs are.
TEST(PreviewCache, EmptyingDeletesOnlyItsOwnPictures) {
  TempEnv env;
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(env.Documents().string()));
  qputenv("TMPDIR", QByteArray::fromStdString(env.Documents().string()));
  const fs::path outside = env.MakeDir("outside");
  const fs::path cache = env.Documents() / "Vidmora" / "preview";
  const std::vector<fs::path> kept = {env.Documents() / "Vidmora" / "a_new.mp4", env.Documents() / "Vidmora" / "b.png",
                                      cache / "notes.txt", outside / "keep.png"};
  for (const fs::path& file : kept) WriteFile(file, "user's");
  fs::create_directory_symlink(outside, cache / "linked");
  const QString picture = PreviewCachePath("/clips/a.mp4");
  ASSERT_TRUE(WritePreviewCacheFile(picture, "picture"));

  EXPECT_TRUE(EmptyPreviewCache());
  EXPECT_FALSE(fs::exists(picture.toStdString()));
  EXPECT_FALSE(fs::exists(cache / "clips"));
  for (const fs::path& file : kept) EXPECT_EQ(ReadFile(file), "user's") << file;
  EXPECT_TRUE(fs::is_symlink(cache / "linked"));
}

// Links planted in the cache's place, or in a picture's, are never followed.
TEST(PreviewCache, NeverFollowsALink) {
  TempEnv env;
  const fs::path victim = env.Home() / ".profile";
  WriteFile(victim, "mine");
  const QString picture = PreviewCachePath("/clips/a.mp4");
  fs::create_directories(fs::path(picture.toStdString()).parent_path());
  fs::create_symlink(victim, picture.toStdString());
  EXPECT_FALSE(WritePreviewCacheFile(picture, "picture"));
  EXPECT_EQ(ReadFile(victim), "mine");

  fs::remove_all(env.CacheHome() / "Vidmora");
  fs::create_directory_symlink(env.Home(), env.CacheHome() / "Vidmora");
  EXPECT_TRUE(PreviewCacheFolder().isEmpty());
  EXPECT_TRUE(PreviewCachePath("/clips/a.mp4").isEmpty());
  EXPECT_FALSE(EmptyPreviewCache());
  EXPECT_EQ(ReadFile(victim), "mine");
}

}  // namespace
}  // namespace vidmora::test
