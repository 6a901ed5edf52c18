#pragma once

// One audio track of an encode: a source audio stream, either copied
// packet by packet ("copy") or decoded, set to the volume, resampled to what
// the encoder takes (sample format, rate, channel layout, frame size) and
// encoded. Runs on the thread of dowm.

#include "encoder/av_handles.h"
#include "encoder/codec_loops.h"
#include "encoder/filter_graph.h"
#include "encoder/options.h"

#include <string>

namespace vencor {

class Muxer;

class AudioStage {
 public:
  // Throws VENCOR_ERROR_ENCODER (no such encoder, refused settings) or
  // VENCOR_ERROR_INPUT (the source's audio cannot be decoded).
  AudioStage(const AVStream& source, const TranscodeOptions& options, Muxer& muxer);
  ~AudioStage();

  // A packet of the source's audio stream (timestamps moved to start at 0).
  void SendPacket(AVPacket& packet);
  void Finish();
  std::string Describe() const { return description_; }
  const AVStream& Source() const { return *sourceStream_; }

 private:
  void SetUpEncoding(const AVCodec& codec, const TranscodeOptions& options);
  void ReceiveDecodedFrames();
  void PullFilteredFrames();
  void DrainEncoder();

  const AVStream* sourceStream_;
  Muxer& muxer_;
  AVStream* outputStream_ = nullptr;
  bool copy_ = false;
  CodecContextPtr decoder_;
  FilterGraph filters_;
  CodecContextPtr encoder_;
  FramePtr decoded_ = MakeFrame();
  FramePtr filtered_ = MakeFrame();
  PacketPtr encoded_ = MakePacket();
  // What the filters were set up for; frames that differ are dropped.
  int inputRate_ = 0;
  AVSampleFormat inputFormat_ = AV_SAMPLE_FMT_NONE;
  AVChannelLayout inputLayout_{};
  int64_t nextPts_ = AV_NOPTS_VALUE;  // source time base
  DamageCount damage_{"audio"};
  long long dropped_ = 0;
  std::string description_;
};

}  // namespace vencor
