#include "encoder/splice_check.h"

#include "encoder/av_handles.h"
#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/splice_video.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <utility>

namespace vencor {

namespace {

constexpr int kErrorDetection = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER | AV_EF_EXPLODE;

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

// Packets [first, end) of the source's decode order, decoded in both files.
struct Region {
  size_t first = 0;
  size_t end = 0;
};

// For each span: from the group of pictures before it (or, when that group
// does not start on a refresh, from the refresh before that) up to the end
// of the group after it. Regions that touch are merged.
std::vector<Region> DecodedRegions(const std::vector<PacketTimes>& times, const std::vector<ReencodeSpan>& spans) {
  const auto keyBefore = [&times](size_t i) {
    do --i;
    while (i > 0 && !times[i].key);
    return i;
  };
  std::vector<Region> regions;
  for (const ReencodeSpan& span : spans) {
    size_t first = span.firstPacket;
    if (first > 0) {
      first = keyBefore(first);
      while (first > 0 && !times[first].refresh) first = keyBefore(first);
    }
    size_t end = span.endPacket;
    if (end < times.size()) {
      do ++end;
      while (end < times.size() && !times[end].key);
    }
    if (!regions.empty() && first <= regions.back().end) regions.back().end = std::max(regions.back().end, end);
    else regions.push_back({first, end});
  }
  return regions;
}

// The video packets of a file, in decode order.
class VideoPackets {
 public:
  explicit VideoPackets(const std::string& path) : input_(path), start_(input_.StartOffset(input_.Video())) {
    AVFormatContext* format = input_.Format();
    for (unsigned i = 0; i < format->nb_streams; ++i)
      if (static_cast<int>(i) != input_.Video()->index) format->streams[i]->discard = AVDISCARD_ALL;
  }

  // Reads the next one; false at the end.
  bool Next() {
    av_packet_unref(packet_.get());
    while (input_.ReadPacket(packet_.get())) {
      if (packet_->stream_index == input_.Video()->index) return true;
      av_packet_unref(packet_.get());
    }
    return false;
  }

  const AVPacket& Packet() const { return *packet_; }
  const AVStream* Stream() const { return input_.Video(); }
  int64_t Start() const { return start_; }
  // The packet's presentation time in `timeBase`, from the file's start.
  int64_t Pts(AVRational timeBase) const {
    return packet_->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE
                                          : av_rescale_q(packet_->pts - start_, Stream()->time_base, timeBase);
  }

 private:
  InputMedia input_;
  int64_t start_;
  PacketPtr packet_ = MakePacket();
};

// Decodes runs of a file's video packets, each run from a refresh; keeps
// each picture's time (in `timeBase`, from the file's start) and checksum.
class RunDecoder {
 public:
  RunDecoder(const VideoPackets& packets, AVRational timeBase, std::string what)
      : stream_(packets.Stream()),
        start_(packets.Start()),
        timeBase_(timeBase),
        what_(std::move(what)),
        decoder_(OpenDecoder(stream_, 0, kErrorDetection)) {}

  // Empty when the packet decoded; else what went wrong.
  std::string Send(const AVPacket& packet) {
    running_ = true;
    return Push(&packet);
  }

  // Ends the run: the pictures the decoder still holds come out, and the
  // next packet starts afresh.
  std::string EndRun() {
    if (!running_) return {};
    running_ = false;
    std::string error = Push(nullptr);
    avcodec_flush_buffers(decoder_.get());
    return error;
  }

  std::vector<Picture>& Pictures() { return pictures_; }

 private:
  std::string Push(const AVPacket* packet) {
    const int sent = avcodec_send_packet(decoder_.get(), packet);
    if (sent < 0 && sent != AVERROR_EOF) return "a packet of " + what_ + " does not decode: " + AvErrorText(sent);
    for (;;) {
      const int result = avcodec_receive_frame(decoder_.get(), frame_.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return {};
      if (result < 0) return "a picture of " + what_ + " does not decode: " + AvErrorText(result);
      FrameUnref unref(frame_.get());
      if (frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT))
        return "a picture of " + what_ + " decodes with errors";
      const int64_t pts = frame_->best_effort_timestamp;
      if (pts == AV_NOPTS_VALUE) return "a picture of " + what_ + " has no time";
      pictures_.push_back({av_rescale_q(pts - start_, stream_->time_base, timeBase_), Checksum(*frame_)});
    }
  }

