#pragma once

// The output container, codecs, rates and volume that every output file gets,
// kept in the profile group "CodeSettings". One plain value; the transcode job
// reads it afresh at the start of every file, so a change between two files
// takes effect on the second.
//
// Rates and the volume are typed optional values: no value is "auto" (the
// job takes what the probe reads from the source). The profile keeps them as
// text, "auto" or a number, as it always has.

#include "app/processing/encoding_choices.h"
#include "shared/program_profile.h"

#include <QString>
#include <QStringList>

#include <optional>

class QSettings;

namespace vidmora {

// Keys of the group "CodeSettings" that a stored preset (presets.h) keeps too,
// for the same values.
namespace code_settings_keys {
inline constexpr const char* kOutputFormat = "output_format";
inline constexpr const char* kVideoCodec = "video_codec";
inline constexpr const char* kAudioCodec = "audio_codec";
inline constexpr const char* kQuality = "video_quality";
inline constexpr const char* kSpeed = "video_speed";
}  // namespace code_settings_keys

// A setting that is either "auto" (no value) or the value given.
template <typename T>
using AutoOr = std::optional<T>;

struct EncodingSettings {
  Container container = Container::kMp4;
  VideoCodec videoCodec = VideoCodec::kH264;
  AutoOr<int> videoBitrateKbps;
  AutoOr<double> frameRate;        // frames per second
  QString aspect = "auto";         // display aspect of the outputs ("16:9", "1.7777") or "auto": the source's
  AudioCodec audioCodec = AudioCodec::kAac;
  AutoOr<double> sampleRateKhz;
  AutoOr<int> audioBitrateKbps;
  AutoOr<int> volume;              // encoder volume, 256 = unchanged
  // Keys added after the first program's nine, which an older program leaves alone.
  QualityChoice quality = QualityChoice::kAuto;  // used while the video bit rate is auto
  int qualityLevel = 23;                         // for QualityChoice::kLevel: 0 (finest) .. 51
  SpeedChoice speed = SpeedChoice::kBalanced;
  // A size for each whole output in MB (10^6 bytes), coded in two passes;
  // none: the quality applies. A set video bit rate wins over it.
  std::optional<double> targetSizeMb;
  // The name of the preset (presets.h) the settings were last set from;
  // empty for none. Its output size applies while the Resize settings are off.
  QString preset;
  HardwareChoice hardware = HardwareChoice::kOff;  // the hardware video encoder asked for
  // The size of the pictures written, as shown (0: not set; a width alone, a
  // height alone or a box both fit into); not stored in this group: it comes
  // from the resizing settings (resizing_settings.h) while they are on.
  int outputWidth = 0;
  int outputHeight = 0;
  bool enlargeOutput = false;      // a smaller picture is enlarged to that size too
  bool disableAudio = false;       // not stored: lives for the running program

  friend bool operator==(const EncodingSettings&, const EncodingSettings&) = default;
};

inline constexpr const char* kEncodingSettingsGroup = "CodeSettings";

// Reads the record from the profile; missing values take the defaults. A
// container or video codec index that names nothing reads as MP4 or H264 (the
// encoder's choice for them), an audio index as copy. A rate or volume that is
// neither "auto" nor a number reads as auto, and its key is added to
// `unreadableKeys` when given.
EncodingSettings ReadEncodingSettings(QSettings& profile, QStringList* unreadableKeys = nullptr);

// What the reading found wrong with stored rates and the volume: keys whose
// value is neither "auto" nor a number, and numbers above what the encoder
// takes (read as auto too).
struct StoredValueProblems {
  struct TooLarge {
    QString key;    // within the group CodeSettings
    QString value;  // as stored
    double largest;
  };
  QStringList unreadableKeys;
  QList<TooLarge> tooLarge;
};
EncodingSettings ReadEncodingSettings(QSettings& profile, StoredValueProblems& problems);
// Writes the nine stored keys (output_format, video_codec, video_bitrate,
// video_framerate, video_aspect, audio_codec, audio_bitrate, audio_sample,
// audio_volume), then the later ones: video_quality ("auto", "like-source",
// "high", "standard", "small" or a level 0..51) and video_speed ("balanced",
// "faster", "smaller"), video_target_size ("none" or MB), preset (a
// preset's name, or empty) and video_hardware ("off", "auto", "vaapi",
// "nvenc", "qsv"). Unreadable later values read as auto, balanced, none and
// off.
//
// The quality as the profile and vidmora-cli write it, and back; false for
// anything else.
QString QualityText(QualityChoice choice, int level);
bool ParseQuality(const QString& text, QualityChoice& choice, int& level);
void WriteEncodingSettings(QSettings& profile, const EncodingSettings& settings);

// The target size as stored and as vidmora-cli takes it: "none" or MB
// ("25", "9.5"); false for anything else, a size of 0 or one above
// kLargestTargetSizeMb.
inline constexpr double kLargestTargetSizeMb = 1e7;
QString TargetSizeText(const std::optional<double>& megabytes);
bool ParseTargetSize(const QString& text, std::optional<double>& megabytes);

// The text of a rate as the profile and the settings page hold it: "auto", or
// the number without trailing zeros ("29.97", "44.1", "2000").
QString AutoOrText(const AutoOr<int>& value);
QString AutoOrText(const AutoOr<double>& value);
// Reads "auto" (any case) or a non-negative decimal number (digits only for
// int). Returns false, leaving `value` alone, for anything else.
bool ParseAutoOr(const QString& text, AutoOr<int>& value);
bool ParseAutoOr(const QString& text, AutoOr<double>& value);

}  // namespace vidmora
