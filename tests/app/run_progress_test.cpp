// The whole run's progress as the batch reports it to every front end.
#include "app/processing/run_progress.h"

#include <gtest/gtest.h>

namespace vidmora {
namespace {

TEST(RunProgress, CountsEndedRowsWholeAndRunningRowsByTheirFurthestFraction) {
  RunProgress run;
  run.Start();
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 0);
  EXPECT_LT(run.Of(4).secondsLeft, 0) << "nothing done yet: the time left is unknown";

  run.RowStarted(0);
  run.RowStarted(1);  // two files at once
  run.RowAdvanced(0, 0.5);
  run.RowAdvanced(1, 0.25);
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 0.75 / 4);
  run.RowAdvanced(0, 0.3);  // the encoder's fraction stepped back
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 0.75 / 4);

  run.RowEnded(0);
  run.RowAdvanced(0, 0.9);  // a late report of an ended row
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 1.25 / 4);
  EXPECT_GE(run.Of(4).secondsLeft, 0);
  EXPECT_DOUBLE_EQ(run.Of(5).fraction, 1.25 / 5) << "a file added during the run";

  run.RowEnded(1);
  run.RowStarted(2);
  run.RowEnded(2);
  run.RowStarted(3);
  run.RowEnded(3);
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 1);
  EXPECT_DOUBLE_EQ(run.Of(4).secondsLeft, 0);

  run.Start();  // the next run begins afresh
  EXPECT_DOUBLE_EQ(run.Of(4).fraction, 0);
  EXPECT_DOUBLE_EQ(RunProgress().Of(0).fraction, 0);
}

}  // namespace
}  // namespace vidmora
