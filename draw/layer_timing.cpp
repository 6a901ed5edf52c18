#include "draw/layer_timing.h"

#include "draw/frame_rect.h"
#include "draw/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glyphra {
namespace {

constexpr int64_t kNoEnd = std::numeric_limits<int64_t>::max();

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Where the layer's window ends on the clip.
int64_t WindowEnd(const LayerTiming& timing, int64_t clipMs) {
  if (timing.endTime > 0) return timing.endTime;
  if (clipMs <= 0) return kNoEnd;
  return timing.endTime < 0 ? clipMs + timing.endTime : clipMs;
}

// Top-left corner of the box at an anchor, with the layer's offsets, kept inside the frame.
QPointF AnchoredCorner(int anchor, const LayerTiming& timing, QSize frameSize, QSizeF boxSize) {
  const FrameRect frame{0, 0, frameSize.width(), frameSize.height()};
  const QPointF corner = TextAnchor(anchor, frame, boxSize, timing.offsetH, timing.offsetV);
  return corner;
}

// Keeps a corner where the whole box lies in the frame (along an axis the box fits).
QPointF Inside(QPointF corner, QSize frameSize, QSize boxSize) {
  const double roomX = frameSize.width() - boxSize.width();
  const double roomY = frameSize.height() - boxSize.height();
  if (roomX >= 0) corner.setX(std::clamp(corner.x(), 0.0, roomX));
  if (roomY >= 0) corner.setY(std::clamp(corner.y(), 0.0, roomY));
  return corner;
}

// u folded into [0, room] as a ball bounces between two walls.
double Fold(double u, double room) {
  if (room <= 0) return 0;
  double m = std::fmod(u, 2 * room);
  if (m < 0) m += 2 * room;
  return m <= room ? m : 2 * room - m;
}

QPointF MovedCorner(const LayerTiming& timing, int64_t sinceStart, QSize frameSize, QRect box) {
  const QPointF home = box.topLeft();
  switch (static_cast<MotionKind>(timing.motionKind)) {
    case MotionKind::kDrift: {
      if (timing.motionPeriod <= 0) return home;
      const QPointF there = Inside(AnchoredCorner(timing.motionToLocation, timing, frameSize, box.size()), frameSize,
                                   box.size());
      const QPointF from = Inside(home, frameSize, box.size());
      const double phase = static_cast<double>(sinceStart % timing.motionPeriod) / timing.motionPeriod;
      const double f = phase <= 0.5 ? 2 * phase : 2 - 2 * phase;
      return from + (there - from) * f;
    }
    case MotionKind::kBounce: {
      if (timing.motionSpeed <= 0) return home;
      const double distance =
          timing.motionSpeed / 100.0 * frameSize.width() * (static_cast<double>(sinceStart) / 1000.0);
      const double roomX = frameSize.width() - box.width();
      const double roomY = frameSize.height() - box.height();
      const QPointF from = Inside(home, frameSize, box.size());
      return {roomX >= 0 ? Fold(from.x() + distance, roomX) : home.x(),
              roomY >= 0 ? Fold(from.y() + distance, roomY) : home.y()};
    }
    case MotionKind::kJump: {
      if (timing.motionPeriod <= 0) return home;
      const int64_t step = sinceStart / timing.motionPeriod;
      if (step == 0) return Inside(home, frameSize, box.size());
      return Inside(AnchoredCorner(JumpAnchor(timing, step), timing, frameSize, box.size()), frameSize, box.size());
    }
    case MotionKind::kStill:
    default:
      return home;
  }
}

}  // namespace

bool LayerTiming::IsTimed() const {
  return startTime != 0 || endTime != 0 || fadeIn > 0 || fadeOut > 0 || repeatEvery > 0 ||
         (motionKind >= 1 && motionKind <= 3);
}

int JumpAnchor(const LayerTiming& timing, int64_t step) {
  int anchor = timing.location >= 0 && timing.location <= 8 ? timing.location : 0;
  const uint64_t seed = static_cast<uint64_t>(static_cast<uint32_t>(timing.motionSeed)) << 32;
  for (int64_t k = 1; k <= step; ++k)
    anchor = static_cast<int>((anchor + 1 + Mix(seed ^ static_cast<uint64_t>(k)) % 8) % 9);
  return anchor;
}

MarkState MarkStateAt(const LayerTiming& timing, FrameTime time, QSize frameSize, QRect box) {
  MarkState state;
  if (!time.Known() || !timing.IsTimed()) return state;
  const int64_t t = time.frameMs;
  const int64_t start = std::max<int64_t>(0, timing.startTime);
  const int64_t end = WindowEnd(timing, time.clipMs);
  if (t < start || t >= end) {
    state.visible = false;
    return state;
  }
  int64_t shownFrom = start;
  int64_t shownUntil = end;
  if (timing.repeatEvery > 0) {
    shownFrom = start + (t - start) / timing.repeatEvery * timing.repeatEvery;
    const int64_t shownFor = timing.showFor > 0 ? std::min(timing.showFor, timing.repeatEvery) : timing.repeatEvery;
    shownUntil = std::min(end, shownFrom + shownFor);
    if (t >= shownUntil) {
      state.visible = false;
      return state;
    }
  }
  if (timing.fadeIn > 0) state.opacity = std::min(state.opacity, static_cast<double>(t - shownFrom) / timing.fadeIn);
  if (timing.fadeOut > 0 && shownUntil != kNoEnd)
    state.opacity = std::min(state.opacity, static_cast<double>(shownUntil - t) / timing.fadeOut);
  state.opacity = std::clamp(state.opacity, 0.0, 1.0);
  if (!box.isEmpty()) {
    const QPointF corner = MovedCorner(timing, t - start, frameSize, box);
    state.offset = QPoint(static_cast<int>(std::lround(corner.x())), static_cast<int>(std::lround(corner.y()))) -
                   box.topLeft();
  }
  return state;
}

}  // namespace glyphra
