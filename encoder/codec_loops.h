#pragma once

// The loops a stage runs after giving FFmpeg input: each hands what the
// decoder, the filters or the encoder has ready to the stage, one item at a
// time, until they want more input. The item is unreferenced after the stage
// has it, so the one frame or packet is reused.

#include "encoder/av_handles.h"
#include "encoder/errors.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersink.h>
}

namespace vencor {

// The damaged packets and frames a stage's decoder skipped: players skip them
// and go on, and so do we. The first five are logged one by one, the count
// at the end.
class DamageCount {
 public:
  explicit DamageCount(const char* stream) : stream_(stream) {}

  void Skipped(const char* what, int error) {
    if (count_++ < 5) Log("skipped a damaged %s %s: %s", stream_, what, AvErrorText(error).c_str());
  }
  void LogTotal() const {
    if (count_ > 0) Log("%lld damaged %s packets or frames were skipped", count_, stream_);
  }

 private:
  const char* stream_;
  long long count_ = 0;
};

// Sends `packet` to `decoder`; false, counted in `damage`, when the decoder
// refuses it.
inline bool SendToDecoder(AVCodecContext& decoder, const AVPacket& packet, DamageCount& damage) {
  const int result = avcodec_send_packet(&decoder, &packet);
  if (result >= 0 || result == AVERROR(EAGAIN)) return true;
  damage.Skipped("packet", result);
  return false;
}

// Calls `take(frame)` for each frame `decoder` has ready; a frame it cannot
// decode is skipped and counted in `damage`.
template <typename Take>
void ForEachDecodedFrame(AVCodecContext& decoder, AVFrame& frame, DamageCount& damage, Take&& take) {
  for (;;) {
    const int result = avcodec_receive_frame(&decoder, &frame);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    if (result < 0) {
      damage.Skipped("frame", result);
      continue;
    }
    FrameUnref unref(&frame);
    take(frame);
  }
}

// Calls `take(frame)` for each frame the filters' `sink` has ready; a failure
// of the filters ends the encode, with `purpose` in its message.
template <typename Take>
void ForEachFilteredFrame(AVFilterContext& sink, AVFrame& frame, const char* purpose, Take&& take) {
  for (;;) {
    const int result = av_buffersink_get_frame(&sink, &frame);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    CheckAv(result, VENCOR_ERROR_INTERNAL, purpose);
    FrameUnref unref(&frame);
    take(frame);
  }
}

// Calls `take(packet)` for each packet `encoder` has ready; a failure of the
// encoder ends the encode, with `purpose` in its message.
template <typename Take>
void ForEachEncodedPacket(AVCodecContext& encoder, AVPacket& packet, const char* purpose, Take&& take) {
  for (;;) {
    const int result = avcodec_receive_packet(&encoder, &packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    CheckAv(result, VENCOR_ERROR_ENCODER, purpose);
    PacketUnref unref(&packet);
    take(packet);
  }
}

}  // namespace vencor
