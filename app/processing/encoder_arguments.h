#pragma once

// The encoder's argument vector for one file. "auto" rates are sent as 0:
// the encoder keeps the source's frame times and each audio track's
// sampling rate, and chooses the bit rates.

#include "app/processing/encoding_settings.h"

#include <QString>

#include <string>
#include <vector>

namespace vidmora {

// The encoder's volume that leaves the level as it is.
inline constexpr int kUnchangedVolume = 256;
// The largest side the encoder scales pictures to.
inline constexpr int kLargestOutputSide = 16384;

// ffmpeg -i SOURCE -vcodec V -b:v Nk -r FPS -acodec A -ar Nk -b:a Nk -vol N OUTPUT
// (18 entries; "-aspect W:H" for a set display aspect, "-quality Q" for a
// chosen quality while the bit rate is auto, "-target-size BYTES" for a
// target size (instead of the quality), "-width N" and "-height N" for an
// output size (with "-enlarge" when a smaller picture is enlarged to it;
// sides beyond kLargestOutputSide are sent as it), "-speed S" for a speed other
// than balanced, "-hw H" for a hardware encoder other than off and "-an" when
// audio is disabled go before the output). Every
// slot is filled on every run, also for "copy". Paths and values are UTF-8.
std::vector<std::string> BuildEncoderArguments(const QString& sourcePath, const QString& outputPath,
                                               const EncodingSettings& settings);

}  // namespace vidmora
