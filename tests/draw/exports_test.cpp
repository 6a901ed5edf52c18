// The library's exports as the application and the encoder call them:
// templates on disk, frames in caller memory, the log, and several threads.
#include "draw/glyphra.h"
#include "draw/template_reading.h"
#include "tests/draw/caller_frame.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <barrier>
#include <cstring>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

namespace glyphra {
namespace {

// A caller's frame with the frame hook called on it.
struct Frame : test::CallerFrame {
  using CallerFrame::CallerFrame;
  int Paint() { return cplusplusout(bytes.data(), width, height); }
};

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTemplateFolderPathForDrawlixDll(u"Vidmora");
    test::WriteTemplate(templates_, u"Demo 1", {{u"Demo 1_Layer 1", test::NewLayer()}});
  }
  std::filesystem::path PicturePath(const char* name, QColor color) {
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(color);
    auto path = env_.MakeDir("pictures") / name;
    picture.save(QString::fromStdString(path.string()));
    return path;
  }

  vidmora::test::TempEnv env_;
  std::filesystem::path templates_ = env_.DataHome() / "Vidmora" / "templates";
};

TEST_F(Exports, FrameHookPaintsInPlaceAndLeavesPaddingAlone) {
  for (const QSize size : {QSize(1, 1), QSize(5, 3), QSize(322, 181)}) {
    ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", size.width(), size.height(), 2), 0);
    Frame frame(size.width(), size.height());
    const QImage before = frame.Picture();
    EXPECT_EQ(frame.Paint(), 0);
    EXPECT_TRUE(frame.PaddingIntact()) << size.width() << "x" << size.height();
    if (size.width() > 100) {
      EXPECT_NE(frame.Picture(), before);
    }
  }

  // For people to look at: the demo template on a grey 640 × 360 frame.
  ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", 640, 360, 2), 0);
  Frame grey(640, 360);
  std::fill(grey.bytes.begin(), grey.bytes.end(), 128);
  EXPECT_EQ(grey.Paint(), 0);
  grey.Picture().save(QString::fromStdString((vidmora::test::TestOutputDir() / "draw_demo_frame.png").string()));
}

TEST_F(Exports, AnUnreadableTemplateGivesMinusOneAndPaintsNothing) {
  vidmora::test::WriteFile(templates_ / "Broken.xml", "<Layers><layer>Demo 1_Layer 1</Layers>");
  for (const char16_t* name : {u"Missing", u"Broken"}) {
    ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", 64, 48, 2), 0);  // layers from before …
    EXPECT_EQ(PrepareWMForDrawlixDll(name, 64, 48, 2), -1);      // … are gone
    Frame frame(64, 48);
    const std::vector<unsigned char> before = frame.bytes;
    EXPECT_EQ(frame.Paint(), 0);
    EXPECT_EQ(frame.bytes, before);
  }
}

// The bounding box of the pixels of `picture` for which `wanted` holds.
QRect BoxWhere(const QImage& picture, bool (*wanted)(QRgb)) {
  QRect box;
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x)
      if (wanted(rgb.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}
bool IsBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; }
bool IsRed(QRgb p) { return qRed(p) > 200 && qBlue(p) < 60 && qGreen(p) < 60; }

// Every layer is painted, in the template's order: later layers lie above
// earlier ones, and the frame hook gives what the in-memory painting gives.
TEST_F(Exports, EveryLayerOfATemplateIsPaintedInOrder) {
  vidmora::EditedLayer red = test::NewLayer(u"");
  red.imagePathName = PicturePath("red.png", Qt::red).u16string();
  red.imageTransparency = 100;
  red.imageLocation = 0;
  vidmora::EditedLayer blue = red;
  blue.imagePathName = PicturePath("blue.png", Qt::blue).u16string();
  blue.imageOffsetH = 20;  // overlaps the right half of the red square
  vidmora::EditedLayer text = test::NewLayer(u"Third");
  text.location = 8;
  test::WriteTemplate(templates_, u"Three", {{u"One", red}, {u"Two", blue}, {u"Three_3", text}});

  ASSERT_EQ(PrepareWMForDrawlixDll(u"Three", 200, 120, 2), 0);
  Frame hooked(QImage(200, 120, QImage::Format_RGB32));
  std::fill(hooked.bytes.begin(), hooked.bytes.end(), 128);
  hooked.Paint();
  const QImage painted = hooked.Picture();
  EXPECT_EQ(BoxWhere(painted, IsRed), QRect(0, 0, 20, 40)) << "the blue layer lies over the red one";
  EXPECT_EQ(BoxWhere(painted, IsBlue), QRect(20, 0, 40, 40));

  const vidmora::EditedLayer layers[] = {red, blue, text};
  QImage inMemory(200, 120, QImage::Format_RGB32);
  inMemory.fill(QColor(128, 128, 128));
  ASSERT_EQ(PaintLayersOntoImage(layers, 3, &inMemory), 0);
  EXPECT_EQ(inMemory.convertToFormat(QImage::Format_RGB888), painted.convertToFormat(QImage::Format_RGB888));
  // The text layer is there too: something besides the squares changed.
  QImage squaresOnly(200, 120, QImage::Format_RGB32);
  squaresOnly.fill(QColor(128, 128, 128));
  ASSERT_EQ(PaintLayersOntoImage(layers, 2, &squaresOnly), 0);
  EXPECT_NE(squaresOnly, inMemory);
}

