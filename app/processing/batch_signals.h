#pragma once

// The Qt adapter of the batch: a QObject that receives the batch's events and
// its messages on the worker thread and emits them as signals there. Qt
// queues each call to a receiver that lives on another thread, so slots of
// user-interface objects run on the user-interface thread, in the order of the
// events, and may touch widgets. Always connect with a receiver or a context
// object of that thread: a receiver connected with Qt::DirectConnection runs
// on the worker (tests use that to hold the worker at a known point).
//
// Give the adapter to the Batch as its observer and message sink; it must
// outlive the batch.

#include "app/processing/batch.h"
#include "app/processing/message_sink.h"

#include <QObject>

namespace vidmora {

class BatchSignals : public QObject, public BatchObserver, public MessageSink {
  Q_OBJECT

 public:
  explicit BatchSignals(QObject* parent = nullptr);

  // BatchObserver and MessageSink: called on the batch's worker thread.
  void RunStarted(int rows) override;
  void RowStateChanged(int row, const RowStatus& status) override;
  void RowProgressed(int row, const EncodeProgress& progress) override;
  void RunProgressed(const RunFraction& run) override;
  void RunFinished(const RunSummary& summary) override;
  void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;

 signals:
  void runStarted(int rows);
  void rowStateChanged(int row, const vidmora::RowStatus& status);
  void rowProgressed(int row, const vidmora::EncodeProgress& progress);
  void runProgressed(const vidmora::RunFraction& run);
  void runFinished(const vidmora::RunSummary& summary);
  // A message for the user (show it in a message box).
  void message(const QString& text, const QString& caption, vidmora::MessageIcon icon);
};

}  // namespace vidmora

Q_DECLARE_METATYPE(vidmora::RowStatus)
Q_DECLARE_METATYPE(vidmora::EncodeProgress)
Q_DECLARE_METATYPE(vidmora::RunSummary)
Q_DECLARE_METATYPE(vidmora::RunFraction)
Q_DECLARE_METATYPE(vidmora::MessageIcon)
