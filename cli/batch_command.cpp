#include "app/processing/batch.h"
#include "app/processing/engine.h"
#include "app/processing/job_settings.h"
#include "app/settings/app_folders.h"
#include "app/templates/template_check.h"
#include "app/templates/template_store.h"
#include "cli/commands.h"
#include "cli/interrupt_watch.h"
#include "cli/overridden_settings.h"
#include "cli/terminal_reporter.h"

#include <QFileInfo>

#include <cstdio>

namespace vidmora::cli {

void PrintError(const QString& text) {
  std::fprintf(stderr, "vidmora-cli: %s\n", text.toLocal8Bit().constData());
}

int RunBatchCommand(const CliOptions& options) {
  QStringList files;
  for (const QString& file : options.files) files << QFileInfo(file).absoluteFilePath();

  const QString templateName = options.overrides.templateName.value_or(StoredTemplateName(TemplatesFolder()));
  if (!QFileInfo(TemplatesFolder()).isDir()) {
    PrintError(QString("there are no templates: the folder %1 does not exist and cannot be made").arg(TemplatesFolder()));
    return kExitFailed;
  }
  if (!IsListedTemplate(TemplatesFolder(), templateName)) {
    PrintError(QString("there is no template \"%1\" (see 'vidmora-cli templates')").arg(templateName));
    return kExitUsage;
  }

  StoredJobSettings stored(templateName);
  OverriddenJobSettings settings(stored, options.overrides);
  if (const QString problem = CheckCodecChoice(options.overrides, settings.Load().encoding); !problem.isEmpty()) {
    PrintError(problem);
    return kExitUsage;
  }

  TerminalReporter reporter(files, options.quiet);
  Batch batch(settings, reporter, &reporter, EncoderLibraryFolder());
  for (const QString& file : files) batch.AddFile(file);

  // The request goes to the batch before the note is printed: whoever reads
  // the note knows the batch has it.
  InterruptWatch watch([&](int count) {
    if (count == 1) {
      batch.Stop();
      reporter.Note("Stopping after the current file (Ctrl-C again abandons it).");
    } else {
      batch.Abort();
      reporter.Note("Abandoning the current file.");
    }
  });
  batch.StartProcessing();
  batch.Wait();

  const RunSummary summary = reporter.Summary();
  const int handled = summary.done + summary.failed + summary.skipped;
  const bool stopped = summary.outcome != RunOutcome::AllDone;
  if (handled < files.size()) reporter.Note(QString("Stopped: %1 file(s) not processed.").arg(files.size() - handled));
  const QString& last = summary.lastOutputPath;
  std::printf("Last output: %s\n", last.isEmpty() ? "(none)" : last.toLocal8Bit().constData());
  std::fflush(stdout);
  return summary.failed > 0 || stopped ? kExitFailed : kExitOk;
}

}  // namespace vidmora::cli
