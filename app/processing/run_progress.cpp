#include "app/processing/run_progress.h"

#include <algorithm>

namespace vidmora {

void RunProgress::Start(int alreadyEnded) {
  doing_.clear();
  ended_ = alreadyEnded;
  started_ = std::chrono::steady_clock::now();
}

void RunProgress::RowStarted(int row) { doing_[row] = 0; }

void RunProgress::RowAdvanced(int row, double fraction) {
  const auto found = doing_.find(row);
  if (found != doing_.end()) found->second = std::max(found->second, std::clamp(fraction, 0.0, 1.0));
}

void RunProgress::RowEnded(int row) {
  doing_.erase(row);
  ++ended_;
}

RunFraction RunProgress::Of(int rows) const {
  if (rows <= 0) return {};
  double doing = 0;
  for (const auto& [row, fraction] : doing_) doing += fraction;
  RunFraction run;
  run.fraction = std::min(1.0, (ended_ + doing) / rows);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  if (run.fraction > 0.001) run.secondsLeft = elapsed * (1 - run.fraction) / run.fraction;
  return run;
}

}  // namespace vidmora
