#pragma once

// Presets: named sets of a container, the codecs, the quality and speed, and
// the output size, which set those settings in one choice. A few are built
// in; the user's own are kept in the profile group "Presets" (an array of
// QSettings: "Presets/size", then "Presets/N/name" and the other keys of the
// Nth), which an older program leaves alone. Plain values; any thread.

#include "app/processing/encoding_choices.h"

#include <QString>

#include <optional>
#include <vector>

class QSettings;

namespace vidmora {

struct EncodingSettings;

struct Preset {
  QString name;
  Container container = Container::kMp4;
  VideoCodec videoCodec = VideoCodec::kH264;
  AudioCodec audioCodec = AudioCodec::kAac;
  QualityChoice quality = QualityChoice::kStandard;
  int qualityLevel = 23;  // with QualityChoice::kLevel
  SpeedChoice speed = SpeedChoice::kBalanced;
  // The output size, as the Resize settings give it: a width alone, a
  // height alone or the box both make; 0 keeps the source's.
  int width = 0;
  int height = 0;

  friend bool operator==(const Preset&, const Preset&) = default;
};

// "Web H.264 1080p", "Small HEVC", "WebM AV1", "Archive: same as source".
const std::vector<Preset>& BuiltInPresets();

inline constexpr const char* kPresetsGroup = "Presets";

// The user's presets as stored. One without a name, or named as a built-in
// one or an earlier one (without case), is left out; values that cannot be
// read take the Preset defaults, and a pair the container does not hold is
// fitted to it as the settings page does.
std::vector<Preset> ReadUserPresets(QSettings& profile);
// Replaces the stored ones with `presets`.
void WriteUserPresets(QSettings& profile, const std::vector<Preset>& presets);

// The built-in presets, then the user's from the profile.
std::vector<Preset> AllPresets(QSettings& profile);
// The preset of that name among `presets`, without case; nothing when none is.
std::optional<Preset> FindPreset(const std::vector<Preset>& presets, const QString& name);

// Sets the preset's container, codecs, quality, speed and output size; the
// video bit rate becomes auto and the target size none, so that its quality
// applies. The frame rate, aspect, audio rates and volume are left alone.
void ApplyPreset(const Preset& preset, EncodingSettings& settings);
// True while the settings hold the preset's container, codecs, quality and
// speed (its size is not among the settings stored).
bool HoldsPreset(const EncodingSettings& settings, const Preset& preset);

}  // namespace vidmora
