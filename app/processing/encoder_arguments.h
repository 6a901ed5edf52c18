#pragma once

// The encoder's argument vector for one file, with "auto" settings replaced
// by the values probed from the source.

#include "app/processing/encoding_settings.h"

#include <QString>

#include <string>
#include <vector>

namespace vidmora {

// What the media probe read from the source; 0 where it found nothing.
struct ProbedRates {
  int videoBitRateKbps = 0;
  double frameRate = 0;
  int audioBitRateKbps = 0;
  double sampleRateKhz = 0;
};

// The encoder's volume that leaves the level as it is.
inline constexpr int kUnchangedVolume = 256;

// ffmpeg -i SOURCE -vcodec V -b:v Nk -r FPS -acodec A -ar Nk -b:a Nk -vol N OUTPUT
// (18 entries; "-an" goes before the output when audio is disabled). Every
// slot is filled on every run, also for "copy". Paths and values are UTF-8.
std::vector<std::string> BuildEncoderArguments(const QString& sourcePath, const QString& outputPath,
                                               const EncodingSettings& settings, const ProbedRates& probed);

}  // namespace vidmora
