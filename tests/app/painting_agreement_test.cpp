// What you see is what you get: one two-layer template (a red text at the
// bottom right, a green square logo at the top left) over clips of several
// shapes, painted by the template editor's preview, the output preview, the
// batch (a frame of the encoded output) and the player's overlay. All four
// must show both layers in the same places, the text with the shape it has on
// the reference canvas and the logo square as the clip is shown.
#include "app/processing/engine.h"
#include "app/processing/paint_size.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/preview_renderer.h"
#include "player/watermark_overlay.h"
#include "tests/app/engine_fixture.h"
#include "tests/draw/template_fixture.h"

#include <QPainter>

#include <cmath>
#include <functional>
#include <string_view>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplate = "Agree";

bool IsRed(QRgb p) { return qRed(p) > 170 && qGreen(p) < 90 && qBlue(p) < 90; }
bool IsGreen(QRgb p) { return qGreen(p) > 150 && qRed(p) < 90 && qBlue(p) < 90; }

QRect BoxWhere(const QImage& image, const std::function<bool(QRgb)>& wanted) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if (!wanted(row[x])) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The mean colour of the middle half of `box`.
QColor MeanColour(const QImage& image, const QRect& box) {
  const QRect middle = box.adjusted(box.width() / 4, box.height() / 4, -box.width() / 4, -box.height() / 4);
  long long r = 0, g = 0, b = 0, n = 0;
  for (int y = middle.top(); y <= middle.bottom(); ++y)
    for (int x = middle.left(); x <= middle.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      r += qRed(p);
      g += qGreen(p);
      b += qBlue(p);
      ++n;
    }
  return n == 0 ? QColor() : QColor(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

void SaveForReview(const QImage& image, const QString& name) {
  const fs::path folder = TestOutputDir() / "painting_agreement";
  fs::create_directories(folder);
  image.save(QString::fromStdString((folder / (name.toStdString() + ".png")).string()));
}

struct Painted {
  const char* by;
  QImage picture;  // at the clip's shown size
};

struct Shape {
  int width, height;
  const char* sar;  // empty: square pixels
  int shownWidth;
};

class PaintingAgreement : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    const QString folder = TemplatesFolder();
    ASSERT_TRUE(AddTemplate(folder, kTemplate).ok);

    QImage logo(64, 64, QImage::Format_RGB32);
    logo.fill(QColor(0, 200, 0));
    const QString logoPath = QString::fromStdString((env_.MakeDir("pictures") / "logo.png").string());
    ASSERT_TRUE(logo.save(logoPath));

    EditedLayer text = glyphra::test::NewLayer(u"Vidmora");
    text.location = 8;
    text.offsetH = -10;
    text.offsetV = -10;
    text.rotation = 0;
    text.fillText = 1;
    text.textColor = 0x0000FF;  // red
    text.transparency = 255;
    text.addShadow = 0;
    text.drawEdge = 0;
    text.coverImage = 0;
    text.scaleText = 1;
    text.font.height = -60;  // a watermark's size, large enough to measure its shape to a few per cent
    EditedLayer picture = text;
    picture.textContent.clear();
    picture.fillText = 0;
    picture.imagePathName = logoPath.toStdU16String();
    picture.imageLocation = 0;
    picture.imageOffsetH = 10;
    picture.imageOffsetV = 10;
    picture.imageWidth = 64;
    picture.imageHeight = 64;
    picture.imageTransparency = 100;
    picture.scaleImage = 1;
    // The text below the logo in painting order; the logo layer's own text is
    // empty and paints nothing.
    glyphra::test::WriteTemplate(folder.toStdString(), u"Agree", {{u"Agree_text", text}, {u"Agree_logo", picture}});
  }

  QString Clip(const Shape& shape) {
    ClipSpec spec;
    spec.width = shape.width;
    spec.height = shape.height;
    spec.seconds = 1;
    spec.audio = false;
    spec.videoSource = "color=c=gray";
    // Odd sizes need a format without chroma subsampling, and a scale: the
    // colour source itself makes only even sizes.
    std::string filters = "scale=" + std::to_string(shape.width) + ":" + std::to_string(shape.height);
    if (*shape.sar) filters += std::string(",setsar=") + shape.sar;
    // Tagged, so that the batch blends and the check decodes with one matrix.
    spec.extraArgs = {"-pix_fmt", "yuv444p",          "-vf",   filters,      "-colorspace",
                      "bt709",    "-color_primaries", "bt709", "-color_trc", "bt709"};
    return MakeSource(QString("clip_%1x%2.mp4").arg(shape.width).arg(shape.height), spec);
  }

  QImage EncodedFrame(const QString& source, QSize storedSize, QSize shown) {
    class Quiet : public JobListener {
      void OutputPathChosen(const QString&) override {}
      void EncodeStarted() override {}
      bool EncodeProgressed(const EncodeProgress&) override { return true; }
    } listener;
    JobSettings settings = Settings(1, "_wm");
    settings.templateName = kTemplate;
    settings.encoding.videoBitrateKbps = 6000;  // a flat grey source would get a tiny "auto" rate
    const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
    EXPECT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const QImage stored = DecodeFrame(result.outputPath.toStdString(), 0);
    if (stored.isNull()) return {};
    // An even-sized output of an odd-sized source holds a repeated column
    // and row more; a player stretches stored frames to their shown size.
    const QImage frame =
        stored.copy(0, 0, std::min(stored.width(), storedSize.width()), std::min(stored.height(), storedSize.height()));
    return frame.size() == shown ? frame : frame.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }

  static QImage PlayerPicture(QSize shown) {
    vidplay::UseTemplatesOf(QStringLiteral("Vidmora"));
    const auto overlay = vidplay::PaintWatermark(kTemplate, shown);
    if (!overlay) return {};
    QImage frame(shown, QImage::Format_RGB32);
    frame.fill(QColor(128, 128, 128));
    QPainter painter(&frame);
    painter.drawImage(overlay->frameRegion.topLeft(), overlay->picture);
    return frame;
  }
};

