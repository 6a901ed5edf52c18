// Layers that live in time, encoded through libvencor.so with the real
// drawing library: each frame shows the mark as it is at its own time. The
// clip is flat grey at 25 frames a second (frame n at n × 40 ms), the mark an
// opaque red square, so the frames' pixels tell where and how strongly it
// shows.

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

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 160, kHeight = 120, kSquare = 20;

// A picture layer with no text: the red square at the top left.
EditedLayer Square() {
  EditedLayer layer;
  ApplyNewLayerValues(layer, u"");
  layer.imageLocation = 0;
  layer.imageTransparency = 100;
  layer.imageWidth = kSquare;
  layer.imageHeight = kSquare;
  layer.scaleImage = 0;
  return layer;
}

class TimedWatermark : public ::testing::Test {
 protected:
  void SetUp() override {
    logo_ = env_.MakeDir("pictures") / "logo.png";
    QImage red(kSquare, kSquare, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(logo_.string())));
    ClipSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.audio = false;
    spec.videoSource = "color=c=gray";
    source_ = SampleClip(spec);
    InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  }

  // Encodes the clip with the layer and gives the output's path.
  fs::path Encode(EditedLayer layer, const std::string& name) {
    const fs::path folder = env_.DataHome() / "Vidmora" / "templates";
    fs::create_directories(folder);
    const std::u16string dir = FromUtf8(folder.string());
    layer.imagePathName = FromUtf8(logo_.string());
    const std::u16string templateName = FromUtf8(name);
    const std::vector<std::u16string> templates = {templateName}, layers = {templateName + u"_Layer 1"};
    EXPECT_TRUE(WriteNameList(IndexFilePath(dir), kTemplateIndex, templates));
    EXPECT_TRUE(WriteNameList(NamedFilePath(dir, templateName), kLayerList, layers));
    EXPECT_TRUE(WriteNewLayerFile(dir, templateName + u"_Layer 1", layer));
    EXPECT_EQ(PrepareWMForDrawlixDll(templateName.c_str(), kWidth, kHeight, 2), 0);
    EncodeArgs args;
    args.source = source_.string();
    args.output = (env_.MakeDir("out") / (name + ".mkv")).string();
    const EncodeResult result = RunVencor(args.Vector());
    EXPECT_EQ(result.code, VENCOR_OK) << result.error;
    SetFrameHookTime(-1, 0);
    return args.output;
  }

  TempEnv env_;
  fs::path logo_;
  fs::path source_;
};

// How much of the red square covers the pixel: 0 grey … 1 red (from green, which the red drops to 0).
double Coverage(const QImage& frame, QPoint at) {
  const QColor c = frame.pixelColor(at);
  return (128.0 - c.green()) / 128.0;
}

// The left edge of the red square in a row through it; nullopt when there is none.
std::optional<int> SquareLeft(const QImage& frame, int row) {
  for (int x = 0; x < frame.width(); ++x)
    if (Coverage(frame, {x, row}) > 0.5) return x;
  return std::nullopt;
}

struct FrameCheck {
  int index;       // frame n at n × 40 ms
  double coverage; // of the square's centre
};

TEST_F(TimedWatermark, WindowsRepeatsAndFadesShowAtEachFramesTime) {
  struct Case {
    std::string name;
    std::function<void(EditedLayer&)> set;
    std::vector<FrameCheck> frames;
  };
  const std::vector<Case> cases = {
      {"window", [](EditedLayer& l) { l.startTime = 600; l.endTime = 1400; },
       {{0, 0}, {14, 0}, {15, 1}, {34, 1}, {35, 0}, {49, 0}}},
      {"before_end", [](EditedLayer& l) { l.endTime = -500; },
       {{0, 1}, {37, 1}, {38, 0}, {49, 0}}},
      {"repeat", [](EditedLayer& l) { l.repeatEvery = 800; l.showFor = 300; },
       {{5, 1}, {10, 0}, {22, 1}, {30, 0}, {42, 1}, {48, 0}}},
      {"fade", [](EditedLayer& l) { l.startTime = 400; l.fadeIn = 800; l.fadeOut = 400; },
       {{5, 0}, {20, 0.5}, {30, 1}, {45, 0.5}}},
  };
  for (const Case& c : cases) {
    EditedLayer layer = Square();
    c.set(layer);
    const fs::path output = Encode(layer, c.name);
    for (const FrameCheck& check : c.frames) {
      const QImage frame = DecodeFrame(output, check.index);
      ASSERT_FALSE(frame.isNull()) << c.name << " " << check.index;
      EXPECT_NEAR(Coverage(frame, {kSquare / 2, kSquare / 2}), check.coverage, 0.05) << c.name << " frame " << check.index;
    }
  }
}

TEST_F(TimedWatermark, DriftIsAtItsPlacesAtZeroAQuarterAndHalfThePeriod) {
  EditedLayer layer = Square();
  layer.motionKind = 1;
  layer.motionToLocation = 2;  // top right
  layer.motionPeriod = 1600;
  const fs::path output = Encode(layer, "drift");
  const int room = kWidth - kSquare;
  for (const auto& [index, left] : {std::pair{0, 0}, {10, room / 2}, {20, room}, {30, room / 2}, {40, 0}}) {
    const QImage frame = DecodeFrame(output, index);
    ASSERT_FALSE(frame.isNull()) << index;
    const auto found = SquareLeft(frame, kSquare / 2);
    ASSERT_TRUE(found) << index;
    EXPECT_NEAR(*found, left, 1) << "frame " << index;
    EXPECT_NEAR(Coverage(frame, {kWidth - 1, kHeight - 1}), 0, 0.05) << index;
  }
}

TEST_F(TimedWatermark, LayerWithoutTimingIsOnEveryFrame) {
  const fs::path output = Encode(Square(), "still");
  for (const int index : {0, 24, 49}) {
    const QImage frame = DecodeFrame(output, index);
    ASSERT_FALSE(frame.isNull()) << index;
    EXPECT_NEAR(Coverage(frame, {kSquare / 2, kSquare / 2}), 1, 0.05) << index;
    EXPECT_EQ(SquareLeft(frame, kSquare / 2), 0) << index;
  }
}

}  // namespace
}  // namespace vidmora::test
