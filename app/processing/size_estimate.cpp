#include "app/processing/size_estimate.h"

#include "app/processing/encoding_settings.h"

#include <cmath>

namespace vidmora {

namespace {

int AudioKbps(const EncodingSettings& settings) {
  if (settings.disableAudio) return 0;
  return settings.audioBitrateKbps.value_or(kAssumedAudioKbps);
}

}  // namespace

std::optional<double> MegabytesPerMinute(const EncodingSettings& settings) {
  if (!settings.videoBitrateKbps) return std::nullopt;
  const double kbps = *settings.videoBitrateKbps + AudioKbps(settings);
  return kbps * 1000 / 8 * 60 / 1e6;
}

std::optional<int> VideoKbpsForTargetSize(const EncodingSettings& settings, double seconds) {
  if (settings.videoBitrateKbps || !settings.targetSizeMb || !(*settings.targetSizeMb > 0) || !(seconds > 0))
    return std::nullopt;
  const double totalKbps = *settings.targetSizeMb * 1e6 * 8 / 1000 / seconds;
  const long video = std::lround(totalKbps - AudioKbps(settings));
  if (video <= 0) return std::nullopt;
  return static_cast<int>(video);
}

}  // namespace vidmora
