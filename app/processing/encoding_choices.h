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

// Values 1 to 6, 1 to 5 and 0 to 3 are the first program's; later ones were
// added after them, so that an older program reads a newer profile (it takes
// a value it does not know for MP4, H264 and copy).
enum class Container { kMp4 = 1, kAvi = 2, kMkv = 3, k3gp = 4, kVp8 = 5, kM4v = 6, kMov = 7, kWebm = 8 };
// kSame keeps the source's codec family (H.264, HEVC or AV1; H.264 for the
// others) at a quality like the source's.
enum class VideoCodec {
  kH264 = 1,
  kXvid = 2,
  kDivx = 3,
  kH263 = 4,
  kVp8 = 5,
  kHevc = 6,
  kAv1 = 7,
  kVp9 = 8,
  kSame = 9
};
// Any stored audio index that names no codec means: copy the source's audio.
enum class AudioCodec { kCopy = 0, kAac = 1, kMp3 = 2, kVorbis = 3, kOpus = 4, kFlac = 5 };

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
  const char* text;                         // "MP4"
  const char* optionName;                   // "mp4"
  const char* extension;                    // ".mp4", with its dot
  std::span<const VideoCodec> videoCodecs;  // offered; the first is preselected
  std::span<const AudioCodec> audioCodecs;  // offered besides copy; the first is preselected
  const char* limits;                       // why the container holds no other codecs, one clause for the user
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
// "same" names copy for audio too (the source's audio kept as it is).
std::optional<Container> ContainerFromOptionName(const QString& name);
std::optional<VideoCodec> VideoCodecFromOptionName(const QString& name);
std::optional<AudioCodec> AudioCodecFromOptionName(const QString& name);

bool Offers(const ContainerInfo& container, VideoCodec codec);
// Copy is offered by every container.
bool Offers(const ContainerInfo& container, AudioCodec codec);

// Why the container does not hold the codec, one line for the user naming
// both and what the container holds instead; empty when it is offered.
QString RefusalReason(const ContainerInfo& container, VideoCodec codec);
QString RefusalReason(const ContainerInfo& container, AudioCodec codec);

// When the codec is not offered by the container, the first codec the
// container offers takes its place, as the settings page selects it.
void FitCodecsToContainer(EncodingSettings& settings);

// The constant quality used when the video bit rate is auto. Auto is what
// each encoder has always been given (the standard level; like the source
// for the codec "same"); a level is a number on H.264's rate-factor scale,
// 0 finest to 51 coarsest, that the encoder maps onto its own.
enum class QualityChoice { kAuto, kLikeSource, kHigh, kStandard, kSmall, kLevel };
struct QualityInfo {
  QualityChoice choice;
  const char* text;  // as the settings page shows it: "High"
  const char* word;  // stored, and vidmora-cli's name: "high"
  int level;         // the level it stands for; -1 for auto and like the source
};
// Every named choice in the page's order (a level has no entry of its own).
std::span<const QualityInfo> QualityChoices();
const QualityInfo& Info(QualityChoice choice);
inline constexpr int kLargestQualityLevel = 51;

enum class SpeedChoice { kBalanced, kFaster, kSmaller };
struct SpeedInfo {
  SpeedChoice choice;
  const char* text;  // "Faster (larger files)"
  const char* word;  // stored, vidmora-cli's and the encoder's name: "faster"
};
std::span<const SpeedInfo> SpeedChoices();
const SpeedInfo& Info(SpeedChoice choice);
std::optional<SpeedChoice> SpeedFromWord(const QString& word);

// The hardware video encoder asked for: none, whichever works, or one device.
// Where it does not work the encoder falls back to software, with a note.
enum class HardwareChoice { kOff, kAuto, kVaapi, kNvenc, kQsv };
struct HardwareInfo {
  HardwareChoice choice;
  const char* word;  // stored, vidmora-cli's and the encoder's name: "vaapi"
  const char* text;  // as the settings page shows it: "VAAPI"
};
std::span<const HardwareInfo> HardwareChoices();
const HardwareInfo& Info(HardwareChoice choice);
std::optional<HardwareChoice> HardwareFromWord(const QString& word);

// The value lists, item 0 always "Auto" (stored as "auto").
QStringList FrameRateChoices();
QStringList VideoBitrateChoices();
QStringList AspectChoices();
QStringList SampleRateChoices();
QStringList AudioBitrateChoices();
QStringList VolumeChoices();
// Target sizes in MB the settings page offers after "None" (upload limits).
QStringList TargetSizeChoices();

}  // namespace vidmora
