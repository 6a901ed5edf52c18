#include "app/processing/codec_limits.h"

#include "app/processing/encoding_settings.h"

#include <array>

namespace vidmora {

namespace {

constexpr int kVorbisCodecIndex = 3;

struct RateLimit {
  double sampleRateKhz;
  int maxBitrateKbps;
};

// The highest listed bit rate libvorbis sets up for stereo at each listed
// sampling rate.
constexpr std::array<RateLimit, 9> kVorbisStereoLimits{{
    {48, 384}, {44.1, 384}, {32, 320}, {24, 160}, {22.05, 160}, {16, 192}, {12, 96}, {11.025, 96}, {8, 80}}};

bool ReadNumber(const QString& text, double& value) {
  if (IsAuto(text)) return false;
  bool ok = false;
  value = text.toDouble(&ok);
  return ok;
}

}  // namespace

QString FitRatesToCodec(EncodingSettings& settings) {
  double sampleRateKhz = 0;
  double bitrateKbps = 0;
  if (settings.audioCodec != kVorbisCodecIndex || !ReadNumber(settings.audioSampleRate, sampleRateKhz) ||
      !ReadNumber(settings.audioBitrate, bitrateKbps))
    return {};
  for (const RateLimit& limit : kVorbisStereoLimits) {
    if (qAbs(limit.sampleRateKhz - sampleRateKhz) > 0.001 || bitrateKbps <= limit.maxBitrateKbps) continue;
    settings.audioBitrate = QString::number(limit.maxBitrateKbps);
    return QStringLiteral("Vorbis takes at most %1 kbit/s at %2 kHz; the audio bit rate is set to %1.")
        .arg(limit.maxBitrateKbps)
        .arg(settings.audioSampleRate);
  }
  return {};
}

}  // namespace vidmora
