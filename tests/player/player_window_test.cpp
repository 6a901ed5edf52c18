// The player's window on a real X server with software OpenGL: mpv's picture,
// the watermark over it, seeking, turned phone clips and unplayable input.
#include "player/mpv_video_window.h"
#include "tests/player/player_fixture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <set>

namespace vidplay::test {
namespace {

namespace fs = std::filesystem;
using vidmora::test::ClipSpec;
using vidmora::test::DecodeFrame;
using vidmora::test::SampleClip;

// A grey clip (test pattern without colour), so that red can only be the
// watermark.
ClipSpec GreyPattern(double seconds, int rotation = 0) {
  ClipSpec spec;
  spec.seconds = seconds;
  spec.rotation = rotation;
  spec.extraArgs = {"-vf", "hue=s=0"};
  return spec;
}

// How far the top-left quarter of the picture in `grab` is from the same
// quarter of `frame` (mean per channel, 0 to 255).
double DistanceFromFrame(PlayerWindow& window, const QImage& grab, const QImage& frame) {
  const QRect picture = window.Video()->PictureRect().toRect();
  const QImage expected = frame.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QRect topLeft(QPoint(0, 0), picture.size() / 2);
  return MeanDifference(grab.copy(picture).copy(topLeft), expected.copy(topLeft));
}

// What the player shows inside its picture rectangle, compared with the
// clip's own frame at the paused position: the watermark in the bottom-right
// quarter, the clip's picture elsewhere.
void ExpectWatermarkedPicture(PlayerWindow& window, const fs::path& clip, const QImage& grab) {
  const QRect picture = window.Video()->PictureRect().toRect();
  ASSERT_FALSE(picture.isEmpty());
  const QRect red = PixelsWhere(grab, IsRed);
  ASSERT_FALSE(red.isEmpty()) << "no watermark drawn";
  EXPECT_TRUE(picture.contains(red));
  EXPECT_GT(red.left(), picture.center().x());
  EXPECT_GT(red.top(), picture.center().y());
  EXPECT_LT(picture.right() - red.right(), picture.width() / 8);
  EXPECT_LT(picture.bottom() - red.bottom(), picture.height() / 8);

  const int frameIndex = static_cast<int>(std::lround(window.Player()->Position() * 25));
  const QImage frame = DecodeFrame(clip, frameIndex);
  ASSERT_FALSE(frame.isNull());
  EXPECT_LT(DistanceFromFrame(window, grab, frame), 12) << "not the clip's picture";
}

TEST_F(PlayerTest, PlaysTheClipWithTheWatermarkWhereTheBatchPutsIt) {
  WriteRedCornerTemplate(u"Red corner");
  const fs::path clip = SampleClip(GreyPattern(3));

  auto window = OpenPlayer(clip, QStringLiteral("Red corner"), QSize(320, 240), QSize(560, 360));
  ASSERT_TRUE(PlayUntilThenPause(*window, 1.0)) << window->Message().toStdString();
  EXPECT_EQ(window->windowTitle(), QString::fromStdString(clip.filename().string()) + QStringLiteral(" — Red corner — Vidmora"));
  const QImage grab = Grab(*window);
  ExpectWatermarkedPicture(*window, clip, grab);

  auto* time = window->findChild<QLabel*>(QStringLiteral("time_label"));
  auto* duration = window->findChild<QLabel*>(QStringLiteral("duration_label"));
  ASSERT_TRUE(time && duration);
  EXPECT_EQ(duration->text(), QStringLiteral("0:03"));
  window->Player()->SeekTo(2.0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return time->text() == QStringLiteral("0:02"); }, 30000)) << time->text().toStdString();
  EXPECT_TRUE(window->Player()->Paused());
  // The window as the X server shows it, once the picture at 2 s is there
  // (mpv reports the new position a little before it hands the picture over;
  // the frames at 1 s and 2 s differ only in a few spots).
  const QImage frameAt1s = DecodeFrame(clip, 25);
  const QImage frameAt2s = DecodeFrame(clip, 50);
  const auto* view = window->findChild<QWidget*>(QStringLiteral("video_view"));
  ASSERT_NE(view, nullptr);
  QImage screen;
  double fromFrameAt1s = 0, fromFrameAt2s = 0;
  const bool shows2s = QTest::qWaitFor([&] {
    window->repaint();
    screen = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shown = screen.copy(QRect(view->mapTo(window.get(), QPoint(0, 0)), view->size()));
    fromFrameAt1s = DistanceFromFrame(*window, shown, frameAt1s);
    fromFrameAt2s = DistanceFromFrame(*window, shown, frameAt2s);
    return fromFrameAt2s < fromFrameAt1s;
  }, 30000);
  SaveForReview(screen, "player_window_at_2s");
  EXPECT_TRUE(shows2s) << "the screen shows the picture at 1 s, not the one at 2 s: " << fromFrameAt1s << " against "
                       << fromFrameAt2s;

  // Played to the end it stays paused on the last picture; Space then plays it again from the start.
  window->Player()->SetPaused(false);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Player()->Position() > 2.5 && window->Player()->Paused(); }, 30000));
  window->activateWindow();  // keys reach the shortcuts of the active window
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 30000));
  QTest::keyClick(window.get(), Qt::Key_Space);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Player()->Position() < 1 && !window->Player()->Paused(); }, 30000))
      << window->Player()->Position();
  EXPECT_EQ(window->ExitStatus(), 0);
}

