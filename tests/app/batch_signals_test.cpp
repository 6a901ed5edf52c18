#include "app/processing/batch_signals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace vidmora {
namespace {

// The adapter is called from a second thread, as the batch's worker calls it;
// every signal must reach a receiver of the user-interface thread on that
// thread, in order.
TEST(BatchSignals, EventsFromAWorkerArriveAsSignalsOnTheUserInterfaceThreadInOrder) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  BatchSignals adapter;
  QObject receiver;  // lives on the user-interface thread
  std::vector<QString> received;
  bool onUiThread = true;
  bool finished = false;
  const auto note = [&](const QString& what) {
    onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    received.push_back(what);
  };
  QObject::connect(&adapter, &BatchSignals::runStarted, &receiver,
                   [&](int rows) { note(QString("started %1").arg(rows)); });
  QObject::connect(&adapter, &BatchSignals::rowStateChanged, &receiver, [&](int row, const RowStatus& status) {
    note(QString("row %1 state %2 %3").arg(row).arg(static_cast<int>(status.state)).arg(status.reason));
  });
  QObject::connect(&adapter, &BatchSignals::rowProgressed, &receiver, [&](int row, const EncodeProgress& progress) {
    note(QString("row %1 at %2").arg(row).arg(progress.fraction));
  });
  QObject::connect(&adapter, &BatchSignals::message, &receiver,
                   [&](const QString& text, const QString&, MessageIcon) { note("message " + text); });
  QObject::connect(&adapter, &BatchSignals::runFinished, &receiver, [&](const RunSummary& summary) {
    note(QString("finished %1 done").arg(summary.done));
    finished = true;
  });

  std::thread worker([&adapter] {
    adapter.RunStarted(1);
    adapter.RowStateChanged(0, {RowState::Doing, {}, "/o.mp4", {}});
    adapter.RowProgressed(0, {0.5, 12, 1.0});
    adapter.ShowMessage("careful", "Vidmora", MessageIcon::Warning);
    adapter.RowStateChanged(0, {RowState::Failed, "broken", "/o.mp4", {}});
    adapter.RunFinished({RunOutcome::AllDone, 0, 1, 0, 0, {}});
  });
  worker.join();
  EXPECT_TRUE(received.empty());  // nothing is delivered on the worker, nor before the loop runs

  const QDeadlineTimer deadline(30000);
  while (!finished && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

  EXPECT_TRUE(onUiThread);
  const std::vector<QString> expected = {"started 1",       "row 0 state 1 ",       "row 0 at 0.5",
                                         "message careful", "row 0 state 3 broken", "finished 0 done"};
  EXPECT_EQ(received, expected);
}

}  // namespace
}  // namespace vidmora
