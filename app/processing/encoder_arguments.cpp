#include "app/processing/encoder_arguments.h"

#include "app/processing/auto_rates.h"

namespace vidmora {

namespace {

// Six significant digits, no trailing zeros: 25, 29.97, 23.976, 44.1.
QString Number(double value) { return QString::number(value, 'g', 6); }

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

std::vector<std::string> BuildEncoderArguments(const QString& sourcePath, const QString& outputPath,
                                               const EncodingSettings& settings, const ProbedRates& probed) {
  // A set value is written as the settings hold it; an auto frame rate and
  // sampling rate as probed, auto bit rates as the encoder's choice.
  const QString videoBitrate = BitRateArgument(settings.videoBitrateKbps);
  const QString frameRate = settings.frameRate ? AutoOrText(settings.frameRate) : Number(probed.frameRate);
  const QString sampleRate =
      (settings.sampleRateKhz ? AutoOrText(settings.sampleRateKhz) : Number(probed.sampleRateKhz)) + "k";
  const QString audioBitrate = BitRateArgument(settings.audioBitrateKbps);
  const QString volume = QString::number(settings.volume.value_or(kUnchangedVolume));

  std::vector<std::string> arguments = {
      "ffmpeg",
      "-i", Utf8(sourcePath),
      "-vcodec", Info(settings.videoCodec).encoderName,
      "-b:v", Utf8(videoBitrate),
      "-r", Utf8(frameRate),
      "-acodec", Info(settings.audioCodec).encoderName,
      "-ar", Utf8(sampleRate),
      "-b:a", Utf8(audioBitrate),
      "-vol", Utf8(volume),
  };
  if (settings.disableAudio) arguments.push_back("-an");
  arguments.push_back(Utf8(outputPath));
  return arguments;
}

}  // namespace vidmora
