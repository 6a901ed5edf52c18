// The watermark sits where the batch paints it: the same clip and template,
// once through vidmora-cli and once in the player, compared in frame pixels.
#include "player/mpv_video_window.h"
#include "tests/player/player_fixture.h"
#include "tests/support/process.h"

#include <QCoreApplication>
#include <QTest>

#include <csignal>

namespace vidplay::test {
namespace {

namespace fs = std::filesystem;

// In frame pixels: `box` of a grab, seen through the picture rectangle
// `picture` of a frame of `frame` pixels.
QRectF ToFrame(const QRect& box, const QRect& picture, QSize frame) {
  const double sx = static_cast<double>(frame.width()) / picture.width();
  const double sy = static_cast<double>(frame.height()) / picture.height();
  return QRectF((box.left() - picture.left()) * sx, (box.top() - picture.top()) * sy, box.width() * sx,
                box.height() * sy);
}

TEST_F(PlayerTest, TheWatermarkSitsWhereTheBatchPaintsIt) {
  const std::string cli = (QCoreApplication::applicationDirPath() + "/vidmora-cli").toStdString();
  // The first start makes the data folder and the template "Demo 1", which the
  // batch uses; it is then replaced by the red corner.
  ASSERT_EQ(vidmora::test::RunProcess({cli, "templates"}).exitCode, 0);
  WriteRedCornerTemplate(u"Demo 1");
  vidmora::test::ClipSpec spec;
  spec.width = 400;
  spec.height = 224;
  spec.seconds = 2;
  spec.videoSource = "color=c=gray";
  const fs::path source = env_.MakeDir("clips") / "plain.mp4";
  fs::copy_file(vidmora::test::SampleClip(spec), source);
  const fs::path outputs = env_.MakeDir("outputs");

  // A plain clip's "auto" rate is tiny; a generous one keeps the text's edges.
  const auto batch = vidmora::test::RunProcess(
      {cli, "--output-dir", outputs.string(), "--video-bitrate", "4000", "--quiet", source.string()});
  ASSERT_EQ(batch.exitCode, 0) << batch.err;
  ASSERT_EQ(std::distance(fs::directory_iterator(outputs), fs::directory_iterator()), 1);
  const fs::path output = fs::directory_iterator(outputs)->path();
  const QImage batchFrame = vidmora::test::DecodeFrame(output, 25);
  const QRect batchMark = PixelsWhere(batchFrame, IsRed);
  ASSERT_FALSE(batchMark.isEmpty()) << "the batch painted no watermark";

  // Scaled by 1.75, with bars above and below.
  auto window = OpenPlayer(source, QStringLiteral("Demo 1"), QSize(400, 224), QSize(700, 600));
  ASSERT_TRUE(PlayUntilThenPause(*window, 1.0)) << window->Message().toStdString();
  const QImage grab = Grab(*window);
  SaveForReview(grab, "player_beside_batch");
  SaveForReview(batchFrame, "batch_beside_player");
  // The picture as mpv drew it: all that is not the black bars.
  const QRect picture = PixelsWhere(grab, [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) > 60; });
  const QRect expectedPicture = window->Video()->PictureRect().toRect();
  EXPECT_NEAR(picture.left(), expectedPicture.left(), 1);
  EXPECT_NEAR(picture.top(), expectedPicture.top(), 1);
  EXPECT_NEAR(picture.right(), expectedPicture.right(), 1);
  EXPECT_NEAR(picture.bottom(), expectedPicture.bottom(), 1);

  const QRectF playerMark = ToFrame(PixelsWhere(grab, IsRed), picture, QSize(400, 224));
  EXPECT_NEAR(playerMark.left(), batchMark.left(), 2);
  EXPECT_NEAR(playerMark.top(), batchMark.top(), 2);
  EXPECT_NEAR(playerMark.right(), batchMark.x() + batchMark.width(), 2);
  EXPECT_NEAR(playerMark.bottom(), batchMark.y() + batchMark.height(), 2);
}

// The player program on a machine without a session's runtime folder or
// NVIDIA's driver says nothing on its error output while it plays.
TEST_F(PlayerTest, ThePlayerProgramPrintsNothingWhilePlaying) {
  WriteRedCornerTemplate(u"Red corner");
  vidmora::test::ClipSpec spec;
  spec.seconds = 2;
  const fs::path clip = env_.MakeDir("clips") / "clip.mp4";
  fs::copy_file(vidmora::test::SampleClip(spec), clip);
  const std::string vidplay = (QCoreApplication::applicationDirPath() + "/vidplay").toStdString();
  vidmora::test::RunningProcess player({vidplay, "Vidmora", "Red corner", clip.string(), "320", "240"},
                                       {{"VIDPLAY_MPV_OPTIONS", "ao=null"}, {"XDG_RUNTIME_DIR", ""}});
  // mpv loads its hardware interops when the picture area is first shown.
  EXPECT_FALSE(player.WaitForError("\n", 8000));
  player.Signal(SIGTERM);
  const vidmora::test::ProcessResult result = player.Finish();
  EXPECT_EQ(result.err, "");
}

// An output re-encoded only where its mark shows (copied elsewhere) plays
// in the player from start to end with no message from mpv's decoders: the
// spliced groups of pictures and their parameter sets are what it expects.
TEST_F(PlayerTest, AnOutputReencodedOnlyWhereTheMarkIsPlaysToItsEndWithoutAnError) {
  const std::string cli = (QCoreApplication::applicationDirPath() + "/vidmora-cli").toStdString();
  ASSERT_EQ(vidmora::test::RunProcess({cli, "templates"}).exitCode, 0);
  WriteRedCornerTemplate(u"Demo 1", 1000, 2000);
  vidmora::test::ClipSpec spec;
  spec.seconds = 4;
  spec.extraArgs = {"-g", "25", "-bf", "2"};  // a group of pictures a second, with B-frames
  const fs::path source = env_.MakeDir("clips") / "long.mp4";
  fs::copy_file(vidmora::test::SampleClip(spec), source);
  const fs::path outputs = env_.MakeDir("outputs");
  const auto batch =
      vidmora::test::RunProcess({cli, "--smart", "on", "--output-dir", outputs.string(), source.string()});
  ASSERT_EQ(batch.exitCode, 0) << batch.err;
  ASSERT_NE(batch.out.find("copied"), std::string::npos) << "not spliced: " << batch.out;
  const fs::path output = fs::directory_iterator(outputs)->path();

  auto window = OpenPlayer(output, QStringLiteral("Demo 1"), QSize(320, 240));
  MpvPlayer* player = window->Player();
  ASSERT_NE(player, nullptr) << window->Message().toStdString();
  QStringList problems;
  QObject::connect(player, &MpvPlayer::problemLogged, [&](const QString& line) { problems << line; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->AtEnd() || window->ExitStatus() != 0; }, 120000))
      << "stopped at " << player->Position() << " s";
  EXPECT_EQ(window->ExitStatus(), 0) << window->Message().toStdString();
  EXPECT_NEAR(player->Position(), 4.0, 0.1);
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

}  // namespace
}  // namespace vidplay::test
