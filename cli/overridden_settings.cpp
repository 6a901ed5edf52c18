#include "cli/overridden_settings.h"

#include "app/processing/encoding_choices.h"

#include <algorithm>

namespace vidmora::cli {

namespace {

bool Offers(std::span<const CodecChoice> offered, int index) {
  return std::any_of(offered.begin(), offered.end(), [&](const CodecChoice& c) { return c.index == index; });
}

QString Texts(std::span<const CodecChoice> offered) {
  QStringList texts;
  for (const auto& c : offered) texts << c.text;
  return texts.join(", ");
}

}  // namespace

void ApplyOverrides(const SettingOverrides& o, JobSettings& settings) {
  if (o.templateName) settings.templateName = *o.templateName;

  OutputPreferences& output = settings.output;
  if (o.outputFolder) {
    output.outputFolderOpts = 1;
    output.outputFolderPath = *o.outputFolder;
  }
  if (o.besideSource) output.outputFolderOpts = 0;
  if (o.suffix) {
    output.outputFileNameOpts = 1;
    output.outputFileNameSuffix = *o.suffix;
  }
  if (o.keepName) output.outputFileNameOpts = 0;

  EncodingSettings& encoding = settings.encoding;
  if (o.outputFormat) {
    encoding.outputFormat = *o.outputFormat;
    FitCodecsToContainer(encoding);
  }
  if (o.videoCodec) encoding.videoCodec = *o.videoCodec;
  if (o.audioCodec) encoding.audioCodec = *o.audioCodec;
  if (o.videoBitrate) encoding.videoBitrate = *o.videoBitrate;
  if (o.frameRate) encoding.frameRate = *o.frameRate;
  if (o.sampleRate) encoding.audioSampleRate = *o.sampleRate;
  if (o.audioBitrate) encoding.audioBitrate = *o.audioBitrate;
  if (o.volume) encoding.audioVolume = *o.volume;
  if (o.noAudio) encoding.disableAudio = true;
}

QString CheckCodecChoice(const SettingOverrides& o, const EncodingSettings& settings) {
  const ContainerChoice* container = FindContainer(settings.outputFormat);
  if (!container) return {};
  if (o.videoCodec && !Offers(container->videoCodecs, *o.videoCodec))
    return QString("%1 does not take that video codec; it offers %2").arg(container->text, Texts(container->videoCodecs));
  const bool copy = o.audioCodec && *o.audioCodec == 0;
  if (o.audioCodec && !copy && !Offers(container->audioCodecs, *o.audioCodec))
    return QString("%1 does not take that audio codec; it offers %2 (or copy)")
        .arg(container->text, Texts(container->audioCodecs));
  return {};
}

}  // namespace vidmora::cli