// Files written by earlier versions of the program: CR LF, one element a
// line, a layer with only its text (keys as old writers left them: no
// "ScaleTextWT", "EdgeAlpha" before "EdgeLineThickness") and one with only a
// picture. Both layers paint.
TEST_F(Exports, OldTemplateFilesWithSeveralLayersPaintEveryLayer) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  vidmora::test::WriteFile(templates_ / "Old.xml", declaration +
      "<Layers>\r\n<layer>Old_Layer 1</layer>\r\n<layer>Old_Layer 2</layer>\r\n</Layers>\r\n");
  vidmora::test::WriteFile(templates_ / "Old_Layer 1.xml", declaration +
      "<WatermarkConf>\r\n<Text>\r\n<textContent>OLD</textContent>\r\n<Location>8</Location>\r\n"
      "<Transparency>255</Transparency>\r\n<BFillText>1</BFillText>\r\n<TextColor>255</TextColor>\r\n"
      "<EdgeAlpha>255</EdgeAlpha>\r\n<EdgeLineThickness>2</EdgeLineThickness>\r\n</Text>\r\n</WatermarkConf>\r\n");
  const std::string picture = PicturePath("blue.png", Qt::blue).string();
  vidmora::test::WriteFile(templates_ / "Old_Layer 2.xml", declaration +
      "<WatermarkConf>\r\n<Image>\r\n<ImagePathName>" + picture + "</ImagePathName>\r\n"
      "<ImageLocation>0</ImageLocation>\r\n<ImageTransparency>100</ImageTransparency>\r\n</Image>\r\n"
      "</WatermarkConf>\r\n");

  QImage frame(320, 240, QImage::Format_RGB32);
  frame.fill(QColor(128, 128, 128));
  ASSERT_EQ(PaintTemplateOntoImage(u"Old", &frame), 0);
  EXPECT_EQ(BoxWhere(frame, IsBlue), QRect(0, 0, 40, 40));
  const QRect text = BoxWhere(frame, IsRed);
  ASSERT_FALSE(text.isEmpty()) << "the text layer is painted";
  EXPECT_GT(text.left(), 160);
  EXPECT_GT(text.top(), 120);
}

// Frames stored with pixels that are not square are painted as players show
// them: a square picture is square once the frame is stretched to its shown
// width, and the frame hook gives the shown painting scaled to the frame.
TEST_F(Exports, FramesWithNonSquarePixelsGetTheWatermarkAsShown) {
  vidmora::EditedLayer square = test::NewLayer(u"");
  square.imagePathName = PicturePath("blue.png", Qt::blue).u16string();
  square.imageTransparency = 100;
  square.imageLocation = 4;
  test::WriteTemplate(templates_, u"Square", {{u"Square_1", square}});

  // 720 x 576 stored, 64:45 pixels: shown 1024 x 576.
  ASSERT_EQ(PrepareWMForVideoFrames(u"Square", 1024, 576, 720, 576, 2), 0);
  Frame stored(QImage(720, 576, QImage::Format_RGB32));
  std::fill(stored.bytes.begin(), stored.bytes.end(), 128);
  EXPECT_EQ(stored.Paint(), 0);
  const QRect box = BoxWhere(stored.Picture(), IsBlue);
  EXPECT_NEAR(box.width() * 1024.0 / 720.0, box.height(), 2) << "square as shown";
  EXPECT_NEAR(box.height(), 40, 1);
  EXPECT_NEAR(box.center().x(), 360, 2);

  // A frame of another size is painted as it comes: unscaled, placed in the
  // prepared rectangle.
  Frame other(QImage(1024, 576, QImage::Format_RGB32));
  std::fill(other.bytes.begin(), other.bytes.end(), 128);
  other.Paint();
  EXPECT_EQ(BoxWhere(other.Picture(), IsBlue).size(), QSize(40, 40));

  // Equal sizes: the plain prepare.
  ASSERT_EQ(PrepareWMForVideoFrames(u"Square", 720, 576, 720, 576, 2), 0);
  Frame plain(QImage(720, 576, QImage::Format_RGB32));
  std::fill(plain.bytes.begin(), plain.bytes.end(), 128);
  plain.Paint();
  EXPECT_EQ(BoxWhere(plain.Picture(), IsBlue).size(), QSize(40, 40));
}

