#pragma once

// One subtitle track of an encode: copied packet by packet when the output
// container holds its codec, else converted to the container's own text
// subtitles when both are text (SubRip into MP4's timed text, for example).
// Runs on the thread of dowm.

#include "encoder/av_handles.h"

#include <memory>
#include <string>
#include <vector>

namespace vencor {

class Muxer;

class SubtitleStage {
 public:
  // The stage for the source stream, or null (with a log line saying why)
  // when the output container can hold these subtitles in no form.
  static std::unique_ptr<SubtitleStage> Create(const AVStream& source, Muxer& muxer);
  ~SubtitleStage();

  // A packet of the source stream (timestamps moved to start at 0). A packet
  // that cannot be converted is skipped and logged.
  void SendPacket(AVPacket& packet);
  std::string Describe() const { return description_; }
  const AVStream& Source() const { return source_; }

 private:
  SubtitleStage(const AVStream& source, Muxer& muxer, AVStream* output, CodecContextPtr decoder,
                CodecContextPtr encoder);

  const AVStream& source_;
  Muxer& muxer_;
  AVStream* output_;
  CodecContextPtr decoder_;  // both null when the packets are copied
  CodecContextPtr encoder_;
  std::vector<uint8_t> buffer_;
  PacketPtr encoded_ = MakePacket();
  long long damaged_ = 0;
  std::string description_;
};

}  // namespace vencor
