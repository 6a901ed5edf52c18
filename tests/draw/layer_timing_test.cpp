// When and where a timed layer shows: windows, repeats, fades and motion, as
// a function of the frame's time.

#include "draw/layer_timing.h"

#include <gtest/gtest.h>

#include <set>

namespace glyphra {
namespace {

const QSize kFrame(320, 240);
const QRect kBox(0, 0, 40, 20);  // painted at the top left

LayerTiming Window(int start, int end, int fadeIn = 0, int fadeOut = 0, int repeatEvery = 0, int showFor = 0) {
  LayerTiming timing;
  timing.startTime = start;
  timing.endTime = end;
  timing.fadeIn = fadeIn;
  timing.fadeOut = fadeOut;
  timing.repeatEvery = repeatEvery;
  timing.showFor = showFor;
  return timing;
}

MarkState At(const LayerTiming& timing, int64_t ms, int64_t clipMs = 10000, QRect box = kBox) {
  return MarkStateAt(timing, FrameTime{ms, clipMs}, kFrame, box);
}

TEST(LayerTiming, WindowsAndRepeats) {
  struct Case {
    LayerTiming timing;
    int64_t ms;
    int64_t clipMs;
    bool visible;
  };
  const Case cases[] = {
      {Window(2000, 5000), 1999, 10000, false},
      {Window(2000, 5000), 2000, 10000, true},
      {Window(2000, 5000), 4999, 10000, true},
      {Window(2000, 5000), 5000, 10000, false},
      {Window(0, -3000), 6999, 10000, true},  // counts back from the end
      {Window(0, -3000), 7000, 10000, false},
      {Window(0, -3000), 9000, 0, true},      // clip length unknown: to the end
      {Window(1000, 0), 9999, 10000, true},   // 0: to the end
      {Window(0, 0, 0, 0, 4000, 1000), 0, 10000, true},
      {Window(0, 0, 0, 0, 4000, 1000), 999, 10000, true},
      {Window(0, 0, 0, 0, 4000, 1000), 1000, 10000, false},
      {Window(0, 0, 0, 0, 4000, 1000), 4000, 10000, true},
      {Window(0, 0, 0, 0, 4000, 1000), 8500, 10000, true},
      {Window(500, 0, 0, 0, 4000, 1000), 4400, 10000, false},  // repeats count from the start
      {Window(500, 0, 0, 0, 4000, 1000), 4500, 10000, true},
  };
  for (const Case& c : cases) {
    const MarkState state = At(c.timing, c.ms, c.clipMs);
    EXPECT_EQ(state.visible, c.visible) << c.timing.startTime << "/" << c.timing.endTime << " at " << c.ms;
  }
}

TEST(LayerTiming, FadesScaleOpacityLinearlyInEachShowing) {
  struct Case {
    LayerTiming timing;
    int64_t ms;
    double opacity;
  };
  const Case cases[] = {
      {Window(1000, 0, 800), 1000, 0.0},
      {Window(1000, 0, 800), 1400, 0.5},
      {Window(1000, 0, 800), 1800, 1.0},
      {Window(0, 0, 0, 1000), 9500, 0.5},                // fade out before the clip's end
      {Window(0, -2000, 0, 1000), 7500, 0.5},            // before a window's end
      {Window(0, 0, 200, 200, 3000, 1000), 3100, 0.5},   // every repeat fades in
      {Window(0, 0, 200, 200, 3000, 1000), 3900, 0.5},   // and out
      {Window(0, 0, 200, 200, 3000, 1000), 3500, 1.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(At(c.timing, c.ms).opacity, c.opacity, 1e-9) << c.ms;
  // Without a time, or without timing, the layer is as painted.
  EXPECT_TRUE(MarkStateAt(Window(5000, 6000), FrameTime{}, kFrame, kBox).visible);
  EXPECT_EQ(At(LayerTiming{}, 1234).opacity, 1.0);
}

TEST(LayerTiming, DriftGoesToTheSecondAnchorAndBack) {
  LayerTiming timing;
  timing.motionKind = 1;
  timing.motionToLocation = 8;  // bottom right
  timing.motionPeriod = 4000;
  timing.startTime = 1000;      // motion counts from the start
  const QPoint there(kFrame.width() - kBox.width(), kFrame.height() - kBox.height());
  struct Case {
    int64_t ms;
    QPoint offset;
  };
  const Case cases[] = {
      {1000, {0, 0}}, {2000, there / 2}, {3000, there}, {4000, there / 2}, {5000, {0, 0}}, {7000, there},
  };
  for (const Case& c : cases) EXPECT_EQ(At(timing, c.ms).offset, c.offset) << c.ms;
  // The layer's offsets hold at the second anchor too (added, as everywhere).
  timing.motionToLocation = 4;
  timing.offsetH = 10;
  timing.offsetV = 5;
  EXPECT_EQ(At(timing, 3000).offset, QPoint(140 + 10, 110 + 5));
}

TEST(LayerTiming, BounceStaysInsideAndTurnsAtTheEdges) {
  LayerTiming timing;
  timing.motionKind = 2;
  timing.motionSpeed = 25;  // 80 pixels a second on a 320-pixel frame
  const QRect box(100, 50, 40, 20);
  int turnsX = 0, turnsY = 0, lastDx = 0, lastDy = 0;
  QPoint last = box.topLeft();
  for (int64_t ms = 0; ms <= 60000; ms += 40) {
    const MarkState state = MarkStateAt(timing, FrameTime{ms, 60000}, kFrame, box);
    const QRect moved = box.translated(state.offset);
    ASSERT_TRUE(QRect(QPoint(0, 0), kFrame).contains(moved)) << ms;
    const QPoint step = moved.topLeft() - last;
    if (step.x() != 0 && lastDx != 0 && (step.x() > 0) != (lastDx > 0)) {
      ++turnsX;
      EXPECT_TRUE(moved.left() <= 4 || moved.right() >= kFrame.width() - 5) << ms;
    }
    if (step.y() != 0 && lastDy != 0 && (step.y() > 0) != (lastDy > 0)) {
      ++turnsY;
      EXPECT_TRUE(moved.top() <= 4 || moved.bottom() >= kFrame.height() - 5) << ms;
    }
    if (step.x() != 0) lastDx = step.x();
    if (step.y() != 0) lastDy = step.y();
    last = moved.topLeft();
  }
  // 4800 pixels of travel each way: (280 + 280) per round trip across, (220 + 220) down.
  EXPECT_GE(turnsX, 16);
  EXPECT_GE(turnsY, 20);
}

TEST(LayerTiming, JumpsFollowTheSeedAndNeverRepeatAnAnchor) {
  LayerTiming timing;
  timing.motionKind = 3;
  timing.motionPeriod = 1000;
  timing.location = 4;
  const auto sequence = [&](int seed) {
    timing.motionSeed = seed;
    std::vector<int> anchors;
    anchors.reserve(40);
    for (int step = 0; step < 40; ++step) anchors.push_back(JumpAnchor(timing, step));
    return anchors;
  };
  const std::vector<int> first = sequence(7);
  EXPECT_EQ(first, sequence(7));
  EXPECT_NE(first, sequence(8));
  EXPECT_EQ(first[0], 4);  // the layer's own place first
  std::set<int> seen;
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_GE(first[i], 0);
    EXPECT_LE(first[i], 8);
    if (i > 0) {
      EXPECT_NE(first[i], first[i - 1]) << i;
    }
    seen.insert(first[i]);
  }
  EXPECT_GE(seen.size(), 7u);

  // The painted layer moves to each anchor's place, wholly inside, and stays between jumps.
  timing.motionSeed = 7;
  const QRect centred(140, 110, 40, 20);
  for (int step = 0; step < 10; ++step) {
    const MarkState a = MarkStateAt(timing, FrameTime{int64_t{step} * 1000, 0}, kFrame, centred);
    const MarkState b = MarkStateAt(timing, FrameTime{int64_t{step} * 1000 + 999, 0}, kFrame, centred);
    EXPECT_EQ(a.offset, b.offset) << step;
    const QRect moved = centred.translated(a.offset);
    EXPECT_TRUE(QRect(QPoint(0, 0), kFrame).contains(moved)) << step;
    const int anchor = JumpAnchor(timing, step);
    EXPECT_EQ(moved.left(), (anchor % 3) * (kFrame.width() - 40) / 2) << step;
    EXPECT_EQ(moved.top(), (anchor / 3) * (kFrame.height() - 20) / 2) << step;
  }
}

}  // namespace
}  // namespace glyphra
