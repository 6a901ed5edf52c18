// Texts with frame tokens encoded through libvencor.so with the real drawing
// library: each output frame shows its own number, time and timecode, read
// back from the frames' pixels. The source is black at 29.97 frames a
// second with a timecode track starting at 10:00:00;00 (drop-frame).

#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/log_font.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"
#include "tests/encoder/vencor_client.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 480, kHeight = 96;
constexpr char kStart[] = "10:00:00;00";

// Large white digits, upright, top left.
EditedLayer LargeDigits(std::u16string_view text) {
  EditedLayer layer;
  ApplyNewLayerValues(layer, text);
  layer.font = DefaultLogFont();
  layer.font.height = -34;
  layer.rotation = 0;
  layer.scaleText = 0;
  layer.location = 0;
  layer.offsetH = 6;
  layer.offsetV = 6;
  layer.textColor = 0xFFFFFF;
  layer.transparency = 255;
  layer.fillText = 1;
  return layer;
}

class FrameTokens : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTemplateFolderPathForDrawlixDll(u"Vidmora");
    const fs::path folder = env_.DataHome() / "Vidmora" / "templates";
    fs::create_directories(folder);
    const std::u16string dir = FromUtf8(folder.string());
    const std::vector<std::u16string> templates = {u"Clock"}, layers = {u"Clock_Layer 1"};
    ASSERT_TRUE(WriteNameList(IndexFilePath(dir), kTemplateIndex, templates));
    ASSERT_TRUE(WriteNameList(NamedFilePath(dir, u"Clock"), kLayerList, layers));
    ASSERT_TRUE(WriteNewLayerFile(dir, u"Clock_Layer 1", LargeDigits(u"{timecode} {frame}")));
  }
  void TearDown() override {
    SetFrameHookTime(-1, 0);
    SetFrameHookClock(-1, 0, 1, nullptr);
  }

  // The template painted by the hook onto a black frame for output frame
  // `index` counted at rateNum/rateDen from `start`.
  QImage Reference(long long index, int rateNum, int rateDen, const char* start) {
    EXPECT_EQ(PrepareWMForDrawlixDll(u"Clock", kWidth, kHeight, 2), 0);
    SetFrameHookTime(index * 1000 * rateDen / rateNum, 0);
    SetFrameHookClock(index, rateNum, rateDen, start);
    QImage frame(kWidth, kHeight, QImage::Format_BGR888);
    frame.fill(Qt::black);
    EXPECT_EQ(cplusplusout(frame.bits(), kWidth, kHeight), 0);
    return frame.convertToFormat(QImage::Format_RGB32);
  }

  TempEnv env_;
};

double Difference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
  return sum / (a.width() * a.height());
}

TEST_F(FrameTokens, EveryFrameShowsItsNumberAndItsDropFrameTimecode) {
  ClipSpec spec;
  spec.width = kWidth;
  spec.height = kHeight;
  spec.fps = 30;
  spec.seconds = 60.2;
  spec.audio = false;
  spec.videoSource = "color=c=black";
  spec.extraArgs = {"-r", "30000/1001", "-timecode", kStart};
  const fs::path source = SampleClip(spec);
  EXPECT_EQ(PrepareWMForDrawlixDll(u"Clock", kWidth, kHeight, 2), 0);
  EncodeArgs args;
  args.source = source.string();
  args.output = (env_.MakeDir("out") / "clock.mp4").string();
  args.videoBitRate = "3000k";
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;

  // Frame n is nearest to the hook's picture of frame n, not of its
  // neighbours; at 10:01:00 the drop-frame count skips ;00 and ;01, so the
  // 1801st frame reads 10:01:00;02 and not what 30 frames a second would give.
  for (const long long index : {0LL, 1LL, 29LL, 30LL, 1799LL, 1800LL}) {
    const QImage frame = DecodeFrame(args.output, static_cast<int>(index)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), QSize(kWidth, kHeight)) << index;
    const double own = Difference(frame, Reference(index, 30000, 1001, kStart));
    EXPECT_LT(own * 4, Difference(frame, Reference(index + 1, 30000, 1001, kStart))) << index;
    if (index > 0) {
      EXPECT_LT(own * 4, Difference(frame, Reference(index - 1, 30000, 1001, kStart))) << index;
    }
    if (index == 1800) {
      EXPECT_LT(own * 4, Difference(frame, Reference(index, 30, 1, "10:00:00:00"))) << "counted without drops";
      frame.save(QString::fromStdString((TestOutputDir() / "encoder_timecode_frame_1800.png").string()));
    }
  }
}

}  // namespace
}  // namespace vidmora::test
