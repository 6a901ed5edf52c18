#include "app/processing/encoding_choices.h"

#include "app/processing/encoding_settings.h"

#include <algorithm>
#include <array>

namespace vidmora {

namespace {

using V = VideoCodec;
using A = AudioCodec;

constexpr std::array<VideoCodecInfo, 9> kVideoCodecs{{
    {V::kH264, "H264", "h264", "libx264"},
    {V::kHevc, "HEVC", "hevc", "libx265"},
    {V::kAv1, "AV1", "av1", "libsvtav1"},
    {V::kVp9, "VP9", "vp9", "libvpx-vp9"},
    {V::kXvid, "Xvid", "xvid", "libxvid"},
    {V::kDivx, "Divx", "divx", "msmpeg4"},
    {V::kH263, "H.263", "h263", "flv"},
    {V::kVp8, "VP8", "vp8", "libvpx"},
    {V::kSame, "Same as source", "same", "same"},
}};

constexpr std::array<AudioCodecInfo, 6> kAudioCodecs{{
    {A::kAac, "AAC", "aac", "libvo_aacenc"},
    {A::kMp3, "MP3", "mp3", "libmp3lame"},
    {A::kOpus, "Opus", "opus", "libopus"},
    {A::kVorbis, "Vorbis", "vorbis", "libvorbis"},
    {A::kFlac, "FLAC", "flac", "flac"},
    {A::kCopy, "Copy", "copy", "copy"},
}};

// The first program's pairs keep their order (and so the preselected codec);
// the newer codecs follow them. What each muxer of FFmpeg 5.1 writes decides
// the rest: MOV takes no AV1, VP9, Opus or FLAC, MP4 takes FLAC only as an
// experiment that players do not read.
constexpr std::array kMp4Video{V::kH264, V::kXvid, V::kHevc, V::kAv1, V::kVp9, V::kSame};
constexpr std::array kMp4Audio{A::kAac, A::kMp3, A::kOpus};
constexpr std::array kM4vVideo{V::kH264, V::kXvid, V::kHevc};
constexpr std::array kM4vAudio{A::kAac, A::kMp3};
constexpr std::array kMkvVideo{V::kH264, V::kXvid, V::kHevc, V::kAv1, V::kVp9, V::kVp8, V::kSame};
constexpr std::array kMkvAudio{A::kAac, A::kMp3, A::kOpus, A::kVorbis, A::kFlac};
constexpr std::array kAviVideo{V::kXvid, V::kDivx};
constexpr std::array kAviAudio{A::kMp3};
constexpr std::array k3gpVideo{V::kH263};
constexpr std::array k3gpAudio{A::kAac};
constexpr std::array kVp8Video{V::kVp8};
constexpr std::array kVp8Audio{A::kVorbis};
constexpr std::array kMovVideo{V::kH264, V::kHevc, V::kXvid};
constexpr std::array kMovAudio{A::kAac, A::kMp3};
constexpr std::array kWebmVideo{V::kVp9, V::kAv1, V::kVp8};
constexpr std::array kWebmAudio{A::kOpus, A::kVorbis};

const std::array<ContainerInfo, 8> kContainers{{
    {Container::kMp4, "MP4", "mp4", ".mp4", kMp4Video, kMp4Audio,
     "FLAC in MP4 is an experiment most players do not read, and the older codecs belong in AVI, 3GP and WebM"},
    {Container::kAvi, "AVI", "avi", ".avi", kAviVideo, kAviAudio,
     "AVI has no place for the headers and the frame order of H.264 and the newer codecs"},
    {Container::kMkv, "MKV", "mkv", ".mkv", kMkvVideo, kMkvAudio, "Divx and H.263 belong in AVI and 3GP"},
    {Container::k3gp, "3GP", "3gp", ".3gp", k3gpVideo, k3gpAudio,
     "3GP is the old phone format, made for H.263 with AAC"},
    // The first program's "VP8": WebM files of VP8 and Vorbis only.
    {Container::kVp8, "VP8", "vp8", ".webm", kVp8Video, kVp8Audio,
     "this choice writes the first WebM files, VP8 with Vorbis; choose WebM for VP9, AV1 and Opus"},
    {Container::kM4v, "M4V", "m4v", ".m4v", kM4vVideo, kM4vAudio,
     "M4V files are made for Apple's players, which play H.264 and HEVC with AAC or MP3"},
    {Container::kMov, "MOV", "mov", ".mov", kMovVideo, kMovAudio,
     "this FFmpeg writes AV1, VP9, Opus and FLAC into MP4 and MKV files, not MOV"},
    {Container::kWebm, "WebM", "webm", ".webm", kWebmVideo, kWebmAudio,
     "WebM holds only the open web codecs, VP8, VP9 and AV1 with Opus or Vorbis"},
}};

// The entry whose enum value is `index`; null when there is none.
template <typename Entry, typename Key>
const Entry* ByIndex(std::span<const Entry> table, Key Entry::*key, int index) {
  const auto it =
      std::find_if(table.begin(), table.end(), [&](const Entry& e) { return static_cast<int>(e.*key) == index; });
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
  if (name.compare(QLatin1String("same"), Qt::CaseInsensitive) == 0) return AudioCodec::kCopy;
  const auto* entry = ByOptionName(AudioCodecs(), name);
  return entry ? std::optional(entry->codec) : std::nullopt;
}

bool Offers(const ContainerInfo& container, VideoCodec codec) { return Contains(container.videoCodecs, codec); }

bool Offers(const ContainerInfo& container, AudioCodec codec) {
  return codec == AudioCodec::kCopy || Contains(container.audioCodecs, codec);
}

template <typename Codec>
QString CodecTexts(std::span<const Codec> codecs) {
  QStringList texts;
  for (const Codec codec : codecs) texts << QString::fromLatin1(Info(codec).text);
  return texts.join(QStringLiteral(", "));
}

QString RefusalReason(const ContainerInfo& container, VideoCodec codec) {
  if (Offers(container, codec)) return {};
  return QStringLiteral("%1 does not hold %2 video: %3. It holds %4.")
      .arg(QLatin1String(container.text), QLatin1String(Info(codec).text), QLatin1String(container.limits),
           CodecTexts(container.videoCodecs));
}

QString RefusalReason(const ContainerInfo& container, AudioCodec codec) {
  if (Offers(container, codec)) return {};
  return QStringLiteral("%1 does not hold %2 audio: %3. It holds %4 (or the source's audio copied).")
      .arg(QLatin1String(container.text), QLatin1String(Info(codec).text), QLatin1String(container.limits),
           CodecTexts(container.audioCodecs));
}

void FitCodecsToContainer(EncodingSettings& settings) {
  const ContainerInfo& container = Info(settings.container);
  if (!Offers(container, settings.videoCodec)) settings.videoCodec = container.videoCodecs.front();
  if (!Offers(container, settings.audioCodec)) settings.audioCodec = container.audioCodecs.front();
}

namespace {

constexpr std::array<QualityInfo, 5> kQualities{{
    {QualityChoice::kAuto, "Auto", "auto", -1},
    {QualityChoice::kLikeSource, "Like the source", "like-source", -1},
    {QualityChoice::kHigh, "High", "high", 18},
    {QualityChoice::kStandard, "Standard", "standard", 23},
    {QualityChoice::kSmall, "Small", "small", 28},
}};

constexpr std::array<SpeedInfo, 3> kSpeeds{{
    {SpeedChoice::kBalanced, "Balanced", "balanced"},
    {SpeedChoice::kFaster, "Faster (larger files)", "faster"},
    {SpeedChoice::kSmaller, "Smaller (slower)", "smaller"},
}};

constexpr std::array<HardwareInfo, 5> kHardware{{
    {HardwareChoice::kOff, "off", "Off"},
    {HardwareChoice::kAuto, "auto", "Whichever works"},
    {HardwareChoice::kVaapi, "vaapi", "VAAPI"},
    {HardwareChoice::kNvenc, "nvenc", "NVENC"},
    {HardwareChoice::kQsv, "qsv", "QSV"},
}};

}  // namespace

std::span<const QualityInfo> QualityChoices() { return kQualities; }
const QualityInfo& Info(QualityChoice choice) {
  // A bare level has no entry; it reads as the standard one's.
  const auto* entry = ByIndex(QualityChoices(), &QualityInfo::choice, static_cast<int>(choice));
  return entry ? *entry : kQualities[3];
}

std::span<const SpeedInfo> SpeedChoices() { return kSpeeds; }
const SpeedInfo& Info(SpeedChoice choice) {
  return *ByIndex(SpeedChoices(), &SpeedInfo::choice, static_cast<int>(choice));
}
std::optional<SpeedChoice> SpeedFromWord(const QString& word) {
  for (const SpeedInfo& speed : kSpeeds)
    if (word.compare(QLatin1String(speed.word), Qt::CaseInsensitive) == 0) return speed.choice;
  return std::nullopt;
}

std::span<const HardwareInfo> HardwareChoices() { return kHardware; }
const HardwareInfo& Info(HardwareChoice choice) {
  return *ByIndex(HardwareChoices(), &HardwareInfo::choice, static_cast<int>(choice));
}
std::optional<HardwareChoice> HardwareFromWord(const QString& word) {
  for (const HardwareInfo& hardware : kHardware)
    if (word.compare(QLatin1String(hardware.word), Qt::CaseInsensitive) == 0) return hardware.choice;
  return std::nullopt;
}

QStringList FrameRateChoices() {
  return {"Auto", "10", "12", "15", "20", "23.976", "24", "25", "29.97", "30", "40", "50", "60"};
}

QStringList VideoBitrateChoices() {
  return {"Auto", "800",  "1000",  "1200",  "1500",  "2000",  "2500",  "3000", "4000",
          "6000", "8000", "10000", "12000", "15000", "20000", "25000", "40000"};
}

QStringList AspectChoices() { return {"Auto", "4:3", "16:9", "1.3333", "1.7777"}; }

QStringList SampleRateChoices() { return {"Auto", "48", "44.1", "32", "24", "22.05", "16", "12", "11.025", "8"}; }

QStringList AudioBitrateChoices() {
  return {"Auto", "64", "80", "96", "112", "128", "160", "192", "224", "256", "320", "384"};
}

QStringList VolumeChoices() { return {"Auto", "280", "265", "255", "225", "200", "180", "150", "100", "50", "0"}; }

QStringList TargetSizeChoices() { return {"8", "10", "25", "50", "100", "500", "1000"}; }

}  // namespace vidmora
