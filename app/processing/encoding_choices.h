#pragma once

// The one table of what an output can be: the containers (with their file
// extensions and the codecs each offers), the video codecs and the audio
// codecs (with the encoder each maps to), and the value lists of the rate and
// volume choices. The settings, the settings page, vidmora-cli's options and
// the encoder's argument vector all read it; nothing else lists them.
//
// The enums' values are the indices stored in the profile. Constant data; any
// thread.

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace vidmora {

struct EncodingSettings;

enum class Container { kMp4 = 1, kAvi = 2, kMkv = 3, k3gp = 4, kVp8 = 5, kM4v = 6 };
enum class VideoCodec { kH264 = 1, kXvid = 2, kDivx = 3, kH263 = 4, kVp8 = 5 };
// Any stored audio index that names no codec means: copy the source's audio.
enum class AudioCodec { kCopy = 0, kAac = 1, kMp3 = 2, kVorbis = 3 };

struct VideoCodecInfo {
  VideoCodec codec;
  const char* text;         // as the settings page shows it: "H264"
  const char* optionName;   // vidmora-cli's name: "h264"
  const char* encoderName;  // what the encoder library takes: "libx264"
};

struct AudioCodecInfo {
  AudioCodec codec;
  const char* text;  // "AAC"
  const char* optionName;
  const char* encoderName;  // "copy" for kCopy
};

struct ContainerInfo {
  Container container;
  const char* text;        // "MP4"
  const char* optionName;  // "mp4"
  const char* extension;   // ".mp4", with its dot
  std::span<const VideoCodec> videoCodecs;  // offered; the first is preselected
  std::span<const AudioCodec> audioCodecs;  // offered besides copy; the first is preselected
};

// Every entry, in the order the settings page lists them. Audio codecs end
// with copy.
std::span<const ContainerInfo> Containers();
std::span<const VideoCodecInfo> VideoCodecs();
std::span<const AudioCodecInfo> AudioCodecs();

const ContainerInfo& Info(Container container);
const VideoCodecInfo& Info(VideoCodec codec);
const AudioCodecInfo& Info(AudioCodec codec);

// Stored indices. An index that names nothing gives nothing for containers and
// video codecs, copy for audio codecs.
std::optional<Container> ContainerFromIndex(int index);
std::optional<VideoCodec> VideoCodecFromIndex(int index);
AudioCodec AudioCodecFromIndex(int index);
constexpr int StoredIndex(Container value) { return static_cast<int>(value); }
constexpr int StoredIndex(VideoCodec value) { return static_cast<int>(value); }
constexpr int StoredIndex(AudioCodec value) { return static_cast<int>(value); }

// vidmora-cli's names, compared without case; nothing for an unknown name.
std::optional<Container> ContainerFromOptionName(const QString& name);
std::optional<VideoCodec> VideoCodecFromOptionName(const QString& name);
std::optional<AudioCodec> AudioCodecFromOptionName(const QString& name);

bool Offers(const ContainerInfo& container, VideoCodec codec);
// Copy is offered by every container.
bool Offers(const ContainerInfo& container, AudioCodec codec);

// When the codec is not offered by the container, the first codec the
// container offers takes its place, as the settings page selects it.
void FitCodecsToContainer(EncodingSettings& settings);

// The value lists, item 0 always "Auto" (stored as "auto").
QStringList FrameRateChoices();
QStringList VideoBitrateChoices();
QStringList AspectChoices();
QStringList SampleRateChoices();
QStringList AudioBitrateChoices();
QStringList VolumeChoices();

}  // namespace vidmora
