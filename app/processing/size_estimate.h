#pragma once

// What can be said of an output's size before its source is known: a set
// video bit rate gives megabytes a minute; a target size gives the video
// bit rate left for a video of some length once its audio has its share. At
// a constant quality the size follows the pictures, and nothing is said.
// Plain arithmetic on the settings; any thread.

#include <optional>

namespace vidmora {

struct EncodingSettings;

// The audio rate assumed where it is auto or copied: what most sources carry.
inline constexpr int kAssumedAudioKbps = 128;

// Megabytes (10^6 bytes) a minute of output takes at the set video bit rate,
// with its audio; nothing while the video bit rate is auto.
std::optional<double> MegabytesPerMinute(const EncodingSettings& settings);

// The video bit rate, in kbit/s, that the target size leaves for a video of
// `seconds` after its audio; nothing without a target size (or with a set
// video bit rate, which wins over it), or when the audio alone would fill it.
std::optional<int> VideoKbpsForTargetSize(const EncodingSettings& settings, double seconds);

}  // namespace vidmora
