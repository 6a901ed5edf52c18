#include "app/processing/transcode_job.h"

#include "app/processing/encoder_arguments.h"
#include "app/processing/encoder_library.h"
#include "app/processing/file_checks.h"
#include "app/processing/file_tokens.h"
#include "app/processing/media_probe.h"
#include "app/processing/message_sink.h"
#include "app/processing/output_plan.h"
#include "app/processing/output_record.h"
#include "app/processing/paint_size.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/smart_windows.h"
#include "app/processing/source_in_use.h"
#include "app/processing/templates/template_check.h"
#include "draw/glyphra.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <optional>

namespace vidmora {

namespace {

constexpr int kPurposeEncoderFrameHook = 2;

JobResult Skipped(const QString& output, const QString& reason) { return {JobOutcome::Skipped, output, reason, {}}; }
JobResult Failed(const QString& output, const QString& reason) { return {JobOutcome::Failed, output, reason, {}}; }
JobResult MayPass(JobResult failed) {
  failed.retryMayHelp = true;
  return failed;
}

bool IsDirectory(const QString& path) { return QFileInfo(path).isDir(); }

bool IsRegularFile(const QString& path) {
  struct stat info {};
  return stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

// True when `path` is (or leads to the same file as) one of `paths`.
bool IsAnyOf(const QString& path, const QStringList& paths) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  for (const QString& other : paths)
    if (QFileInfo(other).absoluteFilePath() == absolute || IsSameFile(path, other)) return true;
  return false;
}

// "<folder>/<name> (n).<ext>": the first such name, from 2 on, that is not
// taken by a file or by an output of the run. Built by concatenation: the
// user's folder and file names may hold "%1" and the like.
QString NumberedPath(const QString& path, int n) {
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  return info.absolutePath() + "/" + info.completeBaseName() + " (" + QString::number(n) + ")" +
         (suffix.isEmpty() ? QString() : "." + suffix);
}

QString FreeNumberedPath(const QString& path, const QStringList& runOutputs) {
  for (int n = 2;; ++n) {
    QString candidate = NumberedPath(path, n);
    if (!Exists(candidate) && !IsAnyOf(candidate, runOutputs)) return candidate;
  }
}

// Claims the first free numbered path beside `path` for this job.
QString ClaimNumberedPath(const QString& path, RunOutputs& outputs) {
  for (;;) {
    QString candidate = FreeNumberedPath(path, outputs.Paths());
    if (outputs.Claim(candidate)) return candidate;
  }
}

// The record of the output at `path`; nothing when it has none (another
// program's file, a 3GP output, a file that is not media).
std::optional<OutputRecord> RecordOf(const EncoderLibrary& library, const QString& path) {
  const std::optional<QString> tag = library.ReadTag(path, kOutputRecordTag);
  return tag ? ParseOutputRecord(*tag) : std::nullopt;
}

// An earlier output of the source known as `source` under the planned name
// or a numbered one beside it (as an earlier run may have written it), not
// claimed by another job of this run (`claimed` is this job's): its path and record.
struct OwnOutput {
  QString path;
  OutputRecord record;
};
std::optional<OwnOutput> FindOwnOutput(const EncoderLibrary& library, const QString& planned,
                                       const SourceIdentity& source, const RunOutputs& outputs,
                                       const QString& claimed) {
  for (int n = 1;; ++n) {
    const QString candidate = n == 1 ? planned : NumberedPath(planned, n);
    if (!Exists(candidate)) {
      if (n == 1) continue;
      return std::nullopt;
    }
    // Only a regular file is read: a pipe planted there would hold the job.
    if (!IsRegularFile(candidate) || (candidate != claimed && outputs.Has(candidate))) continue;
    if (std::optional<OutputRecord> record = RecordOf(library, candidate); record && record->source == source)
      return OwnOutput{candidate, *record};
  }
}

// Hands the encoder's progress to the listener; its answer stops the encode.
int ForwardProgress(const VencorProgress* progress, void* userData) {
  auto* listener = static_cast<JobListener*>(userData);
  const EncodeProgress p{progress->fraction, progress->frames, progress->elapsedSeconds};
  return listener->EncodeProgressed(p) ? 0 : 1;
}

// The job once its output path is planned and claimed (`claimed`, which
// follows the path when the job chooses another). `naming` is held until the
// path is decided.
JobResult PlannedJob(const TranscodeRequest& request, OutputPlan plan, QString note, JobListener& listener,
                     MessageSink* messages, const QStringList& runSources, RunOutputs& outputs, QString& claimed,
                     std::unique_lock<std::mutex>& naming) {
  const QString& source = request.sourcePath;
  const JobSettings& settings = request.settings;
  listener.OutputPathChosen(plan.path);

  if (settings.output.outputFolderOpts != 0) {
    if (plan.folder.isEmpty()) return Failed(plan.path, "No output folder is set in the preferences.");
    // A folder that went away is made again; one that cannot be made (not a
    // folder, no permission) stays so.
    if (const QString problem = MakeOutputFolder(plan.folder); !problem.isEmpty()) return Failed(plan.path, problem);
  }
  if (const QString problem = OutputNameProblem(plan.path); !problem.isEmpty()) return Failed(plan.path, problem);

  if (const QString problem = TemplateProblem(TemplatesFolder(), settings.templateName); !problem.isEmpty())
    return Failed(plan.path, problem);

  QString loadError;
  const std::unique_ptr<EncoderLibrary> library = EncoderLibrary::Load(request.programFolder, loadError);
  if (!library) {
    const QString text = QString("load %1 failed.").arg(kEncoderLibraryFileName);
    if (messages) messages->ShowMessage(text, "Vidmora", MessageIcon::Warning);
    return MayPass(Failed(plan.path, text + " " + loadError));
  }
  if (!library->HasEntryPoint())
    return MayPass(Failed(plan.path, QString("%1 has no entry point dowm.").arg(kEncoderLibraryFileName)));

  // What the output is made from, recorded in it.
  QString identityError;
  const std::optional<SourceIdentity> identity = IdentifySource(source, identityError);
  if (!identity) return Failed(plan.path, identityError);
  const QString fingerprint =
      SettingsFingerprint(TemplateFingerprint(TemplatesFolder(), settings.templateName),
                          BuildEncoderArguments(source, plan.path, settings.encoding), source, plan.path);

  // Another target than the planned one: the claim moves with it.
  const auto moveTo = [&](const QString& target) {
    if (target == claimed) return;
    outputs.Release(claimed);
    claimed = target;
  };
  if (Exists(plan.path)) {
    if (IsSameFile(plan.path, source))
      return Skipped(plan.path, "The output would replace the source file itself; the source is left as it is.");
    if (IsAnyOf(plan.path, runSources))
      return Skipped(plan.path, QString("The output would replace %1, a source of this run; it is left as it is.")
                                    .arg(plan.path));
    if (IsDirectory(plan.path)) return Failed(plan.path, QString("The output path %1 is a folder.").arg(plan.path));

    const std::optional<OwnOutput> own = FindOwnOutput(*library, plan.path, *identity, outputs, claimed);
    if (request.skipExisting && own && own->record.settings == fingerprint)
      return Skipped(own->path, QString("%1 was made from this source with this template and settings already.")
                                    .arg(own->path));
    const QString planned = plan.path;
    const auto numbered = [&](const char* why) {
      outputs.Release(claimed);
      plan.path = ClaimNumberedPath(planned, outputs);
      claimed = plan.path;
      note = QString("written as %1: %2 %3").arg(QFileInfo(plan.path).fileName(), QFileInfo(planned).fileName(), why);
    };
    switch (request.existing) {
      case ExistingOutputs::Skip:
        return Skipped(plan.path, "The output file already exists and is kept.");
      case ExistingOutputs::Replace:
        break;
      case ExistingOutputs::KeepBoth:
        numbered("exists and is kept");
        break;
      case ExistingOutputs::SameSourceOnly:
      case ExistingOutputs::Ask:
        if (own && own->path != planned && outputs.Claim(own->path)) {
          // An earlier run numbered it; it is re-made where it is.
          moveTo(own->path);
          plan.path = own->path;
          note = QString("written as %1, the earlier output of this source: %2 is another file")
                     .arg(QFileInfo(plan.path).fileName(), QFileInfo(planned).fileName());
        } else if (!own && request.existing == ExistingOutputs::Ask) {
          // Another file: the user decides (keeping both when nobody is asked).
          const std::optional<ExistingOutputs> answer =
              request.question ? request.question->Ask(planned) : ExistingOutputs::KeepBoth;
          if (!answer) return MayPass(Failed(planned, "The run was stopped before the output was written."));
          if (*answer == ExistingOutputs::Skip) return Skipped(planned, "The output file already exists and is kept.");
          if (*answer != ExistingOutputs::Replace) numbered("exists and is kept");
        } else if (!own && settings.output.outputFileNameOpts == 0) {
          return Skipped(plan.path, "The output file already exists and is kept.");
        } else if (!own) {
          numbered("is another source's output or another file, and is kept");
        }
        break;
    }
    if (plan.path != planned) listener.OutputPathChosen(plan.path);
    // Otherwise the existing output is replaced, but only once the new file
    // is complete: the encoder renames its finished file over it.
  }
  naming.unlock();  // the output path is decided and claimed

  listener.EncodeStarted();

  // The job's failure reason says what went wrong; the probe adds no message
  // of its own. Without MediaInfo the job goes on: the decoder gives the
  // frame size either way, and the probe's is only compared with it.
  MediaProbe probe;
  if (probe.Open(source) == ProbeError::kNotMedia)
    return Failed(plan.path, QString("Can't open file %1: it holds no media that can be read.").arg(source));
  // The watermark is placed in the picture as players show it and painted
  // onto the frames as the decoder delivers them; without a frame size the
  // file is not encoded at all.
  const PaintSize size = SourcePaintSize(*library, source, &probe);
  if (!size.Known())
    return Failed(plan.path,
                  QString("%1 is not a video: no video frame size can be read from it (%2).").arg(source, size.error));
  // The file's token values: a token without one is painted as typed and noted.
  TokenValues tokens =
      FileTokenValues({source, request.index > 0 ? request.index : int(runSources.indexOf(source)) + 1,
                       request.count > 0 ? request.count : std::max(1, static_cast<int>(runSources.size())),
                       library->ReadTag(source, QStringLiteral("creation_time")), QDateTime::currentDateTime()});
  for (const auto& [name, value] : request.tokens) tokens[name] = value;
  SetTemplateTokens(&tokens);
  if (const QStringList unknown = UnknownTokens(TemplateTexts(TemplatesFolder(), settings.templateName), tokens);
      !unknown.isEmpty()) {
    const QString told =
        QString("the template's %1 %2 no value and %3 painted as typed")
            .arg(unknown.join(", "), unknown.size() == 1 ? "has" : "have", unknown.size() == 1 ? "is" : "are");
    note = note.isEmpty() ? told : note + "; " + told;
  }
  const std::u16string templateName = settings.templateName.toStdU16String();
  if (PrepareWMForVideoFrames(templateName.c_str(), size.shown.width(), size.shown.height(), size.frame.width(),
                              size.frame.height(), kPurposeEncoderFrameHook) != 0)
    return Failed(plan.path, QString("The template \"%1\" cannot be read.").arg(settings.templateName));

  // The source's name only: outputs go to other people, its folders need not.
  const OutputRecord record{*identity, fingerprint, QFileInfo(source).fileName()};
  std::vector<std::string> extra = {"-metadata",
                                    std::string(kOutputRecordTag) + "=" + FormatOutputRecord(record).toStdString()};
  if (request.encoderThreads > 0) extra.insert(extra.end(), {"-threads", std::to_string(request.encoderThreads)});
  // Where the template's layers show only for a while, the encoder copies
  // the pictures they do not touch (with a note saying why where it cannot).
  // A template shown on every frame is encoded whole without a word.
  if (settings.output.onlyReencodeMarked != 0) {
    if (const auto layers = ReadTemplateLayers(TemplatesFolder(), settings.templateName)) {
      const std::string windows = SmartWindowsArgument(*layers);
      if (!windows.empty() && windows != kEveryFrameWindows) extra.insert(extra.end(), {"-smart", windows});
    }
  }
  JobResult result = RunEncoder(*library, source, plan.path, settings.encoding, listener, extra);
  // A done row says how its output was made: "copied 98 %, re-encoded 2 %".
  if (result.outcome == JobOutcome::Done)
    result.reason = note.isEmpty() || result.summary.isEmpty() ? note + result.summary : note + "; " + result.summary;
  return result;
}

}  // namespace

JobResult TranscodeFile(const TranscodeRequest& request, JobListener& listener, MessageSink* messages,
                        const RunFiles& run) {
  const QString& source = request.sourcePath;
  const JobSettings& settings = request.settings;

  if (const QString problem = SourceFileProblem(source); !problem.isEmpty()) return Failed({}, problem);
  if (const QString problem = OutputNamingProblem(settings.output); !problem.isEmpty()) return Failed({}, problem);
  if (const QString problem = StillBeingWritten(source); !problem.isEmpty()) return MayPass(Failed({}, problem));

  RunOutputs ownRun;  // a job on its own is a run of one file
  RunOutputs& outputs = run.outputs ? *run.outputs : ownRun;
  std::unique_lock<std::mutex> naming = outputs.LockNaming();
  OutputNaming outputNaming{request.namePattern,
                            FileTokenValues({source, std::max(request.index, 1), std::max(request.count, 1), {}, {}}),
                            request.recipient};
  for (const auto& [name, value] : request.tokens) outputNaming.tokens[name] = value;
  OutputPlan plan = PlanOutput(source, settings.output, settings.encoding, outputNaming);
  // Absolute, so that no output name can pass for an encoder option ("-odd/a.mp4").
  plan.path = QFileInfo(plan.path).absoluteFilePath();
  QString note;
  if (!outputs.Claim(plan.path)) {
    const QString taken = plan.path;
    plan.path = ClaimNumberedPath(taken, outputs);
    note = QString("written as %1: %2 is an output of this run already")
               .arg(QFileInfo(plan.path).fileName(), QFileInfo(taken).fileName());
  }
  // An output the job did not write is not the run's.
  QString claimed = plan.path;
  JobResult result = PlannedJob(request, plan, note, listener, messages, run.sources, outputs, claimed, naming);
  if (result.outcome != JobOutcome::Done) outputs.Release(claimed);
  return result;
}

JobResult RunEncoder(const EncoderLibrary& library, const QString& sourcePath, const QString& outputPath,
                     const EncodingSettings& settings, JobListener& listener,
                     const std::vector<std::string>& extraArguments) {
  std::vector<std::string> arguments = BuildEncoderArguments(sourcePath, outputPath, settings);
  arguments.insert(arguments.end() - 1, extraArguments.begin(), extraArguments.end());
  std::string error;
  const int result = library.Encode(arguments, &ForwardProgress, &listener, error);
  if (result != VENCOR_OK) {
    JobResult failed = Failed(outputPath, QString::fromStdString(error));
    // A write error (disk full, folder gone) or a stop may pass; a file the
    // encoder cannot read or encode stays so.
    failed.retryMayHelp = result == VENCOR_ERROR_OUTPUT || result == VENCOR_ERROR_ABORTED;
    return failed;
  }
  JobResult done{JobOutcome::Done, outputPath, {}, library.LastNotes()};
  done.summary = library.LastSummary();
  return done;
}

}  // namespace vidmora