TEST_F(Exports, TheTemplateReaderNamesWhatItCannotRead) {
  vidmora::test::WriteFile(templates_ / "Gaps.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<Layers>\r\n<layer>Demo 1_Layer 1</layer>\r\n<layer>Gone</layer>\r\n</Layers>\r\n");
  TemplateReading reading;
  EXPECT_EQ(ReadWatermarkTemplate(nullptr, u"Gaps", 1, &reading), 0);
  ASSERT_EQ(reading.layers.size(), 1u);
  ASSERT_EQ(reading.problems.size(), 1u);
  EXPECT_EQ(reading.problems[0].layerName, QStringLiteral("Gone"));
  EXPECT_EQ(ReadWatermarkTemplate(nullptr, u"Missing", 1, &reading), -1);
  EXPECT_EQ(ReadWatermarkTemplate(nullptr, u"Gaps", 1, nullptr), 2);
}

TEST_F(Exports, PreviewPaintsOnTheCallersGraphicsAndRecordsFailures) {
  vidmora::EditedLayer layer = test::NewLayer();
  layer.imagePathName = (env_.Root() / "nowhere.png").u16string();
  layer.imageTransparency = 100;
  test::WriteTemplate(templates_, u"NoPicture", {{u"NoPicture_1", layer}});
  ASSERT_EQ(PrepareWMForDrawlixDll(u"NoPicture", 200, 120, 0), 0);

  QImage picture(200, 120, QImage::Format_RGB32);
  picture.fill(Qt::black);
  const QImage before = picture;
  {
    Graphics graphics(picture);
    EXPECT_EQ(DrawGraphicsWithTempConf(&graphics), 0);
    EXPECT_EQ(graphics.GetLastStatus(), Status::FileNotFound);
  }
  EXPECT_NE(picture, before);  // the text is painted all the same
  EXPECT_EQ(DrawGraphicsWithTempConf(nullptr), 0);
}

TEST_F(Exports, InMemoryPaintingGivesTheFrameHooksPixelsAndLeavesThePreparedTemplateAlone) {
  // A layer with a picture, a shadow and an outline, so that every kind of
  // painting takes part; the frame is noise, so that blending shows.
  vidmora::EditedLayer layer = test::NewLayer();
  layer.addShadow = 1;
  layer.drawEdge = 1;
  layer.edgeLineThickness = 2;
  layer.edgeAlpha = 200;
  layer.imagePathName = PicturePath("logo.png", QColor(0, 200, 0, 160)).u16string();
  layer.imageTransparency = 70;
  test::WriteTemplate(templates_, u"Rich", {{u"Rich_1", layer}});
  // The calling thread prepares another template for its own frames.
  ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", 320, 180, 2), 0);

  for (const QSize size : {QSize(320, 180), QSize(123, 77)}) {
    SCOPED_TRACE(size.width());
    Frame hooked(size.width(), size.height());
    QImage fromTemplate = hooked.Picture().convertToFormat(QImage::Format_RGB32);
    QImage fromValues = fromTemplate;
    const QImage before = fromTemplate;

    EXPECT_EQ(PaintTemplateOntoImage(u"Rich", &fromTemplate), 0);
    EXPECT_EQ(PaintLayersOntoImage(&layer, 1, &fromValues), 0);
    // The prepared template of this thread is still "Demo 1" at 320 × 180.
    Frame demo(320, 180);
    Frame demoExpected(320, 180);
    EXPECT_EQ(demo.Paint(), 0);
    ASSERT_EQ(PrepareWMForDrawlixDll(u"Rich", size.width(), size.height(), 2), 0);
    EXPECT_EQ(hooked.Paint(), 0);
    ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", 320, 180, 2), 0);
    EXPECT_EQ(demoExpected.Paint(), 0);
    EXPECT_EQ(demo.bytes, demoExpected.bytes);

    EXPECT_EQ(fromTemplate.format(), QImage::Format_RGB32);
    EXPECT_NE(fromTemplate, before);
    EXPECT_EQ(fromTemplate, hooked.Picture().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(fromValues, fromTemplate);
  }
}

TEST_F(Exports, InMemoryPaintingReportsWhatItCouldNotDo) {
  vidmora::EditedLayer layer = test::NewLayer();
  layer.imagePathName = (env_.Root() / "nowhere.png").u16string();
  layer.imageTransparency = 100;
  for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
    QImage picture(200, 120, format);
    picture.fill(Qt::black);
    const QImage before = picture;
    EXPECT_EQ(PaintLayersOntoImage(&layer, 1, &picture), 10) << format;  // the missing picture …
    EXPECT_NE(picture, before);                                            // … but the text is there
  }
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(Qt::black);
  const QImage before = picture;
  EXPECT_EQ(PaintTemplateOntoImage(u"Missing", &picture), -1);
  EXPECT_EQ(PaintLayersOntoImage(nullptr, 0, &picture), 0);
  EXPECT_EQ(picture, before);
  QImage null;
  EXPECT_EQ(PaintTemplateOntoImage(u"Demo 1", &null), 2);
  EXPECT_EQ(PaintLayersOntoImage(&layer, 1, nullptr), 2);
}

