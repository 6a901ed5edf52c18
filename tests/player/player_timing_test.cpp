// A watermark that lives in time, in the player: absent before its start,
// there once playback is seeked into its window.
#include "player/mpv_video_window.h"
#include "tests/player/player_fixture.h"

#include <QLabel>
#include <QTest>

namespace vidplay::test {
namespace {

namespace fs = std::filesystem;
using vidmora::test::ClipSpec;
using vidmora::test::SampleClip;

TEST_F(PlayerTest, ATimedMarkIsAbsentBeforeItsStartAndShownAfterASeekIntoIt) {
  WriteRedCornerTemplate(u"Late corner", 2000);
  ClipSpec spec;
  spec.seconds = 3;
  spec.extraArgs = {"-vf", "hue=s=0"};  // grey: red can only be the watermark
  const fs::path clip = SampleClip(spec);

  auto window = OpenPlayer(clip, QStringLiteral("Late corner"), QSize(320, 240));
  ASSERT_TRUE(PlayUntilThenPause(*window, 0.5)) << window->Message().toStdString();
  const QImage before = Grab(*window);
  SaveForReview(before, "player_timed_before_start");
  EXPECT_TRUE(PixelsWhere(before, IsRed).isEmpty()) << "the mark shows before its start";

  auto* time = window->findChild<QLabel*>(QStringLiteral("time_label"));
  ASSERT_NE(time, nullptr);
  window->Player()->SeekTo(2.4);
  EXPECT_TRUE(QTest::qWaitFor([&] { return time->text() == QStringLiteral("0:02"); }, 30000)) << time->text().toStdString();
  // Once mpv hands over the picture at the new place (the clip's clock in
  // its top-left corner changes), the mark is there.
  const QRect clock(QPoint(0, 0), before.size() / 3);
  QImage after;
  const bool shown = QTest::qWaitFor([&] {
    window->Video()->update();
    after = Grab(*window);
    return MeanDifference(after.copy(clock), before.copy(clock)) > 1 && !PixelsWhere(after, IsRed).isEmpty();
  }, 30000);
  SaveForReview(after, "player_timed_after_seek");
  ASSERT_TRUE(shown) << "no mark after the seek into its window";
  const QRect picture = window->Video()->PictureRect().toRect();
  const QRect red = PixelsWhere(after, IsRed);
  EXPECT_GT(red.left(), picture.center().x());
  EXPECT_GT(red.top(), picture.center().y());

  // Back before the start: gone again.
  window->Player()->SeekTo(1.0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return PixelsWhere(Grab(*window), IsRed).isEmpty(); }, 30000));
}

}  // namespace
}  // namespace vidplay::test
