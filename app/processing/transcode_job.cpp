#include "app/processing/transcode_job.h"

#include "app/processing/encoder_arguments.h"
#include "app/processing/encoder_library.h"
#include "app/processing/media_probe.h"
#include "app/processing/message_sink.h"
#include "app/processing/output_plan.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace vidmora {

namespace {

constexpr int kPurposeEncoderFrameHook = 2;

JobResult Skipped(const QString& output, const QString& reason) { return {JobOutcome::Skipped, output, reason}; }
JobResult Failed(const QString& output, const QString& reason) { return {JobOutcome::Failed, output, reason}; }

std::filesystem::path FsPath(const QString& path) { return std::filesystem::path(path.toStdString()); }

// True when both names lead to one file (also through links or other spellings).
bool IsSameFile(const QString& a, const QString& b) {
  std::error_code error;
  return std::filesystem::equivalent(FsPath(a), FsPath(b), error) && !error;
}

bool Exists(const QString& path) {
  std::error_code error;
  return std::filesystem::exists(FsPath(path), error);
}

// Hands the encoder's progress to the listener; its answer stops the encode.
int ForwardProgress(const VencorProgress* progress, void* userData) {
  auto* listener = static_cast<JobListener*>(userData);
  const EncodeProgress p{progress->fraction, progress->frames, progress->elapsedSeconds};
  return listener->EncodeProgressed(p) ? 0 : 1;
}

}  // namespace

JobResult TranscodeFile(const TranscodeRequest& request, JobListener& listener, MessageSink* messages) {
  const QString& source = request.sourcePath;
  const JobSettings& settings = request.settings;

  const OutputPlan plan = PlanOutput(source, settings.output, settings.encoding);
  listener.OutputPathChosen(plan.path);

  if (settings.output.outputFolderOpts != 0) {
    if (plan.folder.isEmpty()) return Failed(plan.path, "No output folder is set in the preferences.");
    CreateAllDirectories(plan.folder.toStdU16String().c_str());
  }

  if (Exists(plan.path)) {
    if (IsSameFile(plan.path, source))
      return Skipped(plan.path, "The output would replace the source file itself; the source is left as it is.");
    if (settings.output.outputFileNameOpts == 0)
      return Skipped(plan.path, "The output file already exists and is kept.");
    // With a suffix the existing output is replaced, but only once the new
    // file is complete: the encoder renames its finished file over it.
  }

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

  MediaProbe probe(messages);
  probe.Open(source);
  const QSize frame = probe.FrameSize();
  const std::u16string templateName = settings.templateName.toStdU16String();
  if (PrepareWMForDrawlixDll(templateName.c_str(), frame.width(), frame.height(), kPurposeEncoderFrameHook) != 0)
    return Failed(plan.path, QString("The template \"%1\" cannot be read.").arg(settings.templateName));

  return RunEncoder(*library, source, plan.path, settings.encoding, probe, listener);
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
