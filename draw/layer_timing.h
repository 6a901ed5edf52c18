#pragma once

// When and where a layer shows on a frame of a clip: its time window (with
// repeats), its fades and its motion. The layer is painted once per clip;
// each frame only blends it with an opacity and an offset, which are worked
// out here as a pure function of the frame's time. Plain values; any thread.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>

namespace glyphra {

// A frame's place in its clip. A negative frame time means "no time": every
// layer is shown still and opaque, as it is painted (the calls that know no
// time paint that way).
struct FrameTime {
  int64_t frameMs = -1;
  int64_t clipMs = 0;  // the clip's length; 0 when unknown (then "to the end" has no end)
  // For the frame tokens: the output frame's number from 0 (-1: taken from
  // frameMs), the frame rate (0: 25 a second) and the frames the source's
  // timecode counts at its first frame.
  int64_t frameIndex = -1;
  int32_t rateNum = 0;
  int32_t rateDen = 1;
  int64_t startFrames = 0;
  bool Known() const { return frameMs >= 0; }
};

enum class MotionKind : int32_t { kStill = 0, kDrift = 1, kBounce = 2, kJump = 3 };

// The stored timing and motion of a layer (milliseconds; see edited_layer.h)
// and where the layer sits when still: its anchor and offsets.
struct LayerTiming {
  int32_t startTime = 0;
  int32_t endTime = 0;
  int32_t fadeIn = 0;
  int32_t fadeOut = 0;
  int32_t repeatEvery = 0;
  int32_t showFor = 0;
  int32_t motionKind = 0;
  int32_t motionToLocation = 0;
  int32_t motionPeriod = 0;
  int32_t motionSpeed = 0;
  int32_t motionSeed = 0;
  // The layer's own placement: the part that decides it (the text, or the
  // picture of a layer without text).
  int32_t location = 0;
  int32_t offsetH = 0;
  int32_t offsetV = 0;

  // True when any frame differs from the layer as painted.
  bool IsTimed() const;
};

// How a layer shows on one frame.
struct MarkState {
  bool visible = true;
  double opacity = 1.0;  // 0..1, times the layer's own
  QPoint offset;         // moves the painted layer
};

// The state of a layer whose painted pixels cover `box` (in frame pixels) on
// a frame of `frameSize` at `time`. A moving layer stays wholly inside the
// frame (when it fits). Motion counts from the layer's start time.
MarkState MarkStateAt(const LayerTiming& timing, FrameTime time, QSize frameSize, QRect box);

// Jump: the anchor (0..8) of the layer's `step`-th place since its start;
// step 0 is its own location. Never the same anchor twice in a row; the same
// seed gives the same sequence.
int JumpAnchor(const LayerTiming& timing, int64_t step);

}  // namespace glyphra
