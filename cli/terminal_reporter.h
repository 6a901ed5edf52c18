#pragma once

// Prints what the batch does: a live progress line per file on a terminal,
// plain lines otherwise; messages for the user go to standard error. For
// machines (--report jsonl), one JSON object per file on standard output
// (source, output, state, reason, notes, seconds, frames, retry) and the
// human lines on standard error.
// Called from the batch's worker threads; output is serialised.

#include "app/processing/batch.h"
#include "app/processing/message_sink.h"
#include "cli/cli_options.h"

#include <QJsonObject>

#include <QStringList>

#include <cstdio>
#include <chrono>
#include <mutex>
#include <vector>

namespace vidmora::cli {

class TerminalReporter : public BatchObserver, public MessageSink {
 public:
  // `liveProgress` allows the redrawn progress line on a terminal (one file at a time).
  TerminalReporter(QStringList files, bool quiet, ReportFormat format, bool liveProgress = true);

  void RowStateChanged(int row, const RowStatus& status) override;
  void RowProgressed(int row, const EncodeProgress& progress) override;
  void RunFinished(const RunSummary& summary) override;
  void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;

  // A note for the user (standard error), e.g. about Ctrl-C.
  void Note(const QString& text);

  // What the run's end reported (after Batch::Wait).
  RunSummary Summary() const;

  // After the run: the rows that never ended (not processed), and whether
  // any row failed for a cause that may pass.
  std::vector<int> UnfinishedRows() const;
  bool AnyRetryMayHelp() const;
  QStringList RetryableFiles() const;
  // A JSON line on standard output (jsonl only).
  void Emit(const QJsonObject& object);
  // The JSON object of an unfinished row.
  void EmitNotProcessed(int row);

 private:
  void EndProgressLine();  // under mutex_
  QString Label(int row) const;
  void EmitRow(int row, const char* state, const RowStatus& status);  // under mutex_

  struct Row {
    std::chrono::steady_clock::time_point started{};
    bool hasStarted = false;
    bool ended = false;
    bool retryMayHelp = false;
    long long frames = 0;
  };

  const QStringList files_;
  const bool quiet_;
  const bool json_;
  FILE* const lines_;  // the human lines of done and skipped files
  const bool liveProgress_;
  std::vector<Row> rows_;
  mutable std::mutex mutex_;
  bool progressLineOpen_ = false;
  double lastProgressPrint_ = -1;
  RunSummary summary_;
};

}  // namespace vidmora::cli
