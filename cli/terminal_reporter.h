#pragma once

// Prints what the batch does: a live progress line per file on a terminal,
// plain lines otherwise; messages for the user go to standard error.
// Called from the batch's worker thread; output is serialised.

#include "app/processing/batch.h"
#include "app/processing/message_sink.h"

#include <QStringList>

#include <cstdio>
#include <mutex>

namespace vidmora::cli {

class TerminalReporter : public BatchObserver, public MessageSink {
 public:
  TerminalReporter(QStringList files, bool quiet);

  void RowStateChanged(int row, const RowStatus& status) override;
  void RowProgressed(int row, const EncodeProgress& progress) override;
  void RunFinished(const RunSummary& summary) override;
  void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;

  // A note for the user (standard error), e.g. about Ctrl-C.
  void Note(const QString& text);

  // What the run's end reported (after Batch::Wait).
  RunSummary Summary() const;

 private:
  void EndProgressLine();  // under mutex_
  QString Label(int row) const;

  const QStringList files_;
  const bool quiet_;
  const bool liveProgress_;
  mutable std::mutex mutex_;
  bool progressLineOpen_ = false;
  double lastProgressPrint_ = -1;
  RunSummary summary_;
};

}  // namespace vidmora::cli
