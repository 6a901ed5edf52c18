#include "app/processing/encoding_settings.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

namespace vidmora {

namespace {

// Profile keys, in the order they are written.
constexpr const char* kOutputFormatKey = code_settings_keys::kOutputFormat;
constexpr const char* kVideoCodecKey = code_settings_keys::kVideoCodec;
constexpr const char* kVideoBitrateKey = "video_bitrate";
constexpr const char* kFrameRateKey = "video_framerate";
constexpr const char* kAspectKey = "video_aspect";
constexpr const char* kAudioCodecKey = code_settings_keys::kAudioCodec;
constexpr const char* kAudioBitrateKey = "audio_bitrate";
constexpr const char* kAudioSampleKey = "audio_sample";
constexpr const char* kAudioVolumeKey = "audio_volume";
constexpr const char* kQualityKey = code_settings_keys::kQuality;
constexpr const char* kSpeedKey = code_settings_keys::kSpeed;
constexpr const char* kTargetSizeKey = "video_target_size";
constexpr const char* kPresetKey = "preset";
constexpr const char* kHardwareKey = "video_hardware";
constexpr const char* kNone = "none";

constexpr const char* kAuto = "auto";

int ReadInt(QSettings& profile, const char* key, int fallback) {
  bool ok = false;
  const int value = profile.value(key, fallback).toInt(&ok);
  return ok ? value : fallback;
}

// The largest values the encoder library takes (see encoder/options.cpp), in
// the stored units: bit rates in kbit/s, frame rates per second, sampling
// rates in kHz, the volume with 256 unchanged.
constexpr double kLargestBitrateKbps = 10e6;
constexpr double kLargestFrameRate = 1000;
constexpr double kLargestSampleRateKhz = 768;
constexpr double kLargestVolume = 256 * 256;

template <typename T>
AutoOr<T> ReadAutoOr(QSettings& profile, const char* key, double largest, StoredValueProblems* problems) {
  AutoOr<T> value;
  if (!ParseAutoOr(profile.value(key, kAuto).toString().trimmed(), value)) {
    if (problems) problems->unreadableKeys.append(key);
  } else if (value && static_cast<double>(*value) > largest) {
    if (problems) problems->tooLarge.append({key, profile.value(key).toString().trimmed(), largest});
    value.reset();
  }
  return value;
}

bool IsAuto(const QString& text) { return text.compare(QLatin1String(kAuto), Qt::CaseInsensitive) == 0; }

}  // namespace

EncodingSettings ReadEncodingSettings(QSettings& profile, QStringList* unreadableKeys) {
  StoredValueProblems problems;
  EncodingSettings settings = ReadEncodingSettings(profile, problems);
  if (unreadableKeys) *unreadableKeys << problems.unreadableKeys;
  return settings;
}

EncodingSettings ReadEncodingSettings(QSettings& profile, StoredValueProblems& problems) {
  StoredValueProblems* const found = &problems;
  const EncodingSettings defaults;
  EncodingSettings settings;
  profile.beginGroup(kEncodingSettingsGroup);
  settings.container = ContainerFromIndex(ReadInt(profile, kOutputFormatKey, StoredIndex(defaults.container)))
                           .value_or(Container::kMp4);
  settings.videoCodec = VideoCodecFromIndex(ReadInt(profile, kVideoCodecKey, StoredIndex(defaults.videoCodec)))
                            .value_or(VideoCodec::kH264);
  settings.videoBitrateKbps = ReadAutoOr<int>(profile, kVideoBitrateKey, kLargestBitrateKbps, found);
  settings.frameRate = ReadAutoOr<double>(profile, kFrameRateKey, kLargestFrameRate, found);
  settings.aspect = profile.value(kAspectKey, defaults.aspect).toString();
  settings.audioCodec = AudioCodecFromIndex(ReadInt(profile, kAudioCodecKey, StoredIndex(defaults.audioCodec)));
  settings.audioBitrateKbps = ReadAutoOr<int>(profile, kAudioBitrateKey, kLargestBitrateKbps, found);
  settings.sampleRateKhz = ReadAutoOr<double>(profile, kAudioSampleKey, kLargestSampleRateKhz, found);
  settings.volume = ReadAutoOr<int>(profile, kAudioVolumeKey, kLargestVolume, found);
  if (!ParseQuality(profile.value(kQualityKey, kAuto).toString().trimmed(), settings.quality, settings.qualityLevel))
    problems.unreadableKeys.append(kQualityKey);
  const auto speed = SpeedFromWord(profile.value(kSpeedKey, Info(defaults.speed).word).toString().trimmed());
  if (!speed) problems.unreadableKeys.append(kSpeedKey);
  settings.speed = speed.value_or(defaults.speed);
  if (!ParseTargetSize(profile.value(kTargetSizeKey, kNone).toString().trimmed(), settings.targetSizeMb))
    problems.unreadableKeys.append(kTargetSizeKey);
  settings.preset = profile.value(kPresetKey).toString().trimmed();
  const auto hardware =
      HardwareFromWord(profile.value(kHardwareKey, Info(defaults.hardware).word).toString().trimmed());
  if (!hardware) problems.unreadableKeys.append(kHardwareKey);
  settings.hardware = hardware.value_or(defaults.hardware);
  profile.endGroup();
  return settings;
}

void WriteEncodingSettings(QSettings& profile, const EncodingSettings& settings) {
  profile.beginGroup(kEncodingSettingsGroup);
  profile.setValue(kOutputFormatKey, StoredIndex(settings.container));
  profile.setValue(kVideoCodecKey, StoredIndex(settings.videoCodec));
  profile.setValue(kVideoBitrateKey, AutoOrText(settings.videoBitrateKbps));
  profile.setValue(kFrameRateKey, AutoOrText(settings.frameRate));
  profile.setValue(kAspectKey, settings.aspect);
  profile.setValue(kAudioCodecKey, StoredIndex(settings.audioCodec));
  profile.setValue(kAudioBitrateKey, AutoOrText(settings.audioBitrateKbps));
  profile.setValue(kAudioSampleKey, AutoOrText(settings.sampleRateKhz));
  profile.setValue(kAudioVolumeKey, AutoOrText(settings.volume));
  profile.setValue(kQualityKey, QualityText(settings.quality, settings.qualityLevel));
  profile.setValue(kSpeedKey, QString::fromLatin1(Info(settings.speed).word));
  profile.setValue(kTargetSizeKey, TargetSizeText(settings.targetSizeMb));
  profile.setValue(kPresetKey, settings.preset);
  profile.setValue(kHardwareKey, QString::fromLatin1(Info(settings.hardware).word));
  profile.endGroup();
  profile.sync();
}

QString QualityText(QualityChoice choice, int level) {
  if (choice == QualityChoice::kLevel) return QString::number(level);
  return QString::fromLatin1(Info(choice).word);
}

bool ParseQuality(const QString& text, QualityChoice& choice, int& level) {
  for (const QualityInfo& info : QualityChoices()) {
    if (text.compare(QLatin1String(info.word), Qt::CaseInsensitive) != 0) continue;
    choice = info.choice;
    return true;
  }
  AutoOr<int> number;
  if (!ParseAutoOr(text, number) || !number || *number > kLargestQualityLevel) {
    choice = QualityChoice::kAuto;
    return false;
  }
  choice = QualityChoice::kLevel;
  level = *number;
  return true;
}

QString TargetSizeText(const std::optional<double>& megabytes) {
  return megabytes ? AutoOrText(AutoOr<double>(megabytes)) : QString(kNone);
}

bool ParseTargetSize(const QString& text, std::optional<double>& megabytes) {
  megabytes.reset();
  if (text.compare(QLatin1String(kNone), Qt::CaseInsensitive) == 0) return true;
  AutoOr<double> number;
  if (IsAuto(text) || !ParseAutoOr(text, number) || *number <= 0 || *number > kLargestTargetSizeMb) return false;
  megabytes = *number;
  return true;
}

QString AutoOrText(const AutoOr<int>& value) { return value ? QString::number(*value) : QString(kAuto); }

QString AutoOrText(const AutoOr<double>& value) {
  return value ? QString::number(*value, 'f', QLocale::FloatingPointShortest) : QString(kAuto);
}

bool ParseAutoOr(const QString& text, AutoOr<int>& value) {
  if (IsAuto(text)) {
    value.reset();
    return true;
  }
  static const QRegularExpression kInteger("^[0-9]+$");
  bool ok = false;
  const int number = kInteger.match(text).hasMatch() ? text.toInt(&ok) : 0;
  if (ok) value = number;
  return ok;
}

bool ParseAutoOr(const QString& text, AutoOr<double>& value) {
  if (IsAuto(text)) {
    value.reset();
    return true;
  }
  static const QRegularExpression kDecimal("^[0-9]+(\\.[0-9]+)?$");
  bool ok = false;
  const double number = kDecimal.match(text).hasMatch() ? text.toDouble(&ok) : 0;
  if (ok) value = number;
  return ok;
}

}  // namespace vidmora
