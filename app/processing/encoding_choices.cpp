#include "app/processing/encoding_choices.h"

#include "app/processing/encoding_settings.h"

#include <algorithm>
#include <array>

namespace vidmora {

namespace {

constexpr CodecChoice kH264{"H264", 1};
constexpr CodecChoice kXvid{"Xvid", 2};
constexpr CodecChoice kDivx{"Divx", 3};
constexpr CodecChoice kH263{"H.263", 4};
constexpr CodecChoice kVp8{"VP8", 5};
constexpr CodecChoice kAac{"AAC", 1};
constexpr CodecChoice kMp3{"MP3", 2};
constexpr CodecChoice kVorbis{"Vorbis", 3};

constexpr std::array kMp4Video{kH264, kXvid};
constexpr std::array kMp4Audio{kAac, kMp3};
constexpr std::array kAviVideo{kXvid, kDivx};
constexpr std::array kAviAudio{kMp3};
constexpr std::array k3gpVideo{kH263};
constexpr std::array k3gpAudio{kAac};
constexpr std::array kVp8Video{kVp8};
constexpr std::array kVp8Audio{kVorbis};

const std::array<ContainerChoice, 6> kContainers{{
    {"MP4", 1, kMp4Video, kMp4Audio},
    {"AVI", 2, kAviVideo, kAviAudio},
    {"MKV", 3, kMp4Video, kMp4Audio},
    {"3GP", 4, k3gpVideo, k3gpAudio},
    {"VP8", 5, kVp8Video, kVp8Audio},
    {"M4V", 6, kMp4Video, kMp4Audio},
}};

int FitCodec(int stored, std::span<const CodecChoice> offered) {
  const bool isOffered = std::any_of(offered.begin(), offered.end(), [&](const CodecChoice& c) { return c.index == stored; });
  return isOffered ? stored : offered.front().index;
}

}  // namespace

std::span<const ContainerChoice> Containers() { return kContainers; }

const ContainerChoice* FindContainer(int outputFormatIndex) {
  for (const auto& container : kContainers)
    if (container.index == outputFormatIndex) return &container;
  return nullptr;
}

void FitCodecsToContainer(EncodingSettings& settings) {
  const ContainerChoice* container = FindContainer(settings.outputFormat);
  if (!container) return;
  settings.videoCodec = FitCodec(settings.videoCodec, container->videoCodecs);
  settings.audioCodec = FitCodec(settings.audioCodec, container->audioCodecs);
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
