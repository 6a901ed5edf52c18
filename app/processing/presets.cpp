#include "app/processing/presets.h"

#include "app/processing/encoding_settings.h"

#include <QSettings>

namespace vidmora {

namespace {

// The keys of one stored preset; the values as the group CodeSettings holds them.
constexpr const char* kNameKey = "name";
constexpr const char* kContainerKey = code_settings_keys::kOutputFormat;
constexpr const char* kVideoCodecKey = code_settings_keys::kVideoCodec;
constexpr const char* kAudioCodecKey = code_settings_keys::kAudioCodec;
constexpr const char* kQualityKey = code_settings_keys::kQuality;
constexpr const char* kSpeedKey = code_settings_keys::kSpeed;
constexpr const char* kWidthKey = "output_width";
constexpr const char* kHeightKey = "output_height";

int ReadSide(const QSettings& profile, const char* key) {
  bool ok = false;
  const int side = profile.value(key, 0).toInt(&ok);
  return ok && side > 0 ? side : 0;
}

}  // namespace

const std::vector<Preset>& BuiltInPresets() {
  static const std::vector<Preset> kPresets = {
      // Plays everywhere; HD pictures fit into 1920 x 1080.
      {"Web H.264 1080p", Container::kMp4, VideoCodec::kH264, AudioCodec::kAac, QualityChoice::kStandard, 23,
       SpeedChoice::kBalanced, 1920, 1080},
      {"Small HEVC", Container::kMp4, VideoCodec::kHevc, AudioCodec::kAac, QualityChoice::kSmall, 23,
       SpeedChoice::kBalanced, 0, 0},
      {"WebM AV1", Container::kWebm, VideoCodec::kAv1, AudioCodec::kOpus, QualityChoice::kStandard, 23,
       SpeedChoice::kBalanced, 0, 0},
      // The source's codec family at its quality, its audio copied.
      {"Archive: same as source", Container::kMkv, VideoCodec::kSame, AudioCodec::kCopy, QualityChoice::kLikeSource, 23,
       SpeedChoice::kBalanced, 0, 0},
  };
  return kPresets;
}

std::vector<Preset> ReadUserPresets(QSettings& profile) {
  std::vector<Preset> presets;
  const int count = profile.beginReadArray(kPresetsGroup);
  for (int i = 0; i < count; ++i) {
    profile.setArrayIndex(i);
    Preset preset;
    preset.name = profile.value(kNameKey).toString().trimmed();
    if (preset.name.isEmpty() || FindPreset(BuiltInPresets(), preset.name) || FindPreset(presets, preset.name))
      continue;
    bool ok = false;
    const int container = profile.value(kContainerKey).toInt(&ok);
    EncodingSettings fitted;
    fitted.container = ok ? ContainerFromIndex(container).value_or(preset.container) : preset.container;
    const int video = profile.value(kVideoCodecKey).toInt(&ok);
    fitted.videoCodec = ok ? VideoCodecFromIndex(video).value_or(preset.videoCodec) : preset.videoCodec;
    const int audio = profile.value(kAudioCodecKey).toInt(&ok);
    fitted.audioCodec = ok ? AudioCodecFromIndex(audio) : preset.audioCodec;
    FitCodecsToContainer(fitted);
    preset.container = fitted.container;
    preset.videoCodec = fitted.videoCodec;
    preset.audioCodec = fitted.audioCodec;
    if (!ParseQuality(profile.value(kQualityKey).toString().trimmed(), preset.quality, preset.qualityLevel))
      preset.quality = Preset{}.quality;
    preset.speed = SpeedFromWord(profile.value(kSpeedKey).toString().trimmed()).value_or(preset.speed);
    preset.width = ReadSide(profile, kWidthKey);
    preset.height = ReadSide(profile, kHeightKey);
    presets.push_back(preset);
  }
  profile.endArray();
  return presets;
}

void WriteUserPresets(QSettings& profile, const std::vector<Preset>& presets) {
  profile.remove(kPresetsGroup);
  profile.beginWriteArray(kPresetsGroup, static_cast<int>(presets.size()));
  for (int i = 0; i < static_cast<int>(presets.size()); ++i) {
    const Preset& preset = presets[static_cast<size_t>(i)];
    profile.setArrayIndex(i);
    profile.setValue(kNameKey, preset.name);
    profile.setValue(kContainerKey, StoredIndex(preset.container));
    profile.setValue(kVideoCodecKey, StoredIndex(preset.videoCodec));
    profile.setValue(kAudioCodecKey, StoredIndex(preset.audioCodec));
    profile.setValue(kQualityKey, QualityText(preset.quality, preset.qualityLevel));
    profile.setValue(kSpeedKey, QString::fromLatin1(Info(preset.speed).word));
    profile.setValue(kWidthKey, preset.width);
    profile.setValue(kHeightKey, preset.height);
  }
  profile.endArray();
  profile.sync();
}

std::vector<Preset> AllPresets(QSettings& profile) {
  std::vector<Preset> presets = BuiltInPresets();
  for (Preset& preset : ReadUserPresets(profile)) presets.push_back(std::move(preset));
  return presets;
}

std::optional<Preset> FindPreset(const std::vector<Preset>& presets, const QString& name) {
  const QString wanted = name.trimmed();
  for (const Preset& preset : presets)
    if (preset.name.compare(wanted, Qt::CaseInsensitive) == 0) return preset;
  return std::nullopt;
}

void ApplyPreset(const Preset& preset, EncodingSettings& settings) {
  settings.container = preset.container;
  settings.videoCodec = preset.videoCodec;
  settings.audioCodec = preset.audioCodec;
  settings.quality = preset.quality;
  settings.qualityLevel = preset.qualityLevel;
  settings.speed = preset.speed;
  settings.videoBitrateKbps.reset();
  settings.targetSizeMb.reset();
  settings.outputWidth = preset.width;
  settings.outputHeight = preset.height;
  settings.enlargeOutput = false;
  settings.preset = preset.name;
}

bool HoldsPreset(const EncodingSettings& settings, const Preset& preset) {
  return settings.container == preset.container && settings.videoCodec == preset.videoCodec &&
         settings.audioCodec == preset.audioCodec && settings.quality == preset.quality &&
         (preset.quality != QualityChoice::kLevel || settings.qualityLevel == preset.qualityLevel) &&
         settings.speed == preset.speed && !settings.videoBitrateKbps && !settings.targetSizeMb;
}

}  // namespace vidmora