  const AVStream* stream_;
  int64_t start_;
  AVRational timeBase_;
  std::string what_;
  CodecContextPtr decoder_;
  FramePtr frame_ = MakeFrame();
  std::vector<Picture> pictures_;
  bool running_ = false;
};

// Whether the output's packet holds the source's bytes, with `lead` (the
// source's parameter sets, in front of the first packet after a span; else
// empty) before them.
bool SameBytes(const AVPacket& source, const AVPacket& output, const std::vector<uint8_t>& lead) {
  const auto size = static_cast<size_t>(source.size);
  if (static_cast<size_t>(output.size) != lead.size() + size) return false;
  return (lead.empty() || std::memcmp(output.data, lead.data(), lead.size()) == 0) &&
         (size == 0 || std::memcmp(output.data + lead.size(), source.data, size) == 0);
}

}  // namespace

std::string CheckSplicedOutput(const std::string& sourcePath, const std::string& outputPath,
                               const std::vector<PacketTimes>& times, const std::vector<ReencodeSpan>& spans,
                               const std::function<bool()>& keepGoing) {
  VideoPackets source(sourcePath);
  VideoPackets output(outputPath);
  const AVRational timeBase = source.Stream()->time_base;
  const std::vector<Region> regions = DecodedRegions(times, spans);
  const AVCodecParameters& parameters = *source.Stream()->codecpar;
  const std::vector<uint8_t> parameterSets = ParameterSets(parameters, NalLengthSize(parameters));
  const std::vector<uint8_t> noLead;
  RunDecoder sourcePictures(source, timeBase, "the source");
  RunDecoder outputPictures(output, timeBase, "the output");
  const auto inSpan = [&spans](int64_t pts) {
    return std::any_of(spans.begin(), spans.end(),
                       [pts](const ReencodeSpan& span) { return pts >= span.startPts && pts < span.endPts; });
  };
  std::vector<int64_t> shown;  // the times of the region's pictures, from the plan
  // At a region's end: the output's pictures there are those of the plan,
  // and the copied ones the source's.
  const auto closeRegion = [&]() -> std::string {
    if (std::string error = outputPictures.EndRun(); !error.empty())
      return "the output does not decode cleanly (" + error + ")";
    if (std::string error = sourcePictures.EndRun(); !error.empty())
      return "the source does not decode cleanly (" + error + ")";
    std::vector<Picture>& out = outputPictures.Pictures();
    std::vector<Picture>& in = sourcePictures.Pictures();
    std::sort(out.begin(), out.end());
    std::sort(in.begin(), in.end());
    std::sort(shown.begin(), shown.end());
    if (out.size() != shown.size())
      return "the output shows " + std::to_string(out.size()) + " pictures around a re-encoded span, the source " +
             std::to_string(shown.size());
    for (size_t k = 0; k < out.size(); ++k) {
      if (out[k].pts != shown[k]) return "the output's pictures are shown at other times than the source's";
      if (inSpan(out[k].pts)) continue;
      const auto match = std::lower_bound(in.begin(), in.end(), out[k]);
      if (match == in.end() || match->pts != out[k].pts || match->checksum != out[k].checksum)
        return "a copied picture of the output differs from the source's";
    }
    out.clear();
    in.clear();
    shown.clear();
    return {};
  };

  size_t span = 0;
  size_t region = 0;
  for (size_t i = 0;; ++i) {
    if (!keepGoing()) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
    if (region < regions.size() && i == regions[region].end) {
      if (std::string problem = closeRegion(); !problem.empty()) return problem;
      ++region;
    }
    const bool more = source.Next();
    if (output.Next() != more)
      return std::string("the output has ") + (more ? "fewer" : "more") + " video packets than the source";
    if (!more) {
      if (i != times.size()) return "the source's video packets differ from those the plan was made from";
      break;
    }
    if (i >= times.size() || source.Pts(timeBase) != times[i].pts)
      return "the source's video packets differ from those the plan was made from";
    while (span < spans.size() && i >= spans[span].endPacket) ++span;
    const bool reencoded = span < spans.size() && i >= spans[span].firstPacket;
    if (!reencoded) {
      const bool firstAfterSpan = span > 0 && i == spans[span - 1].endPacket;
      if (output.Pts(timeBase) != times[i].pts) return "a copied packet of the output is shown at another time";
      if ((output.Packet().flags & AV_PKT_FLAG_KEY) != (source.Packet().flags & AV_PKT_FLAG_KEY) ||
          !SameBytes(source.Packet(), output.Packet(), firstAfterSpan ? parameterSets : noLead))
        return "a copied packet of the output differs from the source's";
    }
    if (region < regions.size() && i >= regions[region].first) {
      shown.push_back(times[i].pts);
      if (std::string error = outputPictures.Send(output.Packet()); !error.empty())
        return "the output does not decode cleanly (" + error + ")";
      // The source's pictures are needed only outside the spans: its run before a span ends at the cut.
      const std::string error = reencoded ? sourcePictures.EndRun() : sourcePictures.Send(source.Packet());
      if (!error.empty()) return "the source does not decode cleanly (" + error + ")";
    }
  }
  if (region < regions.size()) return closeRegion();
  return {};
}

}  // namespace vencor
