#pragma once

// What an audio encoder is given when the caller sets no bit rate: the same
// rule for every source, whatever rate (or none) its audio carried. A quiet
// or nearly silent track reports a tiny rate; copying it would starve the
// encoder, and Vorbis refuses such rates outright.
//
//   AAC     64 kbit/s a channel (within AAC's ceiling at the sampling rate)
//   MP3     96 kbit/s a channel, at most what the MPEG version allows
//           (320 kbit/s from 32 kHz, 160 below, 64 below 16 kHz)
//   Vorbis  its quality mode, level 4 (about 128 kbit/s for stereo at
//           44.1 kHz): every sampling rate and channel count takes it,
//           whereas its managed bit rates depend on both
//   Opus    48 kbit/s a channel (transparent for stereo music at 96)
//   FLAC    lossless: no rate at all
//   others  64 kbit/s a channel
// Pure: no FFmpeg calls.

#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace vencor {

struct AudioRate {
  int64_t bitRate = 0;  // bit/s; 0 when the quality level applies
  int vorbisQuality = 0;  // 0..10, used when bitRate is 0 (Vorbis only)
  bool lossless = false;  // neither applies
};

AudioRate AutoAudioRate(AVCodecID codec, int sampleRate, int channels);

}  // namespace vencor
