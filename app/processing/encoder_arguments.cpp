#include "app/processing/encoder_arguments.h"

#include "app/processing/auto_rates.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vidmora {

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

std::vector<std::string> BuildEncoderArguments(const QString& sourcePath, const QString& outputPath,
                                               const EncodingSettings& settings) {
  // A set value is written as the settings hold it; "auto" as 0, which the
  // encoder reads as "keep the source's": every frame at its own time (a
  // phone's variable rate has no one number: the probe's average would
  // re-time every frame) and every audio track at its own sampling rate (the
  // probe reads the first track only); auto bit rates are the encoder's choice.
  const QString videoBitrate = BitRateArgument(settings.videoBitrateKbps);
  const QString frameRate = settings.frameRate ? AutoOrText(settings.frameRate) : QString("0");
  const QString sampleRate = (settings.sampleRateKhz ? AutoOrText(settings.sampleRateKhz) : QString("0")) + "k";
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
  // A set display aspect ("16:9", "1.7777") shapes the output's pixels; an
  // unreadable stored value counts as auto rather than failing every file.
  static const QRegularExpression kAspect(R"(^(\d{1,5}:\d{1,5}|\d{1,2}(\.\d{1,6})?)$)");
  const QString aspect = settings.aspect.trimmed();
  if (aspect.compare("auto", Qt::CaseInsensitive) != 0 && kAspect.match(aspect).hasMatch())
    arguments.insert(arguments.end(), {"-aspect", Utf8(aspect)});
  // The constant quality applies while no video bit rate is set; auto sends
  // nothing, so that each encoder keeps what it has always been given.
  // A target size is coded in two passes at the rate it leaves for the video;
  // the quality is then not used.
  const bool targetSize = !settings.videoBitrateKbps && settings.targetSizeMb && *settings.targetSizeMb > 0;
  if (targetSize)
    arguments.insert(arguments.end(), {"-target-size", std::to_string(std::llround(*settings.targetSizeMb * 1e6))});
  if (!settings.videoBitrateKbps && !targetSize && settings.quality != QualityChoice::kAuto) {
    const QString quality = settings.quality == QualityChoice::kLikeSource ? QStringLiteral("like-source")
                            : settings.quality == QualityChoice::kLevel
                                ? QString::number(std::clamp(settings.qualityLevel, 0, kLargestQualityLevel))
                                : QString::number(Info(settings.quality).level);
    arguments.insert(arguments.end(), {"-quality", Utf8(quality)});
  }
  if (settings.speed != SpeedChoice::kBalanced)
    arguments.insert(arguments.end(), {"-speed", Info(settings.speed).word});
  // The output size, within the largest side the encoder scales to.
  const int width = std::min(settings.outputWidth, kLargestOutputSide);
  const int height = std::min(settings.outputHeight, kLargestOutputSide);
  if (width > 0) arguments.insert(arguments.end(), {"-width", std::to_string(width)});
  if (height > 0) arguments.insert(arguments.end(), {"-height", std::to_string(height)});
  if ((width > 0 || height > 0) && settings.enlargeOutput) arguments.push_back("-enlarge");
  if (settings.hardware != HardwareChoice::kOff)
    arguments.insert(arguments.end(), {"-hw", Info(settings.hardware).word});
  if (settings.disableAudio) arguments.push_back("-an");
  arguments.push_back(Utf8(outputPath));
  return arguments;
}

}  // namespace vidmora
