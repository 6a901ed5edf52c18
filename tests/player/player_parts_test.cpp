// The player's pieces that need no window: the command line (parsed here and
// as a user runs the program), where mpv puts the picture, and time text.
#include "player/playback_time.h"
#include "player/player_arguments.h"
#include "player/video_geometry.h"
#include "tests/support/process.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <utility>

namespace vidplay {
namespace {

TEST(PlayerArguments, TheFourValuesInTheirOrder) {
  QString error;
  const auto parsed = ParsePlayerArguments({"Vidmora", "Demo 1", "/videos/my clip.mp4", "0", "1080"}, error);
  ASSERT_TRUE(parsed) << error.toStdString();
  EXPECT_EQ(parsed->applicationName, "Vidmora");
  EXPECT_EQ(parsed->templateName, "Demo 1");
  EXPECT_EQ(parsed->filePath, "/videos/my clip.mp4");
  EXPECT_EQ(parsed->frameSize, QSize(0, 1080));
}

TEST(PlayerArguments, AMalformedLineExitsWithTwoAndTheExpectedForm) {
  const std::string vidplay = (QCoreApplication::applicationDirPath() + "/vidplay").toStdString();
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"Vidmora", "Demo 1", "clip.mp4", "320"},
      {"Vidmora", "Demo 1", "clip.mp4", "320", "240", "extra"},
      {"Vidmora", "Demo 1", "clip.mp4", "wide", "240"},
      {"Vidmora", "Demo 1", "clip.mp4", "-320", "240"},
      {"Vidmora", "Demo 1", "clip.mp4", "320", "99999"},
      {"", "Demo 1", "clip.mp4", "320", "240"},
      {"Vidmora", "Demo 1", "", "320", "240"},
  };
  for (const auto& line : lines) {
    std::vector<std::string> argv = {vidplay};
    argv.insert(argv.end(), line.begin(), line.end());
    const vidmora::test::ProcessResult result = vidmora::test::RunProcess(argv, {{"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("Usage: vidplay APPLICATION TEMPLATE FILE WIDTH HEIGHT"), std::string::npos) << result.err;
  }
}

TEST(VideoGeometry, ThePictureIsFittedAndCentredAsMpvDoes) {
  struct Case {
    VideoFormat format;
    QSize target;
    QRect picture;
    QSize painted;
  };
  const Case cases[] = {
      {{320, 240, 320, 240, 0}, {640, 480}, {0, 0, 640, 480}, {320, 240}},
      {{320, 240, 320, 240, 0}, {560, 360}, {40, 0, 480, 360}, {320, 240}},     // bars left and right
      {{1920, 1080, 1920, 1080, 0}, {700, 700}, {0, 153, 700, 393}, {1920, 1080}},  // bars above and below
      {{320, 240, 320, 240, 90}, {480, 360}, {105, 0, 270, 360}, {240, 320}},   // turned: portrait
      {{320, 240, 320, 240, 270}, {480, 360}, {105, 0, 270, 360}, {240, 320}},
      {{320, 240, 320, 240, 180}, {480, 360}, {0, 0, 480, 360}, {320, 240}},
      {{720, 576, 1024, 576, 0}, {512, 512}, {0, 112, 512, 288}, {720, 576}},    // wide pixels: shown 16:9, painted as stored
      {{0, 0, 0, 0, 0}, {512, 512}, {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VideoRectangle(c.format, c.target), c.picture) << c.format.width << "x" << c.format.height << " rotate "
                                                             << c.format.rotateDegrees << " in " << c.target.width()
                                                             << "x" << c.target.height();
    EXPECT_EQ(PaintedFrameSize(c.format), c.painted);
  }
}

TEST(VideoGeometry, OnlyFramesThePlayerCanPaintAreAccepted) {
  const std::pair<QSize, bool> cases[] = {
      {QSize(320, 240), true},     {QSize(7680, 4320), true},  {QSize(4320, 8192), true},
      {QSize(8192, 4320), true},   {QSize(8193, 16), false},   {QSize(8192, 8192), false},
      {QSize(65535, 65535), false}, {QSize(0, 240), false},    {QSize(-1, 240), false},
  };
  for (const auto& [frame, paintable] : cases)
    EXPECT_EQ(IsPaintable(frame), paintable) << frame.width() << "x" << frame.height();
}

TEST(PlaybackTime, MinutesAndSecondsThenHours) {
  const std::pair<double, const char*> cases[] = {
      {0, "0:00"}, {1.99, "0:01"}, {2.0, "0:02"}, {59.999, "0:59"}, {61, "1:01"},
      {3599, "59:59"}, {3600, "1:00:00"}, {36061, "10:01:01"}, {-3, "0:00"}, {std::nan(""), "0:00"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(PlaybackTimeText(seconds), text) << seconds;
}

}  // namespace
}  // namespace vidplay
