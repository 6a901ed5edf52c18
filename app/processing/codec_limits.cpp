#include "app/processing/codec_limits.h"

#include "app/processing/encoding_settings.h"

#include <array>

namespace vidmora {

namespace {

struct RateLimit {
  double sampleRateKhz;
  int maxBitrateKbps;
};

// The highest listed bit rate libvorbis sets up for stereo at each listed
// sampling rate.
constexpr std::array<RateLimit, 9> kVorbisStereoLimits{{
    {48, 384}, {44.1, 384}, {32, 320}, {24, 160}, {22.05, 160}, {16, 192}, {12, 96}, {11.025, 96}, {8, 80}}};

}  // namespace

QString FitRatesToCodec(EncodingSettings& settings) {
  if (settings.audioCodec != AudioCodec::kVorbis || !settings.sampleRateKhz || !settings.audioBitrateKbps) return {};
  for (const RateLimit& limit : kVorbisStereoLimits) {
    if (qAbs(limit.sampleRateKhz - *settings.sampleRateKhz) > 0.001 ||
        *settings.audioBitrateKbps <= limit.maxBitrateKbps)
      continue;
    settings.audioBitrateKbps = limit.maxBitrateKbps;
    return QStringLiteral("Vorbis takes at most %1 kbit/s at %2 kHz; the audio bit rate is set to %1.")
        .arg(limit.maxBitrateKbps)
        .arg(AutoOrText(settings.sampleRateKhz));
  }
  return {};
}

}  // namespace vidmora
