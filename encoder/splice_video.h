#pragma once

// The video of an encode that re-encodes only where the mark is: the source's
// packets outside the planned spans are copied as they are; those inside are
// decoded, painted (FramePainter, each picture at its own time) and encoded
// again with the source's codec, profile, level, size, pixel format, colour
// tags and frame rate, one closed group of pictures run per span that
// carries its own parameter sets. Every packet keeps its timestamps: the
// re-encoded packets take the decode times of the packets they replace. The
// first packet copied after a span gets the source's parameter sets in front
// of it again (its picture data stays as it was), so that decoding returns
// to the source's.
//
// Anything that does not fit (the encoder refuses the level, a span decodes
// to another number of pictures, the encoder's picture order does not fit
// the source's decode times) throws SpliceRefused: the caller then encodes
// the whole file. Runs on the thread of dowm.

#include "encoder/av_handles.h"
#include "encoder/frame_painter.h"
#include "encoder/options.h"
#include "encoder/smart_plan.h"

#include <cstdint>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace vencor {

class InputMedia;
class Muxer;

// Why only re-encoding the marked pictures did not work out.
class SpliceRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void RefuseSplice(const std::string& reason);

// Whether `packet` (length-prefixed NAL units of `lengthSize` bytes) of an
// H.264 or HEVC stream starts an instantaneous decoder refresh (nothing
// after it refers to anything before).
bool StartsRefresh(AVCodecID codec, const AVPacket& packet, int lengthSize);

// The NAL length size of a length-prefixed H.264 or HEVC stream (avcC,
// hvcC); 0 when its extradata is not in that form.
int NalLengthSize(const AVCodecParameters& parameters);

// The parameter sets of a length-prefixed H.264 or HEVC stream's avcC or
// hvcC record, as NAL units with `lengthSize`-byte lengths: what the first
// packet copied after a span carries in front of the source's bytes. Empty
// when the record is malformed.
std::vector<uint8_t> ParameterSets(const AVCodecParameters& parameters, int lengthSize);

class SplicedVideo {
 public:
  // `times` are the source's video packets in decode order (from 0) as the
  // plan was made from them; every packet is written with its decode time
  // from there. Adds the output stream (the source's
  // parameters) to the muxer.
  SplicedVideo(const InputMedia& input, const TranscodeOptions& options, SplicePlan plan,
               std::vector<PacketTimes> times, Muxer& muxer, double clipSeconds);
  ~SplicedVideo();

  // The next video packet of the source (timestamps moved to start at 0).
  void SendPacket(AVPacket& packet);
  void Finish();

  long long FramesEncoded() const { return static_cast<long long>(next_); }
  AVStream* OutputStream() const { return output_; }
  double PositionSeconds() const;
  std::string Describe() const;

 private:
  void StartSpan();
  void EndSpan();
  void Decode(const AVPacket* packet);
  void EncodeFrame(AVFrame& frame);
  void WriteEncoded();
  CodecContextPtr OpenSpanEncoder() const;

  const AVStream* source_;
  const TranscodeOptions& options_;
  Muxer& muxer_;
  SplicePlan plan_;
  std::vector<PacketTimes> times_;
  AVStream* output_ = nullptr;
  const AVCodec* codec_ = nullptr;
  AVRational frameRate_{0, 1};
  int lengthSize_ = 4;
  std::vector<uint8_t> parameterSets_;  // of the source, length-prefixed

  CodecContextPtr decoder_;  // of the span being re-encoded
  CodecContextPtr encoder_;
  FramePainter painter_;
  FramePtr decoded_ = MakeFrame();
  PacketPtr encoded_ = MakePacket();
  std::deque<int64_t> spanDts_;           // decode times still to hand out in the span
  std::map<int64_t, int64_t> durations_;  // of the span's pictures by time
  size_t next_ = 0;                       // the next packet, decode order
  size_t span_ = 0;                       // the next or current span
  bool afterSpan_ = false;                // the next copied packet is the first after a span
  size_t spanDecoded_ = 0;
  int64_t lastPts_ = 0;
};

}  // namespace vencor