// The size on the command line is only the caller's probe: the largest it
// accepts costs nothing, and the clip plays at its own size.
TEST_F(PlayerTest, AHugeGivenFrameSizeIsNeverPainted) {
  WriteRedCornerTemplate(u"Red corner");
  const fs::path clip = SampleClip(GreyPattern(1));
  auto window = OpenPlayer(clip, QStringLiteral("Red corner"), QSize(65535, 65535));
  ASSERT_TRUE(PlayUntilThenPause(*window, 0.5)) << window->Message().toStdString();
  EXPECT_EQ(window->ExitStatus(), 0);
  const QSize room = window->screen()->availableGeometry().size();
  EXPECT_LE(window->width(), room.width());
  EXPECT_LE(window->height(), room.height());
  EXPECT_TRUE(window->Message().isEmpty()) << window->Message().toStdString();
}

TEST_F(PlayerTest, APhoneClipStandsUprightWithTheWatermarkAtItsBottomRight) {
  WriteRedCornerTemplate(u"Red corner");
  // Stored 320 x 240 and turned a quarter: shown 240 x 320. The caller's
  // probe passes the shown size.
  const fs::path clip = SampleClip(GreyPattern(2, 90));

  auto window = OpenPlayer(clip, QStringLiteral("Red corner"), QSize(240, 320), QSize(480, 360));
  ASSERT_TRUE(PlayUntilThenPause(*window, 0.5)) << window->Message().toStdString();
  EXPECT_EQ(PaintedFrameSize(window->Player()->Format()), QSize(240, 320));
  const QImage grab = Grab(*window);
  SaveForReview(grab, "player_portrait_clip");
  const QRect picture = window->Video()->PictureRect().toRect();
  EXPECT_GT(picture.height(), picture.width());
  ExpectWatermarkedPicture(*window, clip, grab);
}

// The picture is a window of its own inside the player's; with the keyboard
// focus on it (after a click), keys and a double-click still work the player.
TEST_F(PlayerTest, KeysAndDoubleClicksOnThePictureReachThePlayer) {
  WriteRedCornerTemplate(u"Red corner");
  const fs::path clip = SampleClip(GreyPattern(12));
  auto window = OpenPlayer(clip, QStringLiteral("Red corner"), QSize(320, 240));
  ASSERT_TRUE(PlayUntilThenPause(*window, 0.5)) << window->Message().toStdString();
  MpvPlayer* player = window->Player();
  QWindow* video = window->Video();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 30000));
  video->requestActivate();  // as a click on the picture does
  ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == video; }, 30000));

  QTest::keyClick(video, Qt::Key_Space);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !player->Paused(); }, 30000)) << "Space";
  QTest::keyClick(video, Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->Paused(); }, 30000)) << "Space";
  const double before = player->Position();
  QTest::keyClick(video, Qt::Key_Right);
  EXPECT_TRUE(QTest::qWaitFor([&] { return player->Position() > before + 4; }, 30000)) << "Right";

  const auto fullScreenAfter = [&](auto action) {
    action();
    return window->isFullScreen();
  };
  EXPECT_TRUE(fullScreenAfter([&] { QTest::keyClick(video, Qt::Key_F); })) << "F";
  EXPECT_FALSE(fullScreenAfter([&] { QTest::keyClick(video, Qt::Key_Escape); })) << "Esc";
  const QPoint centre(video->width() / 2, video->height() / 2);
  EXPECT_TRUE(fullScreenAfter([&] { QTest::mouseDClick(video, Qt::LeftButton, {}, centre); })) << "double-click";
  EXPECT_FALSE(fullScreenAfter([&] { QTest::mouseDClick(video, Qt::LeftButton, {}, centre); })) << "double-click";
  EXPECT_EQ(window->ExitStatus(), 0);
}

// Every file and folder under `root`.
// Every path under `root` but the OpenGL driver's own shader cache, which
// Mesa keeps in the cache home for any program that draws.
std::set<fs::path> FilesUnder(const fs::path& root) {
  std::set<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.path().string().find("/mesa_shader_cache") == std::string::npos) files.insert(entry.path());
  return files;
}

TEST_F(PlayerTest, UnusableInputShowsAMessageAndEndsWithAFailure) {
  WriteRedCornerTemplate(u"Red corner");
  vidmora::test::WriteFile(Templates() / "Broken.xml", "<Layers><layer>Broken_Layer 1</Layers>");
  const fs::path folder = env_.MakeDir("clips");
  const fs::path text = folder / "notes.mp4";
  vidmora::test::WriteFile(text, "these are notes, not a video\n");
  const fs::path clip = folder / "clip.mp4";
  fs::copy_file(SampleClip(GreyPattern(1)), clip);

  struct Case {
    fs::path file;
    QString templateName;
    QString message;
  };
  const Case cases[] = {
      {text, QStringLiteral("Red corner"), QStringLiteral("Cannot play \"notes.mp4\"")},
      {folder / "gone.mp4", QStringLiteral("Red corner"), QStringLiteral("there is no such file")},
      {clip, QStringLiteral("Missing"), QStringLiteral("template \"Missing\" is missing or cannot be read")},
      {clip, QStringLiteral("Broken"), QStringLiteral("template \"Broken\" is missing or cannot be read")},
  };
  const std::set<fs::path> before = FilesUnder(env_.Root());
  for (const Case& c : cases) {
    auto window = OpenPlayer(c.file, c.templateName, QSize(320, 240));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->ExitStatus() != 0; }, 60000)) << c.file;
    EXPECT_EQ(window->ExitStatus(), 1);
    EXPECT_TRUE(window->Message().contains(c.message)) << window->Message().toStdString();
    auto* message = window->findChild<QLabel*>(QStringLiteral("message_label"));
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
  }
  EXPECT_EQ(FilesUnder(env_.Root()), before) << "the player wrote something";
}

}  // namespace
}  // namespace vidplay::test
