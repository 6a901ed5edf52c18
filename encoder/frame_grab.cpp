#include "encoder/frame_grab.h"

#include "encoder/av_handles.h"
#include "encoder/errors.h"
#include "encoder/filter_graph.h"
#include "encoder/input_media.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <algorithm>
#include <cmath>
#include <string_view>

namespace vencor {

namespace {

// Where decoding starts: the key frame at or before `target`.
void SeekBefore(InputMedia& input, int64_t target) {
  AVStream* stream = input.Video();
  // A source that cannot seek is decoded from where it stands (its start).
  if (av_seek_frame(input.Format(), stream->index, target, AVSEEK_FLAG_BACKWARD) < 0)
    Log("frame grab: cannot seek in the source; decoding from the start");
}

// Decodes from the current position; returns the first frame whose time is at
// or after `target`, else the last frame of the source.
FramePtr DecodeFrameAt(InputMedia& input, AVCodecContext* decoder, int64_t target) {
  const int videoIndex = input.Video()->index;
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  FramePtr last;
  bool draining = false;
  while (true) {
    int result = avcodec_receive_frame(decoder, frame.get());
    if (result >= 0) {
      const int64_t time = frame->best_effort_timestamp;
      last = std::move(frame);
      frame = MakeFrame();
      if (time != AV_NOPTS_VALUE && time >= target) return last;
      continue;
    }
    if (result == AVERROR_EOF) break;
    if (result != AVERROR(EAGAIN)) CheckAv(result, VENCOR_ERROR_INPUT, "decoding the source's video");
    if (draining) break;
    // Read on directly: the batch's checks for cut-off files count packets
    // from the start, and a grab starts at a key frame inside the file.
    if (av_read_frame(input.Format(), packet.get()) < 0) {
      draining = true;
      avcodec_send_packet(decoder, nullptr);
      continue;
    }
    PacketUnref unref(packet.get());
    if (packet->stream_index != videoIndex) continue;
    result = avcodec_send_packet(decoder, packet.get());
    // A damaged packet costs its frame, not the picture.
    if (result < 0 && result != AVERROR(EAGAIN) && result != AVERROR_INVALIDDATA)
      CheckAv(result, VENCOR_ERROR_INPUT, "decoding the source's video");
  }
  if (!last) Fail(VENCOR_ERROR_INPUT, "the source's video holds no frame that can be decoded");
  return last;
}

bool Sideways(int rotation) { return rotation == 90 || rotation == 270; }

// The width a picture of `width` pixels of `sar` shows at. Aspect ratios far
// from any real one (beyond 1:4 and 4:1) are taken as square pixels: a
// damaged header must not make pictures thousands of pixels wide.
int ShownWidth(int width, AVRational sar) {
  if (sar.num <= 0 || sar.den <= 0) return width;
  const double ratio = av_q2d(sar);
  if (ratio < 0.25 || ratio > 4.0) return width;
  return std::max(1, static_cast<int>(std::lround(width * ratio)));
}

// The frame upright and in BGR at the size players show it, through the same
// turning the encoder applies.
FramePtr UprightBgr(const AVStream* stream, const AVCodecContext* decoder, AVFrame* decoded) {
  const int rotation = DisplayRotation(stream);
  std::string chain;
  if (rotation == 90) chain = "transpose=clock,";
  else if (rotation == 180) chain = "hflip,vflip,";
  else if (rotation == 270) chain = "transpose=cclock,";
  // The decoder's aspect ratio, as the encoder takes it.
  const AVRational sar = decoder->sample_aspect_ratio.num > 0 ? decoder->sample_aspect_ratio : AVRational{1, 1};
  if (const int shownWidth = ShownWidth(decoded->width, sar); shownWidth != decoded->width) {
    PictureSize shown{shownWidth, decoded->height};
    if (Sideways(rotation)) std::swap(shown.width, shown.height);
    chain += "scale=" + std::to_string(shown.width) + ":" + std::to_string(shown.height) + ",setsar=1,";
  }
  chain += "format=pix_fmts=bgr24";
  const std::string sourceArguments =
      VideoSourceArguments(decoded->width, decoded->height, decoded->format, stream->time_base, sar);
  FilterGraph filters = MakeFilterGraph(AVMEDIA_TYPE_VIDEO, sourceArguments, chain, "frame grab");
  CheckAv(av_buffersrc_add_frame_flags(filters.source, decoded, AV_BUFFERSRC_FLAG_KEEP_REF), VENCOR_ERROR_INTERNAL,
          "frame grab filter input");
  CheckAv(av_buffersrc_add_frame_flags(filters.source, nullptr, 0), VENCOR_ERROR_INTERNAL, "frame grab filter end");
  FramePtr upright = MakeFrame();
  CheckAv(av_buffersink_get_frame(filters.sink, upright.get()), VENCOR_ERROR_INTERNAL, "frame grab filter output");
  return upright;
}

// FFmpeg reads a single picture (PNG, JPEG, ...) as a one-frame video through
// its image demuxers; such a file is no video to watermark.
bool IsStillPicture(const AVFormatContext* format) {
  const std::string_view name = format->iformat->name;
  return name == "image2" || (name.size() > 5 && name.substr(name.size() - 5) == "_pipe");
}

}  // namespace

FrameGeometry SourceFrameGeometry(const std::string& path) {
  InputMedia input(path);
  if (IsStillPicture(input.Format())) Fail(VENCOR_ERROR_NO_VIDEO, "the source " + path + " is a still picture");
  const AVStream* stream = input.Video();
  // The decoder's size: what a frame of the stream holds, which the stream's
  // parameters give once the stream info has been read.
  CodecContextPtr decoder = OpenDecoder(stream);
  FrameGeometry geometry;
  geometry.frame = {decoder->width, decoder->height};
  if (geometry.frame.width <= 0 || geometry.frame.height <= 0)
    Fail(VENCOR_ERROR_INPUT, "the source's video has no frame size");
  geometry.shown = {ShownWidth(decoder->width, decoder->sample_aspect_ratio), decoder->height};
  if (Sideways(DisplayRotation(stream))) {
    std::swap(geometry.frame.width, geometry.frame.height);
    std::swap(geometry.shown.width, geometry.shown.height);
  }
  return geometry;
}

PictureSize DisplayedFrameSize(const std::string& path) { return SourceFrameGeometry(path).frame; }

void GrabFrame(const std::string& path, double seconds, const PictureSink& sink) {
  InputMedia input(path);
  AVStream* stream = input.Video();
  CodecContextPtr decoder = OpenDecoder(stream);
  const double clamped = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
  const int64_t target =
      input.StartOffset(stream) + av_rescale_q(std::llround(clamped * AV_TIME_BASE), AV_TIME_BASE_Q, stream->time_base);
  SeekBefore(input, target);
  const FramePtr decoded = DecodeFrameAt(input, decoder.get(), target);
  const FramePtr upright = UprightBgr(stream, decoder.get(), decoded.get());
  sink(upright->data[0], upright->width, upright->height, upright->linesize[0]);
}

}  // namespace vencor