TEST_F(PaintingAgreement, EditorOutputPreviewBatchAndPlayerPaintTheSameWatermarkOnEveryShape) {
  const Shape shapes[] = {
      {677, 625, "", 677}, {640, 480, "", 640}, {1920, 1080, "", 1920}, {720, 1280, "", 720}, {720, 576, "64/45", 1024},
  };
  double referenceTextRatio = 0;
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height << " sar " << shape.sar);
    const QString clip = Clip(shape);
    const PaintSize size = SourcePaintSize(EncoderLibraryFolder(), clip);
    ASSERT_TRUE(size.Known()) << size.error.toStdString();
    ASSERT_EQ(size.shown, QSize(shape.shownWidth, shape.height));
    ASSERT_EQ(size.frame, QSize(shape.width, shape.height));

    CEditTemplateDlg editor(TemplatesFolder(), kTemplate);
    editor.SetPreviewClips({clip});
    ASSERT_TRUE(editor.PreviewOver(clip));
    const Painted pictures[] = {
        {"editor", editor.PreviewPicture()},
        {"output preview", RenderPreview(EncoderLibraryFolder(), TemplatesFolder(), kTemplate, clip).image},
        {"batch", EncodedFrame(clip, size.frame, size.shown)},
        {"player", PlayerPicture(size.shown)},
    };
    const QRect text = BoxWhere(pictures[0].picture, IsRed);
    const QRect logo = BoxWhere(pictures[0].picture, IsGreen);
    for (const Painted& painted : pictures) {
      SCOPED_TRACE(painted.by);
      ASSERT_EQ(painted.picture.size(), size.shown);
      SaveForReview(painted.picture, QString("%1x%2_%3").arg(shape.width).arg(shape.height).arg(painted.by));
      const QRect paintedText = BoxWhere(painted.picture, IsRed);
      const QRect paintedLogo = BoxWhere(painted.picture, IsGreen);
      ASSERT_FALSE(paintedText.isEmpty()) << "no text";
      ASSERT_FALSE(paintedLogo.isEmpty()) << "no logo";
      for (const auto& [mine, theirs] : {std::pair{paintedText, text}, std::pair{paintedLogo, logo}}) {
        EXPECT_NEAR(mine.left(), theirs.left(), 2);
        EXPECT_NEAR(mine.top(), theirs.top(), 2);
        EXPECT_NEAR(mine.right(), theirs.right(), 2);
        EXPECT_NEAR(mine.bottom(), theirs.bottom(), 2);
      }
      const QColor green = MeanColour(painted.picture, paintedLogo);
      EXPECT_NEAR(green.green(), 200, 12);
      EXPECT_NEAR(green.red(), 0, 12);
      // A square logo stays square as the clip is shown. Frames stored
      // narrower than shown are resampled twice across (painted, then
      // stretched back here), which softens the left and right edges by a
      // pixel more.
      const bool resampled = *shape.sar && std::string_view(painted.by) == "batch";
      EXPECT_NEAR(paintedLogo.width(), paintedLogo.height(), resampled ? 3 : 2);
    }
    // The text at the bottom right, 10 pixels in; the logo at the top left.
    EXPECT_NEAR(text.right(), shape.shownWidth - 11, 3);
    EXPECT_NEAR(logo.left(), 10, 1);
    EXPECT_NEAR(logo.top(), 10, 1);
    const double ratio = static_cast<double>(text.width()) / text.height();
    if (referenceTextRatio == 0) referenceTextRatio = ratio;
    EXPECT_NEAR(ratio, referenceTextRatio, 0.03 * referenceTextRatio) << "the text's letters changed shape";
  }
}

}  // namespace
}  // namespace vidmora::test
