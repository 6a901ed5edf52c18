#include "app/processing/encoding_choices.h"

#include "app/processing/encoding_settings.h"

#include <algorithm>
#include <array>

namespace vidmora {

namespace {

using V = VideoCodec;
using A = AudioCodec;

constexpr std::array<VideoCodecInfo, 5> kVideoCodecs{{
    {V::kH264, "H264", "h264", "libx264"},
    {V::kXvid, "Xvid", "xvid", "libxvid"},
    {V::kDivx, "Divx", "divx", "msmpeg4"},
    {V::kH263, "H.263", "h263", "flv"},
    {V::kVp8, "VP8", "vp8", "libvpx"},
}};

constexpr std::array<AudioCodecInfo, 4> kAudioCodecs{{
    {A::kAac, "AAC", "aac", "libvo_aacenc"},
    {A::kMp3, "MP3", "mp3", "libmp3lame"},
    {A::kVorbis, "Vorbis", "vorbis", "libvorbis"},
    {A::kCopy, "Copy", "copy", "copy"},
}};

constexpr std::array kMp4Video{V::kH264, V::kXvid};
constexpr std::array kMp4Audio{A::kAac, A::kMp3};
constexpr std::array kAviVideo{V::kXvid, V::kDivx};
constexpr std::array kAviAudio{A::kMp3};
constexpr std::array k3gpVideo{V::kH263};
constexpr std::array k3gpAudio{A::kAac};
constexpr std::array kVp8Video{V::kVp8};
constexpr std::array kVp8Audio{A::kVorbis};

const std::array<ContainerInfo, 6> kContainers{{
    {Container::kMp4, "MP4", "mp4", ".mp4", kMp4Video, kMp4Audio},
    {Container::kAvi, "AVI", "avi", ".avi", kAviVideo, kAviAudio},
    {Container::kMkv, "MKV", "mkv", ".mkv", kMp4Video, kMp4Audio},
    {Container::k3gp, "3GP", "3gp", ".3gp", k3gpVideo, k3gpAudio},
    {Container::kVp8, "VP8", "vp8", ".webm", kVp8Video, kVp8Audio},  // WebM, the container VP8 is played in
    {Container::kM4v, "M4V", "m4v", ".m4v", kMp4Video, kMp4Audio},
}};

// The entry whose enum value is `index`; null when there is none.
template <typename Entry, typename Key>
const Entry* ByIndex(std::span<const Entry> table, Key Entry::*key, int index) {
  const auto it = std::find_if(table.begin(), table.end(), [&](const Entry& e) { return static_cast<int>(e.*key) == index; });
  return it == table.end() ? nullptr : &*it;
}

template <typename Entry>
const Entry* ByOptionName(std::span<const Entry> table, const QString& name) {
  const auto it = std::find_if(table.begin(), table.end(), [&](const Entry& e) {
    return name.compare(QLatin1String(e.optionName), Qt::CaseInsensitive) == 0;
  });
  return it == table.end() ? nullptr : &*it;
}

template <typename T>
bool Contains(std::span<const T> values, T value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

}  // namespace

std::span<const ContainerInfo> Containers() { return kContainers; }
std::span<const VideoCodecInfo> VideoCodecs() { return kVideoCodecs; }
std::span<const AudioCodecInfo> AudioCodecs() { return kAudioCodecs; }

// Every enum value has its entry, so the lookups below always find one.
const ContainerInfo& Info(Container container) {
  return *ByIndex(Containers(), &ContainerInfo::container, StoredIndex(container));
}
const VideoCodecInfo& Info(VideoCodec codec) {
  return *ByIndex(VideoCodecs(), &VideoCodecInfo::codec, StoredIndex(codec));
}
const AudioCodecInfo& Info(AudioCodec codec) {
  return *ByIndex(AudioCodecs(), &AudioCodecInfo::codec, StoredIndex(codec));
}

std::optional<Container> ContainerFromIndex(int index) {
  const auto* entry = ByIndex(Containers(), &ContainerInfo::container, index);
  return entry ? std::optional(entry->container) : std::nullopt;
}

std::optional<VideoCodec> VideoCodecFromIndex(int index) {
  const auto* entry = ByIndex(VideoCodecs(), &VideoCodecInfo::codec, index);
  return entry ? std::optional(entry->codec) : std::nullopt;
}

AudioCodec AudioCodecFromIndex(int index) {
  const auto* entry = ByIndex(AudioCodecs(), &AudioCodecInfo::codec, index);
  return entry ? entry->codec : AudioCodec::kCopy;
}

std::optional<Container> ContainerFromOptionName(const QString& name) {
  const auto* entry = ByOptionName(Containers(), name);
  return entry ? std::optional(entry->container) : std::nullopt;
}

std::optional<VideoCodec> VideoCodecFromOptionName(const QString& name) {
  const auto* entry = ByOptionName(VideoCodecs(), name);
  return entry ? std::optional(entry->codec) : std::nullopt;
}

std::optional<AudioCodec> AudioCodecFromOptionName(const QString& name) {
  const auto* entry = ByOptionName(AudioCodecs(), name);
  return entry ? std::optional(entry->codec) : std::nullopt;
}

bool Offers(const ContainerInfo& container, VideoCodec codec) { return Contains(container.videoCodecs, codec); }

bool Offers(const ContainerInfo& container, AudioCodec codec) {
  return codec == AudioCodec::kCopy || Contains(container.audioCodecs, codec);
}

void FitCodecsToContainer(EncodingSettings& settings) {
  const ContainerInfo& container = Info(settings.container);
  if (!Offers(container, settings.videoCodec)) settings.videoCodec = container.videoCodecs.front();
  // The page's list holds no copy: a stored copy becomes the first codec too.
  if (!Contains(container.audioCodecs, settings.audioCodec)) settings.audioCodec = container.audioCodecs.front();
}

QStringList FrameRateChoices() {
  return {"Auto", "10", "12", "15", "20", "23.976", "24", "25", "29.97", "30", "40", "50", "60"};
}

QStringList VideoBitrateChoices() {
  return {"Auto", "800", "1000", "1200", "1500", "2000", "2500", "3000", "4000", "6000", "8000",
          "10000", "12000", "15000", "20000", "25000", "40000"};
}

QStringList AspectChoices() { return {"Auto", "4:3", "16:9", "1.3333", "1.7777"}; }

QStringList SampleRateChoices() { return {"Auto", "48", "44.1", "32", "24", "22.05", "16", "12", "11.025", "8"}; }

QStringList AudioBitrateChoices() {
  return {"Auto", "64", "80", "96", "112", "128", "160", "192", "224", "256", "320", "384"};
}

QStringList VolumeChoices() { return {"Auto", "280", "265", "255", "225", "200", "180", "150", "100", "50", "0"}; }

}  // namespace vidmora
