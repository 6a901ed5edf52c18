// Encodes through libvencor.so with the real drawing library painting a
// template: an opaque picture layer at a known place and a text layer.

#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"
#include "tests/encoder/vencor_client.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr int kLogoLeft = 10, kLogoTop = 10, kLogoSize = 40;

void WriteTemplate(const fs::path& folder, const fs::path& logo) {
  fs::create_directories(folder);
  const std::u16string dir = FromUtf8(folder.string());
  const std::vector<std::u16string> templates = {u"Marked"}, layers = {u"Marked_Layer 1"};
  EditedLayer layer;
  ApplyNewLayerValues(layer, u"Vidmora");
  layer.location = 8;  // bottom right, upright, opaque blue
  layer.rotation = 0;
  layer.textColor = 0xFF0000;
  layer.imagePathName = FromUtf8(logo.string());
  layer.imageLocation = 0;
  layer.imageOffsetH = kLogoLeft;
  layer.imageOffsetV = kLogoTop;
  layer.imageTransparency = 100;
  layer.imageWidth = kLogoSize;
  layer.imageHeight = kLogoSize;
  layer.scaleImage = 0;
  ASSERT_TRUE(WriteNameList(IndexFilePath(dir), kTemplateIndex, templates));
  ASSERT_TRUE(WriteNameList(NamedFilePath(dir, u"Marked"), kLayerList, layers));
  ASSERT_TRUE(WriteNewLayerFile(dir, u"Marked_Layer 1", layer));
}

// Pixels of the quarter picture around (x0, y0)-(x1, y1) that differ clearly from the source.
int ChangedPixels(const QImage& a, const QImage& b, QRect area) {
  int changed = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      changed += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 90;
    }
  return changed;
}

TEST(VencorWatermark, TemplateIsPaintedOnTheFirstAMiddleAndTheLastFrame) {
  TempEnv env;
  const fs::path logo = env.MakeDir("pictures") / "logo.png";
  QImage red(kLogoSize, kLogoSize, QImage::Format_RGB32);
  red.fill(QColor(255, 0, 0));
  ASSERT_TRUE(red.save(QString::fromStdString(logo.string())));
  WriteTemplate(env.DataHome() / "Vidmora" / "templates", logo);

  const fs::path source = SampleClip({});
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  ASSERT_EQ(PrepareWMForDrawlixDll(u"Marked", 320, 240, 2), 0);
  EncodeArgs args;
  args.source = source.string();
  args.output = (env.MakeDir("out") / "marked.mkv").string();
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;

  for (const int index : {0, 25, -1}) {
    const QImage painted = DecodeFrame(args.output, index);
    const QImage original = DecodeFrame(source, index);
    ASSERT_FALSE(painted.isNull()) << index;
    const QColor logoCentre = painted.pixelColor(kLogoLeft + kLogoSize / 2, kLogoTop + kLogoSize / 2);
    EXPECT_GT(logoCentre.red(), 200) << index;
    EXPECT_LT(logoCentre.green(), 60) << index;
    EXPECT_LT(logoCentre.blue(), 60) << index;
    // The text lies in the bottom-right quarter; the top-right quarter is untouched.
    EXPECT_GT(ChangedPixels(painted, original, QRect(160, 120, 160, 120)), 50) << index;
    // (A few pixels of the saturated diagonal band's edge may move with the encoder's choices.)
    EXPECT_LT(ChangedPixels(painted, original, QRect(160, 0, 160, 120)), 20) << index;
  }
}

// The logo is blended in the matrix the output is tagged with: a player that
// reads the tags shows its red as red, and the picture's colours as the source's.
TEST(VencorWatermark, TheLogoKeepsItsColourInTheMatrixOfTheOutput) {
  TempEnv env;
  const fs::path logo = env.MakeDir("pictures") / "logo.png";
  QImage red(kLogoSize, kLogoSize, QImage::Format_RGB32);
  red.fill(QColor(255, 0, 0));
  ASSERT_TRUE(red.save(QString::fromStdString(logo.string())));
  WriteTemplate(env.DataHome() / "Vidmora" / "templates", logo);
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");

  ClipSpec rgbHd;
  rgbHd.width = 1280;
  rgbHd.height = 720;
  rgbHd.fps = 5;
  rgbHd.seconds = 0.6;
  rgbHd.audio = false;
  rgbHd.videoSource = "color=c=0x30C050";
  rgbHd.videoCodec = "qtrle";
  rgbHd.container = "mov";
  ClipSpec bt709Sd = rgbHd;
  bt709Sd.width = 320;
  bt709Sd.height = 240;
  bt709Sd.videoCodec = "libx264";
  bt709Sd.container = "mkv";
  bt709Sd.extraArgs = {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p", "-colorspace", "bt709"};
  struct Case {
    ClipSpec spec;
    const char *extension, *videoCodec;
  };
  for (const Case& c : {Case{rgbHd, "mp4", "libx264"}, Case{rgbHd, "webm", "libvpx"}, Case{bt709Sd, "webm", "libvpx"}}) {
    SCOPED_TRACE(std::to_string(c.spec.width) + " " + c.extension);
    const fs::path source = SampleClip(c.spec);
    ASSERT_EQ(PrepareWMForDrawlixDll(u"Marked", c.spec.width, c.spec.height, 2), 0);
    EncodeArgs args;
    args.source = source.string();
    args.output = (env.MakeDir("out") / (std::to_string(c.spec.width) + c.videoCodec + "." + c.extension)).string();
    args.videoCodec = c.videoCodec;
    args.audioCodec = "libvorbis";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const QImage painted = DecodeFrame(args.output, 1), original = DecodeFrame(source, 1);
    ASSERT_FALSE(painted.isNull());
    const QColor logoCentre = painted.pixelColor(kLogoLeft + kLogoSize / 2, kLogoTop + kLogoSize / 2);
    EXPECT_GE(logoCentre.red(), 249);
    EXPECT_LE(logoCentre.green(), 6);
    EXPECT_LE(logoCentre.blue(), 6);
    const QPoint patch(c.spec.width / 2, c.spec.height / 4);
    const QColor a = painted.pixelColor(patch), b = original.pixelColor(patch);
    EXPECT_NEAR(a.red(), b.red(), 2);
    EXPECT_NEAR(a.green(), b.green(), 2);
    EXPECT_NEAR(a.blue(), b.blue(), 2);
  }
}

}  // namespace
}  // namespace vidmora::test
