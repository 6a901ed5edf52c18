#pragma once

// The whole run's progress, from its rows' events: a row that has ended counts
// whole, a row being encoded by its fraction (which never steps back, though
// the encoder's may as streams interleave), and the time left is the time so
// far scaled by what is left, as whole files take about as long as the ones
// done so far. One thread at a time (the batch calls it under its observer
// lock).

#include <chrono>
#include <map>

namespace vidmora {

struct RunFraction {
  double fraction = 0;      // 0..1 of the rows
  double secondsLeft = -1;  // negative while unknown
};

class RunProgress {
 public:
  // A new run begins now; `alreadyEnded` rows were done before it and count
  // as ended.
  void Start(int alreadyEnded = 0);
  void RowStarted(int row);
  // A report for a row that is not being encoded (any more) is ignored.
  void RowAdvanced(int row, double fraction);
  void RowEnded(int row);
  RunFraction Of(int rows) const;

 private:
  std::map<int, double> doing_;  // the rows being encoded (several files at once)
  int ended_ = 0;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace vidmora
