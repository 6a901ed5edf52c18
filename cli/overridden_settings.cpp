#include "cli/overridden_settings.h"

#include "app/processing/encoding_choices.h"

#include <QFileInfo>

#include <algorithm>

namespace vidmora::cli {

void ApplyOverrides(const SettingOverrides& o, JobSettings& settings) {
  if (o.templateName) settings.templateName = *o.templateName;

  OutputPreferences& output = settings.output;
  if (o.outputFolder) {
    output.outputFolderOpts = 1;
    // Relative to where the command was given, as a command line means it.
    output.outputFolderPath = QFileInfo(*o.outputFolder).absoluteFilePath();
  }
  if (o.besideSource) output.outputFolderOpts = 0;
  if (o.suffix) {
    output.outputFileNameOpts = 1;
    output.outputFileNameSuffix = *o.suffix;
  }
  if (o.keepName) output.outputFileNameOpts = 0;
  if (o.onlyReencodeMarked) output.onlyReencodeMarked = *o.onlyReencodeMarked ? 1 : 0;

  EncodingSettings& encoding = settings.encoding;
  if (o.preset) ApplyPreset(*o.preset, encoding);
  if (o.container) {
    encoding.container = *o.container;
    FitCodecsToContainer(encoding);
  }
  if (o.videoCodec) encoding.videoCodec = *o.videoCodec;
  if (o.audioCodec) encoding.audioCodec = *o.audioCodec;
  if (o.videoBitrateKbps) encoding.videoBitrateKbps = *o.videoBitrateKbps;
  if (o.frameRate) encoding.frameRate = *o.frameRate;
  if (o.sampleRateKhz) encoding.sampleRateKhz = *o.sampleRateKhz;
  if (o.audioBitrateKbps) encoding.audioBitrateKbps = *o.audioBitrateKbps;
  if (o.volume) encoding.volume = *o.volume;
  if (o.quality) {
    encoding.quality = *o.quality;
    encoding.qualityLevel = o.qualityLevel;
  }
  if (o.speed) encoding.speed = *o.speed;
  if (o.hardware) encoding.hardware = *o.hardware;
  if (o.targetSizeMb) encoding.targetSizeMb = *o.targetSizeMb;
  // A size given here replaces the Resize settings' one whole: --width alone
  // sizes by the width, whatever height they hold.
  if (o.width || o.height) {
    encoding.outputWidth = o.width.value_or(0);
    encoding.outputHeight = o.height.value_or(0);
    encoding.enlargeOutput = false;
  }
  if (o.enlarge) encoding.enlargeOutput = true;
  if (o.noAudio) encoding.disableAudio = true;
}

QString CheckCodecChoice(const SettingOverrides& o, const EncodingSettings& settings) {
  const ContainerInfo& container = Info(settings.container);
  if (o.videoCodec && !Offers(container, *o.videoCodec)) return RefusalReason(container, *o.videoCodec);
  if (o.audioCodec && !Offers(container, *o.audioCodec)) return RefusalReason(container, *o.audioCodec);
  return {};
}

}  // namespace vidmora::cli
