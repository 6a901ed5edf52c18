#include "encoder/audio_rates.h"

#include <algorithm>

namespace vencor {

namespace {

constexpr int64_t kAacPerChannel = 64000;
constexpr int64_t kMp3PerChannel = 96000;
constexpr int64_t kOpusPerChannel = 48000;
constexpr int64_t kOtherPerChannel = 64000;
constexpr int kVorbisQuality = 4;

// AAC codes at most 6144 bits per channel in a frame of 1024 samples.
int64_t AacChannelCeiling(int sampleRate) { return int64_t{6144} * sampleRate / 1024; }

// MPEG-1 layer III from 32 kHz, MPEG-2 from 16 kHz, MPEG-2.5 below.
int64_t Mp3Ceiling(int sampleRate) {
  if (sampleRate >= 32000) return 320000;
  if (sampleRate >= 16000) return 160000;
  return 64000;
}

}  // namespace

AudioRate AutoAudioRate(AVCodecID codec, int sampleRate, int channels) {
  channels = std::max(1, channels);
  switch (codec) {
    case AV_CODEC_ID_AAC:
      return {std::min(kAacPerChannel, AacChannelCeiling(sampleRate)) * channels, 0};
    case AV_CODEC_ID_MP3:
      return {std::min(kMp3PerChannel * channels, Mp3Ceiling(sampleRate)), 0};
    case AV_CODEC_ID_VORBIS:
      return {0, kVorbisQuality};
    case AV_CODEC_ID_OPUS: return {kOpusPerChannel * channels, 0};
    case AV_CODEC_ID_FLAC: return {0, 0, true};
    default:
      return {kOtherPerChannel * channels, 0};
  }
}

}  // namespace vencor
