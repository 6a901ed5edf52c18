#include "app/processing/encoding_settings.h"

#include <QRegularExpression>
#include <QSettings>

namespace vidmora {

namespace {

// Profile keys, in the order they are written.
constexpr const char* kOutputFormatKey = "output_format";
constexpr const char* kVideoCodecKey = "video_codec";
constexpr const char* kVideoBitrateKey = "video_bitrate";
constexpr const char* kFrameRateKey = "video_framerate";
constexpr const char* kAspectKey = "video_aspect";
constexpr const char* kAudioCodecKey = "audio_codec";
constexpr const char* kAudioBitrateKey = "audio_bitrate";
constexpr const char* kAudioSampleKey = "audio_sample";
constexpr const char* kAudioVolumeKey = "audio_volume";

int ReadInt(QSettings& profile, const char* key, int fallback) {
  bool ok = false;
  const int value = profile.value(key, fallback).toInt(&ok);
  return ok ? value : fallback;
}

// A rate or volume as stored: "auto" or a non-negative decimal number. Anything
// else (a hand-edited "garbage") reads as auto, and its key is named.
QString ReadRate(QSettings& profile, const char* key, const QString& fallback, QStringList* unreadableKeys) {
  static const QRegularExpression kNumber("^[0-9]+(\\.[0-9]+)?$");
  const QString text = profile.value(key, fallback).toString();
  if (IsAuto(text) || kNumber.match(text).hasMatch()) return text;
  if (unreadableKeys) unreadableKeys->append(key);
  return "auto";
}

}  // namespace

EncodingSettings ReadEncodingSettings(QSettings& profile, QStringList* unreadableKeys) {
  const EncodingSettings defaults;
  EncodingSettings settings;
  profile.beginGroup(kEncodingSettingsGroup);
  settings.outputFormat = ReadInt(profile, kOutputFormatKey, defaults.outputFormat);
  settings.videoCodec = ReadInt(profile, kVideoCodecKey, defaults.videoCodec);
  settings.videoBitrate = ReadRate(profile, kVideoBitrateKey, defaults.videoBitrate, unreadableKeys);
  settings.frameRate = ReadRate(profile, kFrameRateKey, defaults.frameRate, unreadableKeys);
  settings.aspect = profile.value(kAspectKey, defaults.aspect).toString();
  settings.audioCodec = ReadInt(profile, kAudioCodecKey, defaults.audioCodec);
  settings.audioBitrate = ReadRate(profile, kAudioBitrateKey, defaults.audioBitrate, unreadableKeys);
  settings.audioSampleRate = ReadRate(profile, kAudioSampleKey, defaults.audioSampleRate, unreadableKeys);
  settings.audioVolume = ReadRate(profile, kAudioVolumeKey, defaults.audioVolume, unreadableKeys);
  profile.endGroup();
  return settings;
}

void WriteEncodingSettings(QSettings& profile, const EncodingSettings& settings) {
  profile.beginGroup(kEncodingSettingsGroup);
  profile.setValue(kOutputFormatKey, settings.outputFormat);
  profile.setValue(kVideoCodecKey, settings.videoCodec);
  profile.setValue(kVideoBitrateKey, settings.videoBitrate);
  profile.setValue(kFrameRateKey, settings.frameRate);
  profile.setValue(kAspectKey, settings.aspect);
  profile.setValue(kAudioCodecKey, settings.audioCodec);
  profile.setValue(kAudioBitrateKey, settings.audioBitrate);
  profile.setValue(kAudioSampleKey, settings.audioSampleRate);
  profile.setValue(kAudioVolumeKey, settings.audioVolume);
  profile.endGroup();
  profile.sync();
}

bool IsAuto(const QString& value) { return value.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0; }

QString VideoEncoderName(int videoCodecIndex) {
  switch (videoCodecIndex) {
    case 2: return "libxvid";
    case 3: return "msmpeg4";
    case 4: return "flv";
    case 5: return "libvpx";
    default: return "libx264";
  }
}

QString AudioEncoderName(int audioCodecIndex) {
  switch (audioCodecIndex) {
    case 1: return "libvo_aacenc";
    case 2: return "libmp3lame";
    case 3: return "libvorbis";
    default: return "copy";
  }
}

QString OutputExtension(int outputFormatIndex) {
  switch (outputFormatIndex) {
    case 2: return ".avi";
    case 3: return ".mkv";
    case 4: return ".3gp";
    case 5: return ".vp8";
    case 6: return ".m4v";
    default: return ".mp4";
  }
}

}  // namespace vidmora