std::string LogText(const vidmora::test::TempEnv& env) {
  return vidmora::test::ReadFile(env.DataHome() / "Vidmora" / "log" / "Vidmora.log");
}

// The longest run of one byte in the log: the message's body.
size_t LongestRun(const std::string& text, char c) {
  size_t best = 0;
  size_t run = 0;
  for (char byte : text) {
    run = byte == c ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

TEST_F(Exports, LogSinkCutsLongMessagesTo511BytesAndKeepsUtf8) {
  const std::string longText(600, 'x');
  va_logx("%s", longText.c_str());
  va_logx("caf\xc3\xa9 %d", 7);
  // 510 bytes and a two-byte character cut in half by the 511-byte limit.
  const std::string cutCharacter = std::string(510, 'y') + "\xc3\xa9";
  va_logx("%s", cutCharacter.c_str());

  const std::string log = LogText(env_);
  EXPECT_EQ(LongestRun(log, 'x'), 511u);
  EXPECT_NE(log.find("caf\xc3\xa9 7"), std::string::npos);
  EXPECT_EQ(LongestRun(log, 'y'), 510u);
  EXPECT_EQ(log.find("\xef\xbf\xbd"), std::string::npos);  // no replacement character
}

// Each thread prepares its own template and frame size; neither ever shows
// the other's watermark, while both prepare and paint at the same time.
TEST_F(Exports, ThreadsPrepareAndPaintIndependently) {
  vidmora::EditedLayer text = test::NewLayer(u"Alpha");
  text.location = 0;
  text.rotation = 0;
  text.scaleText = 0;
  text.font.height = -40;
  test::WriteTemplate(templates_, u"TextOnly", {{u"TextOnly_1", text}});
  vidmora::EditedLayer image = test::NewLayer(u" ");
  image.fillText = 0;
  image.imagePathName = PicturePath("blue.png", Qt::blue).u16string();
  image.imageLocation = 8;
  image.imageTransparency = 100;
  test::WriteTemplate(templates_, u"ImageOnly", {{u"ImageOnly_1", image}});

  struct Work {
    const char16_t* templateName;
    QSize size;
    QImage first;
    std::atomic<int> mismatches{0};
  };
  Work works[2] = {{u"TextOnly", {320, 240}, {}, {}}, {u"ImageOnly", {200, 100}, {}, {}}};
  std::barrier sync(2);
  const auto run = [&sync](Work& work) {
    const int width = work.size.width();
    const int height = work.size.height();
    PrepareWMForDrawlixDll(work.templateName, width, height, 2);
    Frame first(width, height);
    first.Paint();
    work.first = first.Picture();
    sync.arrive_and_wait();
    for (int i = 0; i < 40; ++i) {
      if (i % 10 == 5) PrepareWMForDrawlixDll(work.templateName, width, height, 2);
      Frame frame(width, height);
      frame.Paint();
      if (frame.bytes != first.bytes) ++work.mismatches;
    }
  };
  std::thread one(run, std::ref(works[0]));
  std::thread two(run, std::ref(works[1]));
  one.join();
  two.join();

  EXPECT_EQ(works[0].mismatches, 0);
  EXPECT_EQ(works[1].mismatches, 0);
  // The text thread's frame shows red text and no blue picture; the other's
  // shows the blue picture in its bottom-right corner.
  const QImage& textFrame = works[0].first;
  const QImage& imageFrame = works[1].first;
  EXPECT_NE(textFrame.pixel(319, 239), qRgb(0, 0, 255));
  EXPECT_EQ(imageFrame.pixel(199, 99), qRgb(0, 0, 255));
  EXPECT_EQ(imageFrame.pixel(161, 61), qRgb(0, 0, 255));
  int red = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 200; ++x) red += textFrame.pixel(x, y) == qRgb(158, 51, 11);
  }
  EXPECT_GT(red, 50);
}

}  // namespace
}  // namespace glyphra
