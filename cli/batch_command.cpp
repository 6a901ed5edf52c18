#include "app/processing/batch.h"
#include "app/processing/engine.h"
#include "app/processing/job_settings.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_check.h"
#include "app/processing/templates/template_store.h"
#include "cli/commands.h"
#include "cli/file_list.h"
#include "cli/interrupt_watch.h"
#include "cli/overridden_settings.h"
#include "cli/terminal_reporter.h"

#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace vidmora::cli {

void PrintError(const QString& text) {
  std::fprintf(stderr, "vidmora-cli: %s\n", text.toLocal8Bit().constData());
}

namespace {

// The files of this task: the arguments, then the list file, then this
// task's share. Nothing with `error` set on a usage error.
std::optional<QStringList> TaskFiles(const CliOptions& options, QString& error, QString& shardText) {
  QStringList files = options.files;
  if (options.filesFrom) {
    const std::optional<QStringList> listed = ReadFileList(*options.filesFrom, error);
    if (!listed) return std::nullopt;
    files << *listed;
  }
  if (files.isEmpty()) {
    error = "no video files given";
    return std::nullopt;
  }
  if (!options.shard) return files;
  std::optional<Shard> shard;
  if (*options.shard == "auto") {
    shard = ShardFromEnvironment([](const char* name) { return qEnvironmentVariable(name); }, options.shards, error);
  } else {
    shard = ParseShard(*options.shard, error);
  }
  if (!shard) return std::nullopt;
  shardText = QString("%1/%2").arg(shard->index).arg(shard->count);
  if (!shard->origin.isEmpty()) PrintError(QString("shard %1 (from %2)").arg(shardText, shard->origin));
  return FilesOfShard(files, *shard);
}

}  // namespace

int RunBatchCommand(const CliOptions& options) {
  QString error;
  QString shardText;
  const std::optional<QStringList> taskFiles = TaskFiles(options, error, shardText);
  if (!taskFiles) {
    PrintError(error + "\nTry 'vidmora-cli --help'.");
    return kExitUsage;
  }
  QStringList files;
  for (const QString& file : *taskFiles) files << QFileInfo(file).absoluteFilePath();

  std::optional<OverriddenJobSettings> chosen;
  if (const int status = ChooseSettings(options, chosen); status != kExitOk) return status;
  OverriddenJobSettings& settings = *chosen;

  // A recipient list is checked whole before anything is encoded.
  std::vector<Recipient> recipients;
  if (options.recipients) {
    const RecipientsReading reading = ReadRecipients(*options.recipients);
    const QStringList texts = TemplateTexts(TemplatesFolder(), settings.Load().templateName) << options.namePattern;
    if (const QString problem = RecipientsProblem(reading, texts); !problem.isEmpty()) {
      PrintError(problem);
      return kExitUsage;
    }
    recipients = reading.list->recipients;
  }

  TerminalReporter reporter(files, options.quiet, options.report, options.jobs == 1);
  Batch batch(settings, reporter, &reporter, EncoderLibraryFolder());
  RunOptions run;
  run.existing = options.existing;
  run.skipExisting = options.skipExisting;
  run.filesAtOnce = options.jobs;
  run.encoderThreads = SharedEncoderThreads(options.jobs);
  run.recipients = std::move(recipients);
  run.namePattern = options.namePattern;
  batch.SetRunOptions(run);
  for (const QString& file : files) batch.AddFile(file);

  // The request goes to the batch before the note is printed: whoever reads
  // the note knows the batch has it.
  std::atomic<bool> interrupted{false};
  InterruptWatch watch([&](int count) {
    interrupted = true;
    if (count == 1) {
      batch.Stop();
      reporter.Note("Stopping after the current file (Ctrl-C again abandons it).");
    } else {
      batch.Abort();
      reporter.Note("Abandoning the current file.");
    }
  });
  if (!files.isEmpty()) {
    batch.StartProcessing();
    batch.Wait();
  }

  const RunSummary summary = reporter.Summary();
  const std::vector<int> unfinished = files.isEmpty() ? std::vector<int>{} : reporter.UnfinishedRows();
  for (const int row : unfinished) reporter.EmitNotProcessed(row);
  const bool stopped = summary.outcome != RunOutcome::AllDone || !unfinished.empty();
  if (!unfinished.empty()) reporter.Note(QString("Stopped: %1 file(s) not processed.").arg(unfinished.size()));

  QStringList retry = reporter.RetryableFiles();
  for (const int row : unfinished) retry << files[row];
  const int exitCode = stopped || !retry.isEmpty() ? kExitTempFail : summary.failed > 0 ? kExitFailed : kExitOk;
  if (exitCode == kExitTempFail && !retry.isEmpty())
    reporter.Note(QString("A retry may succeed for %1 file(s).").arg(retry.size()));

  const QString& last = summary.lastOutputPath;
  if (options.report == ReportFormat::JsonLines) {
    QJsonObject object{{"summary", true},          {"files", static_cast<int>(files.size())},
                       {"done", summary.done},     {"failed", summary.failed},
                       {"skipped", summary.skipped}, {"not_processed", static_cast<int>(unfinished.size())},
                       {"interrupted", interrupted.load() || summary.outcome != RunOutcome::AllDone},
                       {"retry", QJsonArray::fromStringList(retry)},
                       {"last_output", last},      {"exit_code", exitCode}};
    if (!shardText.isEmpty()) object["shard"] = shardText;
    reporter.Emit(object);
    std::fprintf(stderr, "Last output: %s\n", last.isEmpty() ? "(none)" : last.toLocal8Bit().constData());
  } else {
    std::printf("Last output: %s\n", last.isEmpty() ? "(none)" : last.toLocal8Bit().constData());
  }
  std::fflush(stdout);
  return exitCode;
}

}  // namespace vidmora::cli
