// vidmora-cli watch IN --output-dir OUT: watermarks every video that appears
// in IN once it is complete, into OUT, never twice (see watch_record.h).

#include "app/processing/batch.h"
#include "app/processing/engine.h"
#include "app/processing/file_checks.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/source_in_use.h"
#include "app/processing/templates/template_check.h"
#include "app/processing/templates/template_store.h"
#include "cli/commands.h"
#include "cli/interrupt_watch.h"
#include "cli/overridden_settings.h"
#include "cli/terminal_reporter.h"
#include "cli/watch_record.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace vidmora::cli {

namespace {

// Ends the watch: one request finishes the current file first, a second
// (or SIGTERM) abandons it.
class WatchStop {
 public:
  void Request(int count) {
    std::lock_guard lock(mutex_);
    requests_ = count;
    if (batch_) count == 1 ? batch_->Stop() : batch_->Abort();
    wake_.notify_all();
  }
  bool Requested() {
    std::lock_guard lock(mutex_);
    return requests_ > 0;
  }
  // Waits up to `seconds`; false when the watch is to end.
  bool Sleep(double seconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return requests_ > 0; });
  }
  void SetBatch(Batch* batch) {
    std::lock_guard lock(mutex_);
    batch_ = batch;
    if (batch_ && requests_ > 1) batch_->Abort();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  int requests_ = 0;
  Batch* batch_ = nullptr;
};

struct FileEnd {
  QString state;       // for the record: done, failed, skipped, retry
  bool abandoned = false;
};

FileEnd Watermark(const QString& source, const CliOptions& options, JobSettingsSource& settings, WatchStop& stop) {
  TerminalReporter reporter({source}, options.quiet, options.report);
  Batch batch(settings, reporter, &reporter, EncoderLibraryFolder());
  RunOptions run;
  run.existing = options.existing;
  run.skipExisting = options.skipExisting;
  batch.SetRunOptions(run);
  batch.AddFile(source);
  stop.SetBatch(&batch);
  batch.StartProcessing();
  batch.Wait();
  stop.SetBatch(nullptr);
  const RunSummary summary = reporter.Summary();
  if (summary.done > 0) return {"done"};
  if (summary.skipped > 0) return {"skipped"};
  // A file that failed for good stays failed, also when a stop arrived after
  // its result was known.
  if (summary.failed > 0 && !reporter.AnyRetryMayHelp()) return {"failed"};
  if (summary.outcome == RunOutcome::Abandoned) return {{}, true};
  if (summary.failed > 0) return {"retry"};
  return {{}, summary.outcome != RunOutcome::AllDone};
}

}  // namespace

int RunWatchCommand(const CliOptions& options) {
  const QString in = QFileInfo(options.watchFolder).absoluteFilePath();
  const QString out = QFileInfo(*options.overrides.outputFolder).absoluteFilePath();
  if (!QFileInfo(in).isDir()) {
    PrintError(QString("watch: %1 is not a folder").arg(in));
    return kExitUsage;
  }
  if (QFileInfo(out).exists() && IsSameFile(in, out)) {
    PrintError("watch: the output folder is the watched folder; the outputs would be watermarked again");
    return kExitUsage;
  }
  std::optional<OverriddenJobSettings> chosen;
  if (const int status = ChooseSettings(options, chosen); status != kExitOk) return status;
  OverriddenJobSettings& settings = *chosen;

  QString warning;
  WatchRecord record(WatchRecordPath(in, out), warning);
  if (!warning.isEmpty()) PrintError("warning: " + warning);

  WatchStop stop;
  InterruptWatch watch([&](int count) { stop.Request(count); });
  if (!options.quiet) PrintError(QString("watching %1 (outputs into %2); Ctrl-C ends").arg(in, out));

  // A file is complete when two looks in a row find it the same and no
  // program holds it open for writing.
  std::map<QString, FileStamp> lastSeen;
  bool abandoned = false;
  while (!stop.Requested()) {
    const QFileInfoList entries = QDir(in).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
      if (stop.Requested()) break;
      const QString source = entry.absoluteFilePath();
      const std::optional<FileStamp> stamp = StampOf(source);
      if (!stamp || record.Handled(source, *stamp)) continue;
      const auto seen = lastSeen.find(source);
      if (seen == lastSeen.end() || !(seen->second == *stamp)) {
        lastSeen[source] = *stamp;
        continue;
      }
      if (IsOpenForWritingElsewhere(source)) continue;
      const FileEnd end = Watermark(source, options, settings, stop);
      lastSeen.erase(source);
      if (end.abandoned) abandoned = true;
      if (end.state.isEmpty()) continue;
      if (const QString problem = record.Note(source, *stamp, end.state); !problem.isEmpty())
        PrintError(QString("warning: the watch record cannot be saved (%1); a restart may handle %2 again")
                       .arg(problem, source));
    }
    if (!stop.Sleep(options.pollSeconds)) break;
  }
  return abandoned ? kExitTempFail : kExitOk;
}

}  // namespace vidmora::cli
