#pragma once

// Progress reports to the caller's callback, from timestamps, throttled.
// Used on the thread of dowm only.

#include "encoder/vencor.h"

#include <chrono>

namespace vencor {

class ProgressReporter {
 public:
  // `durationSeconds` <= 0: unknown; fractions then stay 0 until the end.
  ProgressReporter(VencorProgressCallback callback, void* userData, double durationSeconds);

  // Calls the callback when a quarter second passed since the last call (or
  // always with `force`). Returns true once the callback asked to stop.
  bool Report(double positionSeconds, long long frames, bool force = false);
  // The end: fraction 1.
  bool Finish(long long frames);
  bool StopRequested() const { return stop_; }

 private:
  bool Call(double fraction, long long frames);

  VencorProgressCallback callback_;
  void* userData_;
  double durationSeconds_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastCall_;
  bool stop_ = false;
};

}  // namespace vencor
