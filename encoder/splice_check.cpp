#include "encoder/splice_check.h"

#include "encoder/av_handles.h"
#include "encoder/errors.h"
#include "encoder/input_media.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace vencor {

namespace {

struct Picture {
  int64_t pts;  // the source's time base, from the start
  uint64_t checksum;
  bool operator<(const Picture& other) const { return pts < other.pts; }
};

// A checksum of the picture's visible samples, eight bytes at a time.
uint64_t Checksum(const AVFrame& frame) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  uint64_t hash = 0x243F6A8885A308D3ull;
  const auto mix = [&hash](uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
  };
  const int planes = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(frame.format));
  for (int p = 0; p < planes; ++p) {
    const bool chroma = p == 1 || p == 2;
    const int rows = chroma ? AV_CEIL_RSHIFT(frame.height, d->log2_chroma_h) : frame.height;
    const int bytes = av_image_get_linesize(static_cast<AVPixelFormat>(frame.format), frame.width, p);
    for (int y = 0; y < rows; ++y) {
      const uint8_t* row = frame.data[p] + static_cast<ptrdiff_t>(y) * frame.linesize[p];
      int x = 0;
      for (; x + 8 <= bytes; x += 8) {
        uint64_t word;
        std::memcpy(&word, row + x, 8);
        mix(word);
      }
      uint64_t tail = 0;
      std::memcpy(&tail, row + x, static_cast<size_t>(bytes - x));
      mix(tail ^ (static_cast<uint64_t>(y) << 48));
    }
  }
  return hash;
}

// Every picture of the first video stream of `path`, with times in
// `timeBase` (0/1: the stream's own); empty `error` when all decoded.
std::vector<Picture> DecodeAll(const std::string& path, AVRational& timeBase, const std::function<bool()>& keepGoing,
                               bool& stopped, std::string& error) {
  std::vector<Picture> pictures;
  InputMedia input(path);
  const AVStream* stream = input.Video();
  if (timeBase.num == 0) timeBase = stream->time_base;
  const int64_t start = input.StartOffset(stream);
  CodecContextPtr decoder = OpenDecoder(stream, 0, AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_EXPLODE);
  AVFormatContext* format = input.Format();
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (static_cast<int>(i) != stream->index) format->streams[i]->discard = AVDISCARD_ALL;
  PacketPtr packet = MakePacket();
  FramePtr frame = MakeFrame();
  const auto receive = [&]() -> bool {
    for (;;) {
      const int result = avcodec_receive_frame(decoder.get(), frame.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
      if (result < 0) {
        error = "a picture of " + path + " does not decode: " + AvErrorText(result);
        return false;
      }
      FrameUnref unref(frame.get());
      if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT)) {
        error = "a picture of " + path + " decodes with errors";
        return false;
      }
      const int64_t pts = frame->best_effort_timestamp;
      if (pts == AV_NOPTS_VALUE) {
        error = "a picture of " + path + " has no time";
        return false;
      }
      pictures.push_back({av_rescale_q(pts - start, stream->time_base, timeBase), Checksum(*frame)});
    }
  };
  bool more = true;
  while (more) {
    more = input.ReadPacket(packet.get());
    PacketUnref unref(packet.get());
    if (more && packet->stream_index != stream->index) continue;
    if (!keepGoing()) {
      stopped = true;
      return {};
    }
    const int result = avcodec_send_packet(decoder.get(), more ? packet.get() : nullptr);
    if (result < 0 && result != AVERROR_EOF) {
      error = "a packet of " + path + " does not decode: " + AvErrorText(result);
      return {};
    }
    if (!receive()) return {};
  }
  std::sort(pictures.begin(), pictures.end());
  return pictures;
}

}  // namespace

std::string CheckSplicedOutput(const std::string& sourcePath, const std::string& outputPath,
                               const std::vector<ReencodeSpan>& spans, const std::function<bool()>& keepGoing) {
  AVRational timeBase{0, 1};
  bool stopped = false;
  std::string error;
  const std::vector<Picture> source = DecodeAll(sourcePath, timeBase, keepGoing, stopped, error);
  if (stopped) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  if (!error.empty()) return error;
  const std::vector<Picture> output = DecodeAll(outputPath, timeBase, keepGoing, stopped, error);
  if (stopped) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  if (!error.empty()) return "the output does not decode cleanly (" + error + ")";
  if (output.size() != source.size())
    return "the output has " + std::to_string(output.size()) + " pictures, the source " + std::to_string(source.size());
  const auto reencoded = [&spans](int64_t pts) {
    return std::any_of(spans.begin(), spans.end(),
                       [pts](const ReencodeSpan& span) { return pts >= span.startPts && pts < span.endPts; });
  };
  for (size_t i = 0; i < source.size(); ++i) {
    if (output[i].pts != source[i].pts) return "the output's pictures are shown at other times than the source's";
    if (!reencoded(source[i].pts) && output[i].checksum != source[i].checksum)
      return "a copied picture of the output differs from the source's";
  }
  return {};
}

}  // namespace vencor
