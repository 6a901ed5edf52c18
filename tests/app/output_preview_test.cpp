#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/preview_cache.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/settings/session_choices.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/output_preview_dlg.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "tests/app/engine_fixture.h"
#include "tests/app/modal_driver.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <chrono>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// The window's file list: a list of paths and a selected row.
class FileList : public PreviewFileList {
 public:
  FileList(QStringList files, int selected) : files_(std::move(files)), row_(selected) {}
  QString SelectedFile() override { return files_.value(row_); }
  QString NextFile() override { return row_ + 1 < files_.size() ? files_[++row_] : QString(); }
  QString PreviousFile() override { return row_ > 0 ? files_[--row_] : QString(); }

 private:
  QStringList files_;
  int row_;
};

class OutputPreviewTest : public EngineTest {
 protected:
  // Waits for the picture of the file being shown.
  static void WaitForPicture(COutputPreviewDlg& dialog, QSignalSpy& ready) {
    if (dialog.IsRendering()) {
      ASSERT_TRUE(ready.wait(120000)) << "no picture came";
    }
    ready.clear();
  }
  static ClipSpec GrayClip(int width, int height) {
    ClipSpec spec = SmallClip();
    spec.width = width;
    spec.height = height;
    spec.videoSource = "color=c=gray";
    spec.audio = false;
    return spec;
  }
  static QScrollArea* Area(COutputPreviewDlg& dialog) { return dialog.findChild<QScrollArea*>("picture_area"); }
};

TEST_F(OutputPreviewTest, ASmallClipShowsTheWatermarkCentredAndIsCachedUnderItsFullPath) {
  FileList files({MakeSource("gray.mp4", GrayClip(320, 240))}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  dialog.resize(800, 600);
  dialog.show();
  WaitForPicture(dialog, ready);

  const QImage shown = dialog.ShownPicture();
  ASSERT_EQ(shown.size(), QSize(320, 240));
  EXPECT_FALSE(MarkedArea(shown, QColor(128, 128, 128)).isEmpty()) << "no watermark on the picture";
  EXPECT_TRUE(fs::exists(PreviewCachePath(files.SelectedFile()).toStdString()));
  EXPECT_EQ(dialog.findChild<QLabel*>("path_label")->text(), files.SelectedFile());

  QScrollArea* area = Area(dialog);
  const QRect picture = dialog.findChild<QLabel*>("picture_label")->geometry();
  const QSize viewport = area->viewport()->size();
  EXPECT_NEAR(picture.center().x(), viewport.width() / 2.0, 2);
  EXPECT_NEAR(picture.center().y(), viewport.height() / 2.0, 2);
  EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);
}

