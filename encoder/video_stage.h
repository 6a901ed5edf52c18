#pragma once

// The video of one encode: decoder, filters (display rotation, a set output
// frame rate, the encoder's pixel format), the frame hook (FramePainter), encoder
// and the output stream. Runs on the thread of dowm.

#include "encoder/av_handles.h"
#include "encoder/codec_loops.h"
#include "encoder/filter_graph.h"
#include "encoder/frame_painter.h"
#include "encoder/options.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vencor {

class InputMedia;
class Muxer;
class ProgressReporter;

class VideoStage {
 public:
  // Opens the decoder and the encoder and adds the output stream. Throws
  // VENCOR_ERROR_INPUT (no decoder) or VENCOR_ERROR_ENCODER (missing
  // encoder, container cannot hold it, settings refused).
  VideoStage(const InputMedia& input, const TranscodeOptions& options, Muxer& muxer, ProgressReporter& progress);
  ~VideoStage();

  // Decodes a packet of the video stream (timestamps already moved to start
  // at 0) and encodes what comes out. Damaged packets are skipped. Throws
  // VENCOR_ERROR_ABORTED when the progress callback asks to stop.
  void SendPacket(const AVPacket& packet);
  // Drains decoder, filters and encoder. Throws VENCOR_ERROR_INPUT when no
  // frame of the source could be decoded at all.
  void Finish();

  long long FramesEncoded() const { return framesEncoded_; }
  AVStream* OutputStream() const { return outputStream_; }
  // Seconds of the source decoded so far.
  double PositionSeconds() const;
  std::string Describe() const;

 private:
  void ReceiveDecodedFrames();
  void FilterFrame(AVFrame* frame);
  AVFrame* MatchGraphInput(AVFrame* frame);
  void PullFilteredFrames();
  void EncodeFrame(AVFrame& filtered);
  void DrainEncoder();
  void OpenEncoder(const AVCodec* codec, const TranscodeOptions& options, AVRational frameRate);
  // Sets the encoder up to keep an interlaced source's fields and their order
  // (not when the picture is turned or scaled); true when it does.
  bool KeepFieldOrder(const AVCodec& codec, bool reshaped, Framing framing);
  // The size the picture is scaled to for options.width x options.height
  // (after the turning by `rotation`; `sar` is the stored pixels' aspect);
  // nothing when it keeps its size.
  std::optional<PictureSize> OutputSize(const TranscodeOptions& options, int rotation, AVRational sar) const;

  const AVStream* sourceStream_;
  Muxer& muxer_;
  ProgressReporter& progress_;
  CodecContextPtr decoder_;
  FilterGraph filters_;
  std::unique_ptr<FramePainter> painter_;
  CodecContextPtr encoder_;
  AVStream* outputStream_ = nullptr;
  FramePtr decoded_ = MakeFrame();
  FramePtr filtered_ = MakeFrame();
  FramePtr resized_;  // a frame whose size changed mid-stream, brought back to the first size
  SwsPtr resizer_;
  PacketPtr encoded_ = MakePacket();
  // A hardware encoder's surfaces (hardware_encoder.h), and the conversion of
  // the painted pictures to them; empty for a software encoder.
  BufferRefPtr hardwareFrames_;
  SwsPtr uploader_;
  FramePtr uploadStaging_;

  // What the filters were set up for.
  int inputWidth_ = 0;
  int inputHeight_ = 0;
  AVPixelFormat inputFormat_ = AV_PIX_FMT_NONE;
  AVColorRange outputRange_ = AVCOL_RANGE_UNSPECIFIED;  // of the filtered frames
  AVColorSpace outputMatrix_ = AVCOL_SPC_UNSPECIFIED;   // of the filtered frames and the output
  AVColorTransferCharacteristic outputTrc_ = AVCOL_TRC_UNSPECIFIED;
  AVColorPrimaries outputPrimaries_ = AVCOL_PRI_UNSPECIFIED;
  bool toneMapped_ = false;  // an HDR source the encoder cannot code, mapped to SDR
  int64_t defaultDuration_ = 1;  // of a frame, source time base, for packets that carry none

  AVRational filterTimeBase_{1, 1};  // of the filtered frames
  bool keepFrameTimes_ = false;      // frames keep their source times (no frame rate conversion)
  bool rateUnset_ = false;           // no frame rate was set: a constant-rate output uses the source's
  int64_t lastPts_ = AV_NOPTS_VALUE;  // encoder time base, of the last frame sent
  std::map<int64_t, int64_t> durations_;  // frame durations by timestamp, encoder time base, until encoded
  int64_t nextPts_ = AV_NOPTS_VALUE;  // source time base
  long long framesDecoded_ = 0;
  long long framesEncoded_ = 0;
  DamageCount damage_{"video"};
  bool loggedResize_ = false;
  std::string description_;
  int quality_ = kStandardQuality;  // the level given to the encoder without a bit rate
  std::string qualityWords_;        // the encoder's quality and speed settings, for the summary
};

}  // namespace vencor
