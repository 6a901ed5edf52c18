#pragma once

// The output container, codecs, rates and volume that every output file gets,
// kept in the profile group "CodeSettings". One plain value; the transcode job
// reads it afresh at the start of every file, so a change between two files
// takes effect on the second.

#include <QString>
#include <QStringList>

class QSettings;

namespace vidmora {

struct EncodingSettings {
  int outputFormat = 1;            // container index: 1 MP4, 2 AVI, 3 MKV, 4 3GP, 5 VP8, 6 M4V
  int videoCodec = 1;              // 1 H264, 2 Xvid, 3 Divx, 4 H.263, 5 VP8
  QString videoBitrate = "auto";   // kbit/s as text, or "auto"
  QString frameRate = "auto";      // frames per second as text, or "auto"
  QString aspect = "auto";         // stored only; the encoder is not told
  int audioCodec = 1;              // 1 AAC, 2 MP3, 3 Vorbis, other: copy
  QString audioSampleRate = "auto";  // kHz as text, or "auto"
  QString audioBitrate = "auto";   // kbit/s as text, or "auto"
  QString audioVolume = "auto";    // encoder volume (256 = unchanged) as text, or "auto"
  bool disableAudio = false;       // not stored: lives for the running program

  friend bool operator==(const EncodingSettings&, const EncodingSettings&) = default;
};

// The profile of the program: QSettings("VIDMORA", "Vidmora").
inline constexpr const char* kProfileOrganization = "VIDMORA";
inline constexpr const char* kProfileApplication = "Vidmora";
inline constexpr const char* kEncodingSettingsGroup = "CodeSettings";

// Reads the record from the profile; missing values take the defaults. A rate
// or volume that is neither "auto" nor a number reads as auto, and its key is
// added to `unreadableKeys` when given.
EncodingSettings ReadEncodingSettings(QSettings& profile, QStringList* unreadableKeys = nullptr);
// Writes the nine stored keys (output_format, video_codec, video_bitrate,
// video_framerate, video_aspect, audio_codec, audio_bitrate, audio_sample,
// audio_volume).
void WriteEncodingSettings(QSettings& profile, const EncodingSettings& settings);

// True when a rate or volume setting asks for the probed value ("auto", any case).
bool IsAuto(const QString& value);

// Encoder names that the encoder library takes.
QString VideoEncoderName(int videoCodecIndex);  // unknown index: "libx264"
QString AudioEncoderName(int audioCodecIndex);  // unknown index: "copy"
// Output file extension with its dot; unknown index: ".mp4".
QString OutputExtension(int outputFormatIndex);

}  // namespace vidmora
