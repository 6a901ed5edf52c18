#pragma once

namespace vidmora {

// How far the encode of one file has come, as the encoder reports it.
struct EncodeProgress {
  double fraction = 0;        // 0..1 of the source's duration
  long long frames = 0;       // video frames encoded
  double elapsedSeconds = 0;  // since the encode started

  double FramesPerSecond() const { return elapsedSeconds > 0 ? static_cast<double>(frames) / elapsedSeconds : 0; }
  // Estimated seconds left; negative when not yet known.
  double SecondsLeft() const { return fraction > 0.001 ? elapsedSeconds * (1 - fraction) / fraction : -1; }
};

}  // namespace vidmora
