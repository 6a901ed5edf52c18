#include "app/processing/preview_frame.h"

#include "tests/app/engine_fixture.h"

#include <algorithm>
#include <cstdlib>

namespace vidmora::test {
namespace {

// Mean difference per channel of two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB888);
  const QImage y = b.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    const uchar* p = x.constScanLine(row);
    const uchar* q = y.constScanLine(row);
    for (int i = 0; i < x.width() * 3; ++i) sum += std::abs(p[i] - q[i]);
  }
  return sum / (double(x.width()) * x.height() * 3);
}

using FrameGrabTest = EngineTest;

TEST_F(FrameGrabTest, APortraitPhoneClipIsUprightAtItsDisplayedSize) {
  ClipSpec spec = SmallClip();  // stored 320 × 240, shown turned by 90 degrees
  spec.seconds = 2;
  spec.rotation = 90;
  spec.audio = false;
  const QString clip = MakeSource("portrait.mp4", spec);

  const GrabbedFrame grabbed = GrabFrame(ProgramFolder(), clip, 1.0);

  ASSERT_FALSE(grabbed.image.isNull()) << grabbed.error.toStdString();
  EXPECT_TRUE(grabbed.error.isEmpty());
  EXPECT_EQ(grabbed.image.size(), QSize(240, 320));
  // The frame shown at 1 s (frame 25 at 25 frames/s) as the ffmpeg tool shows it.
  const QImage shown = DecodeFrame(sources_ / "portrait.mp4", 25);
  ASSERT_EQ(shown.size(), QSize(240, 320));
  EXPECT_LT(MeanDifference(grabbed.image, shown), 4.0);
  // A time beyond the end gives the last frame; the first frame differs from it.
  const GrabbedFrame last = GrabFrame(ProgramFolder(), clip, 99);
  ASSERT_FALSE(last.image.isNull());
  EXPECT_LT(MeanDifference(last.image, DecodeFrame(sources_ / "portrait.mp4", -1)), 4.0);
  EXPECT_GT(MeanDifference(last.image, GrabFrame(ProgramFolder(), clip, 0).image), 4.0);
  grabbed.image.save(QString::fromStdString((TestOutputDir() / "app_frame_grab_portrait.png").string()));
}

TEST_F(FrameGrabTest, WhatIsNoVideoGivesAReasonAndNoPicture) {
  const std::filesystem::path text = sources_ / "notes.mp4";
  WriteFile(text, "this is a text file, not a video\n");
  for (const QString& path :
       {QString::fromStdString(text.string()), QString::fromStdString((sources_ / "gone.mp4").string())}) {
    const GrabbedFrame grabbed = GrabFrame(ProgramFolder(), path, 0);
    EXPECT_TRUE(grabbed.image.isNull());
    EXPECT_TRUE(grabbed.error.contains(path)) << grabbed.error.toStdString();
  }
  const GrabbedFrame noLibrary =
      GrabFrame(QString::fromStdString(env_.MakeDir("empty").string()), MakeSource("a.mp4"), 0);
  EXPECT_TRUE(noLibrary.image.isNull());
  EXPECT_TRUE(noLibrary.error.contains("libvencor.so")) << noLibrary.error.toStdString();
}

}  // namespace
}  // namespace vidmora::test
