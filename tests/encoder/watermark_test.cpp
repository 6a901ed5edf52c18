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

}  // namespace
}  // namespace vidmora::test