TEST_F(OutputPreviewTest, APictureLargerThanTheAreaScrollsAndDragsWithinItsRange) {
  // The output size of this run enlarges the picture to 2000 x 1500.
  ASSERT_TRUE(WriteResizingSettings(DataFile(kResizingSettingsFileName),
                                    {ScaleType::kToWidthAndHeight, 2000, 1500, false, true}));
  SetResizeJustThisTime(true);
  FileList files({MakeSource("gray.mp4", GrayClip(320, 240))}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  dialog.resize(800, 600);
  dialog.show();
  WaitForPicture(dialog, ready);
  ASSERT_EQ(dialog.ShownPicture().size(), QSize(2000, 1500));

  QScrollBar* horizontal = Area(dialog)->horizontalScrollBar();
  QScrollBar* vertical = Area(dialog)->verticalScrollBar();
  EXPECT_EQ(horizontal->maximum(), 2000 - Area(dialog)->viewport()->width());
  EXPECT_EQ(vertical->maximum(), 1500 - Area(dialog)->viewport()->height());

  auto* picture = dialog.findChild<QLabel*>("picture_label");
  EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);
  QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_EQ(picture->cursor().shape(), Qt::ClosedHandCursor);
  QTest::mouseMove(picture, QPoint(200, 250));
  EXPECT_EQ(horizontal->value(), 100);
  EXPECT_EQ(vertical->value(), 50);
  // Dragging the other way stops at the start.
  QTest::mouseMove(picture, QPoint(900, 900));
  EXPECT_EQ(horizontal->value(), 0);
  EXPECT_EQ(vertical->value(), 0);
  QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(900, 900));
  EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(OutputPreviewTest, SteppingShowsEachFileAndPastEitherEndSaysSo) {
  const fs::path day = env_.MakeDir("day");
  const fs::path night = env_.MakeDir("night");
  // Two files of one name in different folders, with different pictures.
  fs::copy_file(SampleClip(GrayClip(320, 240)), day / "a.mp4");
  ClipSpec red = GrayClip(320, 240);
  red.videoSource = "color=c=red";
  fs::copy_file(SampleClip(red), night / "a.mp4");
  const QString first = QString::fromStdString((day / "a.mp4").string());
  const QString second = QString::fromStdString((night / "a.mp4").string());
  FileList files({first, second}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  dialog.show();
  WaitForPicture(dialog, ready);
  const QImage firstPicture = dialog.ShownPicture();

  QString seen;
  AnswerNextMessage(QMessageBox::Ok, &seen, &dialog);
  dialog.findChild<QPushButton*>("previous_button")->click();
  EXPECT_EQ(seen, "This is the first one.");
  EXPECT_EQ(dialog.CurrentFile(), first);
  EXPECT_EQ(dialog.ShownPicture(), firstPicture);

  dialog.findChild<QPushButton*>("next_button")->click();
  EXPECT_EQ(dialog.CurrentFile(), second);
  WaitForPicture(dialog, ready);
  EXPECT_NE(dialog.ShownPicture(), firstPicture);
  EXPECT_NE(PreviewCachePath(first), PreviewCachePath(second));
  EXPECT_TRUE(fs::exists(PreviewCachePath(second).toStdString()));

  AnswerNextMessage(QMessageBox::Ok, &seen, &dialog);
  dialog.findChild<QPushButton*>("next_button")->click();
  EXPECT_EQ(seen, "This is the last one.");
  EXPECT_EQ(dialog.CurrentFile(), second);
}

TEST_F(OutputPreviewTest, APortraitPhoneClipIsUpright) {
  ClipSpec spec = GrayClip(320, 240);
  spec.rotation = 90;
  FileList files({MakeSource("portrait.mp4", spec)}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  WaitForPicture(dialog, ready);
  EXPECT_EQ(dialog.ShownPicture().size(), QSize(240, 320));
}

TEST_F(OutputPreviewTest, ASourceThatCannotBeDecodedIsNamedWithTheReason) {
  const fs::path broken = sources_ / "broken.mp4";
  WriteFile(broken, "this is no video");
  FileList files({QString::fromStdString(broken.string())}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  WaitForPicture(dialog, ready);
  EXPECT_TRUE(dialog.ShownPicture().isNull());
  const QString text = dialog.findChild<QLabel*>("picture_label")->text();
  EXPECT_TRUE(text.contains(files.SelectedFile())) << text.toStdString();
  EXPECT_GT(text.size(), files.SelectedFile().size() + 20) << "no reason: " << text.toStdString();
  EXPECT_FALSE(fs::exists(PreviewCachePath(files.SelectedFile()).toStdString()));
}

TEST_F(OutputPreviewTest, ACachePictureOlderThanTheTemplateIsMadeAgain) {
  const QString source = MakeSource("gray.mp4", GrayClip(320, 240));
  // A stale picture of another size, made before the template was saved.
  const QString cache = PreviewCachePath(source);
  fs::create_directories(fs::path(cache.toStdString()).parent_path());
  QImage stale(16, 16, QImage::Format_RGB32);
  stale.fill(Qt::black);
  ASSERT_TRUE(stale.save(cache, "PNG"));
  const auto past = fs::last_write_time(cache.toStdString()) - std::chrono::hours(1);
  fs::last_write_time(cache.toStdString(), past);
  fs::last_write_time(sources_ / "gray.mp4", past);

  FileList files({source}, 0);
  COutputPreviewDlg dialog(files, kDemoTemplateName);
  QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
  WaitForPicture(dialog, ready);
  EXPECT_EQ(dialog.ShownPicture().size(), QSize(320, 240));
}

TEST_F(OutputPreviewTest, APictureCachedWithOneTemplateIsNotShownForAnother) {
  ASSERT_TRUE(AddTemplate(TemplatesFolder(), "Plain").ok);
  FileList files({MakeSource("gray.mp4", GrayClip(320, 240))}, 0);
  const auto preview = [&](const QString& templateName) {
    COutputPreviewDlg dialog(files, templateName);
    QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
    WaitForPicture(dialog, ready);
    return dialog.ShownPicture().convertToFormat(QImage::Format_RGB32);
  };
  const QImage demo = preview(kDemoTemplateName);
  const QImage plain = preview("Plain");
  EXPECT_NE(plain, demo) << "the other template's cached picture was shown";
  ASSERT_TRUE(EmptyPreviewCache());
  EXPECT_EQ(preview("Plain"), plain);
  EXPECT_EQ(preview(kDemoTemplateName), demo);
}

// A logo changed on disk changes the preview, though no template file did.
TEST_F(OutputPreviewTest, APictureChangedSinceTheCachedPreviewIsPaintedAgain) {
  ASSERT_TRUE(AddTemplate(TemplatesFolder(), "Logo").ok);
  const fs::path logo = env_.MakeDir("pictures") / "logo.png";
  const auto saveLogo = [&](QColor color) {
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(color);
    ASSERT_TRUE(picture.save(QString::fromStdString(logo.string()), "PNG"));
  };
  saveLogo(Qt::red);
  EditedLayer layer;
  layer.font = DefaultLogFont();
  ApplyNewLayerValues(layer, u"");
  layer.imagePathName = QString::fromStdString(logo.string()).toStdU16String();
  layer.imageLocation = 4;
  layer.imageTransparency = 100;
  ASSERT_TRUE(WriteNewLayerFile(TemplatesFolder().toStdU16String(), u"Logo_Layer 1", layer));
  // Everything on disk an hour old, so that the new logo is newer than the cached picture.
  const QString source = MakeSource("gray.mp4", GrayClip(320, 240));
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& entry : fs::directory_iterator(TemplatesFolder().toStdString()))
    fs::last_write_time(entry.path(), past);
  fs::last_write_time(source.toStdString(), past);

  FileList files({source}, 0);
  const auto centre = [&] {
    COutputPreviewDlg dialog(files, "Logo");
    QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
    WaitForPicture(dialog, ready);
    return QColor(dialog.ShownPicture().pixel(160, 120));
  };
  EXPECT_GT(centre().red(), 200);
  ASSERT_TRUE(fs::exists(PreviewCachePath(source).toStdString()));
  fs::last_write_time(PreviewCachePath(source).toStdString(), past + std::chrono::minutes(10));
  saveLogo(Qt::blue);
  const QColor after = centre();
  EXPECT_GT(after.blue(), 200) << "the cached picture with the old logo was shown";
  EXPECT_LT(after.red(), 60);
}

}  // namespace
}  // namespace vidmora::test
