// The library's exports as the application and the encoder call them:
// templates on disk, frames in caller memory, the log, and several threads.
#include "draw/glyphra.h"
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
    const auto path = env_.MakeDir("pictures") / name;
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

TEST_F(Exports, ATemplateWithThreeLayersPaintsOnlyTheFirst) {
  vidmora::EditedLayer second = test::NewLayer(u"Second");
  second.location = 0;
  second.textColor = 0xFF0000;
  vidmora::EditedLayer third = test::NewLayer(u"Third");
  third.location = 8;
  third.imagePathName = PicturePath("blue.png", Qt::blue).u16string();
  third.imageTransparency = 100;
  test::WriteTemplate(templates_, u"Three", {{u"One", test::NewLayer()}, {u"Two", second}, {u"Three_3", third}});

  ASSERT_EQ(PrepareWMForDrawlixDll(u"Demo 1", 200, 120, 2), 0);
  Frame expected(200, 120);
  expected.Paint();
  ASSERT_EQ(PrepareWMForDrawlixDll(u"Three", 200, 120, 2), 0);
  Frame actual(200, 120);
  actual.Paint();
  EXPECT_EQ(actual.bytes, expected.bytes);
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
