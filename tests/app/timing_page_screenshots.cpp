// The editor's Timing page and the preview's time slider, in a real X server
// (run under xvfb-run, once at scale 1 and once with QT_SCALE_FACTOR=2):
// what the page stores, the mark moving with the slider, and pictures for
// people to look at ("timing_page_<scale>x*.png").
#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/layer_session.h"
#include "draw/glyphra.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

template <typename T>
T* Child(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(TimingPageScreenshots, ThePageStoresTimesAndTheSliderMovesTheMark) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  CEditTemplateDlg editor(TemplatesFolder(), "Demo 1");
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor, 30000));
  auto* tabs = Child<QTabWidget>(editor, "page_tabs");
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(2), QStringLiteral("Timing"));
  tabs->setCurrentIndex(2);

  // Start at 2 s, end 1.5 s before the end, fade in over 1 s, drift to the bottom right every 20 s.
  Child<QDoubleSpinBox>(editor, "start_time_spin")->setValue(2);
  Child<QComboBox>(editor, "end_kind_combo")->setCurrentIndex(2);
  Child<QDoubleSpinBox>(editor, "end_time_spin")->setValue(1.5);
  Child<QDoubleSpinBox>(editor, "fade_in_spin")->setValue(1);
  Child<QComboBox>(editor, "motion_kind_combo")->setCurrentIndex(1);
  Child<QComboBox>(editor, "motion_to_combo")->setCurrentIndex(8);
  Child<QDoubleSpinBox>(editor, "motion_period_spin")->setValue(20);
  const EditedLayer& layer = editor.Session().Layer();
  EXPECT_EQ(layer.startTime, 2000);
  EXPECT_EQ(layer.endTime, -1500);
  EXPECT_EQ(layer.fadeIn, 1000);
  EXPECT_EQ(layer.motionKind, 1);
  EXPECT_EQ(layer.motionToLocation, 8);
  EXPECT_EQ(layer.motionPeriod, 20000);
  EXPECT_FALSE(Child<QSpinBox>(editor, "motion_speed_spin")->isEnabled());  // bounce only
  // Saved at once: read back from the layer file.
  LayerSession reread(TemplatesFolder(), "Demo 1");
  EXPECT_EQ(reread.Layer().endTime, -1500);
  EXPECT_EQ(reread.Layer().motionPeriod, 20000);

  // The slider: nothing before the start, the mark once it has started, moved further on.
  auto* slider = Child<QSlider>(editor, "preview_time_slider");
  EXPECT_EQ(slider->maximum(), 60000);
  editor.SetPreviewTime(1000);
  const QImage before = editor.PreviewPicture();
  editor.SetPreviewTime(5000);
  const QImage started = editor.PreviewPicture();
  editor.SetPreviewTime(10000);
  const QImage moved = editor.PreviewPicture();
  editor.SetPreviewTime(0);
  const QImage bare = editor.PreviewPicture();
  EXPECT_EQ(before, bare);
  EXPECT_NE(started, before);
  EXPECT_NE(moved, started);

  const int scale = static_cast<int>(std::lround(editor.devicePixelRatioF()));
  const fs::path out = TestOutputDir() / "template_editor";
  fs::create_directories(out);
  for (const int ms : {1000, 10000}) {
    editor.SetPreviewTime(ms);
    editor.PreviewPicture();
    QCoreApplication::processEvents();
    const QImage shot = editor.grab().toImage();
    const std::string file = (out / ("timing_page_" + std::to_string(scale) + "x_at_" + std::to_string(ms / 1000) + "s.png")).string();
    ASSERT_TRUE(shot.save(QString::fromStdString(file))) << file;
  }
  editor.close();
}

}  // namespace
}  // namespace vidmora::test
