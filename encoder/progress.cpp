#include "encoder/progress.h"

#include <algorithm>

namespace vencor {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(250);
}

ProgressReporter::ProgressReporter(VencorProgressCallback callback, void* userData, double durationSeconds)
    : callback_(callback),
      userData_(userData),
      durationSeconds_(durationSeconds),
      start_(std::chrono::steady_clock::now()),
      lastCall_(start_) {}

bool ProgressReporter::Report(double positionSeconds, long long frames, bool force) {
  if (!callback_ || stop_) return stop_;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastCall_ < kInterval) return false;
  const double fraction = durationSeconds_ > 0 ? std::clamp(positionSeconds / durationSeconds_, 0.0, 1.0) : 0.0;
  return Call(fraction, frames);
}

bool ProgressReporter::Finish(long long frames) { return callback_ && !stop_ ? Call(1.0, frames) : stop_; }

bool ProgressReporter::Call(double fraction, long long frames) {
  lastCall_ = std::chrono::steady_clock::now();
  const VencorProgress progress{fraction, frames, std::chrono::duration<double>(lastCall_ - start_).count()};
  stop_ = callback_(&progress, userData_) != 0;
  return stop_;
}

}  // namespace vencor
