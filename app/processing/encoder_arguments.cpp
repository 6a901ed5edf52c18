#include "app/processing/encoder_arguments.h"

#include "app/processing/auto_rates.h"

namespace vidmora {

namespace {

// Six significant digits, no trailing zeros: 25, 29.97, 23.976, 44.1.
QString Number(double value) { return QString::number(value, 'g', 6); }

QString OrProbed(const QString& setting, const QString& probed) { return IsAuto(setting) ? probed : setting; }

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

std::vector<std::string> BuildEncoderArguments(const QString& sourcePath, const QString& outputPath,
                                               const EncodingSettings& settings, const ProbedRates& probed) {
  const QString videoBitrate = BitRateArgument(settings.videoBitrate);
  const QString frameRate = OrProbed(settings.frameRate, Number(probed.frameRate));
  const QString sampleRate = OrProbed(settings.audioSampleRate, Number(probed.sampleRateKhz)) + "k";
  const QString audioBitrate = BitRateArgument(settings.audioBitrate);
  const QString volume = OrProbed(settings.audioVolume, "256");

  std::vector<std::string> arguments = {
      "ffmpeg",
      "-i", Utf8(sourcePath),
      "-vcodec", Utf8(VideoEncoderName(settings.videoCodec)),
      "-b:v", Utf8(videoBitrate),
      "-r", Utf8(frameRate),
      "-acodec", Utf8(AudioEncoderName(settings.audioCodec)),
      "-ar", Utf8(sampleRate),
      "-b:a", Utf8(audioBitrate),
      "-vol", Utf8(volume),
  };
  if (settings.disableAudio) arguments.push_back("-an");
  arguments.push_back(Utf8(outputPath));
  return arguments;
}

}  // namespace vidmora
