#include "app/processing/transcode_job.h"

#include "app/processing/encoder_arguments.h"
#include "app/processing/encoder_library.h"
#include "app/processing/file_checks.h"
#include "app/processing/media_probe.h"
#include "app/processing/message_sink.h"
#include "app/processing/output_plan.h"
#include "app/settings/app_folders.h"
#include "app/templates/template_check.h"
#include "draw/glyphra.h"

#include <QFileInfo>

namespace vidmora {

namespace {

constexpr int kPurposeEncoderFrameHook = 2;

JobResult Skipped(const QString& output, const QString& reason) { return {JobOutcome::Skipped, output, reason}; }
JobResult Failed(const QString& output, const QString& reason) { return {JobOutcome::Failed, output, reason}; }

bool IsDirectory(const QString& path) { return QFileInfo(path).isDir(); }

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
// taken by a file or by an earlier output of the run.
QString FreeNumberedPath(const QString& path, const QStringList& earlierOutputs) {
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  const QString stem = info.absolutePath() + "/" + info.completeBaseName();
  for (int n = 2;; ++n) {
    const QString candidate = QString("%1 (%2)%3").arg(stem).arg(n).arg(suffix.isEmpty() ? "" : "." + suffix);
    if (!Exists(candidate) && !IsAnyOf(candidate, earlierOutputs)) return candidate;
  }
}

// Hands the encoder's progress to the listener; its answer stops the encode.
int ForwardProgress(const VencorProgress* progress, void* userData) {
  auto* listener = static_cast<JobListener*>(userData);
  const EncodeProgress p{progress->fraction, progress->frames, progress->elapsedSeconds};
  return listener->EncodeProgressed(p) ? 0 : 1;
}

}  // namespace

JobResult TranscodeFile(const TranscodeRequest& request, JobListener& listener, MessageSink* messages,
                        const RunFiles& run) {
  const QString& source = request.sourcePath;
  const JobSettings& settings = request.settings;

  if (const QString problem = SourceFileProblem(source); !problem.isEmpty()) return Failed({}, problem);
  if (const QString problem = OutputNamingProblem(settings.output); !problem.isEmpty()) return Failed({}, problem);

  OutputPlan plan = PlanOutput(source, settings.output, settings.encoding);
  // Absolute, so that no output name can pass for an encoder option ("-odd/a.mp4").
  plan.path = QFileInfo(plan.path).absoluteFilePath();
  QString note;
  if (IsAnyOf(plan.path, run.earlierOutputs)) {
    const QString taken = plan.path;
    plan.path = FreeNumberedPath(taken, run.earlierOutputs);
    note = QString("written as %1: %2 is an output of this run already")
               .arg(QFileInfo(plan.path).fileName(), QFileInfo(taken).fileName());
  }
  listener.OutputPathChosen(plan.path);

  if (settings.output.outputFolderOpts != 0) {
    if (plan.folder.isEmpty()) return Failed(plan.path, "No output folder is set in the preferences.");
    if (const QString problem = MakeOutputFolder(plan.folder); !problem.isEmpty()) return Failed(plan.path, problem);
  }
  if (const QString problem = OutputNameProblem(plan.path); !problem.isEmpty()) return Failed(plan.path, problem);

  if (Exists(plan.path)) {
    if (IsSameFile(plan.path, source))
      return Skipped(plan.path, "The output would replace the source file itself; the source is left as it is.");
    if (IsAnyOf(plan.path, run.sources))
      return Skipped(plan.path, QString("The output would replace %1, a source of this run; it is left as it is.")
                                    .arg(plan.path));
    if (IsDirectory(plan.path)) return Failed(plan.path, QString("The output path %1 is a folder.").arg(plan.path));
    if (settings.output.outputFileNameOpts == 0)
      return Skipped(plan.path, "The output file already exists and is kept.");
    // With a suffix the existing output is replaced, but only once the new
    // file is complete: the encoder renames its finished file over it.
  }

  if (const QString problem = TemplateProblem(TemplatesFolder(), settings.templateName); !problem.isEmpty())
    return Failed(plan.path, problem);

  QString loadError;
  const std::unique_ptr<EncoderLibrary> library = EncoderLibrary::Load(request.programFolder, loadError);
  if (!library) {
    const QString text = QString("load %1 failed.").arg(kEncoderLibraryFileName);
    if (messages) messages->ShowMessage(text, "Vidmora", MessageIcon::Warning);
    return Failed(plan.path, text + " " + loadError);
  }
  if (!library->HasEntryPoint())
    return Failed(plan.path, QString("%1 has no entry point dowm.").arg(kEncoderLibraryFileName));

  listener.EncodeStarted();

  // The job's failure reason says what went wrong; the probe adds no message
  // of its own. Without MediaInfo the rates stay unknown (auto) and the
  // decoder gives the frame size.
  MediaProbe probe;
  if (probe.Open(source) == ProbeError::kNotMedia)
    return Failed(plan.path, QString("Can't open file %1: it holds no media that can be read.").arg(source));
  // The watermark is placed in the frame size; where MediaInfo has none, the
  // decoder's size serves, and without any the file is not encoded at all.
  QSize frame = probe.FrameSize();
  if (frame.isEmpty()) {
    QString sizeError;
    frame = library->DisplayedFrameSize(source, sizeError);
    if (frame.isEmpty())
      return Failed(plan.path,
                    QString("%1 is not a video: no video frame size can be read from it (%2).").arg(source, sizeError));
  }
  const std::u16string templateName = settings.templateName.toStdU16String();
  if (PrepareWMForDrawlixDll(templateName.c_str(), frame.width(), frame.height(), kPurposeEncoderFrameHook) != 0)
    return Failed(plan.path, QString("The template \"%1\" cannot be read.").arg(settings.templateName));

  JobResult result = RunEncoder(*library, source, plan.path, settings.encoding, probe, listener);
  if (result.outcome == JobOutcome::Done) result.reason = note;
  return result;
}

ProbedRates RatesOf(const MediaProbe& probe) {
  return {probe.VideoBitRateKbps(), probe.FrameRate(), probe.AudioBitRateKbps(), probe.SamplingRateKhz()};
}

JobResult RunEncoder(const EncoderLibrary& library, const QString& sourcePath, const QString& outputPath,
                     const EncodingSettings& settings, const MediaProbe& probe, JobListener& listener) {
  const std::vector<std::string> arguments =
      BuildEncoderArguments(sourcePath, outputPath, settings, RatesOf(probe));
  std::string error;
  const int result = library.Encode(arguments, &ForwardProgress, &listener, error);
  if (result != VENCOR_OK) return Failed(outputPath, QString::fromStdString(error));
  return {JobOutcome::Done, outputPath, {}};
}

}  // namespace vidmora
