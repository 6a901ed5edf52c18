#include "encoder/splice_video.h"

#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_format.h"
#include "encoder/video_quality.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cstring>

namespace vencor {

namespace {

// Quality of the re-encoded pictures: close to a good source, so that the
// marked stretch does not stand out from the copied ones around it.
constexpr const char* kX264Quality = "18";
constexpr const char* kX265Quality = "20";

void AppendNal(std::vector<uint8_t>& out, const uint8_t* nal, size_t size, int lengthSize) {
  for (int i = lengthSize - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(size >> (8 * i)));
  out.insert(out.end(), nal, nal + size);
}

}  // namespace

std::vector<uint8_t> ParameterSets(const AVCodecParameters& parameters, int lengthSize) {
  const uint8_t* d = parameters.extradata;
  const size_t n = static_cast<size_t>(parameters.extradata_size);
  std::vector<uint8_t> out;
  size_t at = 0;
  const auto nal = [&]() -> bool {
    if (at + 2 > n) return false;
    const size_t length = (static_cast<size_t>(d[at]) << 8) | d[at + 1];
    at += 2;
    if (length == 0 || at + length > n) return false;
    AppendNal(out, d + at, length, lengthSize);
    at += length;
    return true;
  };
  if (parameters.codec_id == AV_CODEC_ID_H264) {
    if (n < 7) return {};
    at = 5;
    const int sequenceSets = d[at++] & 31;
    for (int i = 0; i < sequenceSets; ++i)
      if (!nal()) return {};
    if (at >= n) return {};
    const int pictureSets = d[at++];
    for (int i = 0; i < pictureSets; ++i)
      if (!nal()) return {};
  } else {
    if (n < 23) return {};
    at = 22;
    const int arrays = d[at++];
    for (int a = 0; a < arrays; ++a) {
      if (at + 3 > n) return {};
      const int count = (d[at + 1] << 8) | d[at + 2];
      at += 3;
      for (int i = 0; i < count; ++i)
        if (!nal()) return {};
    }
  }
  return out;
}

namespace {

// Annex B NAL units (start codes, as the encoders write them without global
// headers) rewritten length-prefixed, as the source's stream holds them.
std::vector<uint8_t> ToLengthPrefixed(const uint8_t* data, size_t size, int lengthSize) {
  std::vector<uint8_t> out;
  out.reserve(size + 16);
  const auto startCodeAt = [&](size_t i) {
    return i + 3 <= size && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1;
  };
  size_t i = 0;
  while (i < size && !startCodeAt(i)) ++i;
  while (i < size) {
    const size_t begin = i + 3;
    size_t end = begin;
    while (end < size && !startCodeAt(end)) ++end;
    size_t last = end;
    while (end < size && last > begin && data[last - 1] == 0) --last;  // the zero byte of a 4-byte start code
    if (last > begin) AppendNal(out, data + begin, last - begin, lengthSize);
    i = end;
  }
  return out;
}

bool IsAnnexB(const AVPacket& packet) {
  return packet.size >= 4 && packet.data[0] == 0 && packet.data[1] == 0 &&
         (packet.data[2] == 1 || (packet.data[2] == 0 && packet.data[3] == 1));
}

const char* X264Profile(int profile) {
  switch (profile) {
    case FF_PROFILE_H264_BASELINE:
    case FF_PROFILE_H264_CONSTRAINED_BASELINE: return "baseline";
    case FF_PROFILE_H264_MAIN: return "main";
    case FF_PROFILE_H264_HIGH: return "high";
    case FF_PROFILE_H264_HIGH_10: return "high10";
    case FF_PROFILE_H264_HIGH_422: return "high422";
    case FF_PROFILE_H264_HIGH_444_PREDICTIVE: return "high444";
    default: return nullptr;
  }
}

}  // namespace

void RefuseSplice(const std::string& reason) { throw SpliceRefused(reason); }

int NalLengthSize(const AVCodecParameters& parameters) {
  const uint8_t* d = parameters.extradata;
  if (!d || parameters.extradata_size < 7 || d[0] != 1) return 0;
  if (parameters.codec_id == AV_CODEC_ID_H264) return (d[4] & 3) + 1;
  if (parameters.codec_id == AV_CODEC_ID_HEVC && parameters.extradata_size >= 23) return (d[21] & 3) + 1;
  return 0;
}

bool StartsRefresh(AVCodecID codec, const AVPacket& packet, int lengthSize) {
  size_t at = 0;
  const auto size = static_cast<size_t>(packet.size);
  while (at + static_cast<size_t>(lengthSize) < size) {
    size_t length = 0;
    for (int i = 0; i < lengthSize; ++i) length = (length << 8) | packet.data[at + i];
    at += static_cast<size_t>(lengthSize);
    if (length == 0 || at + length > size) return false;
    const uint8_t header = packet.data[at];
    if (codec == AV_CODEC_ID_H264) {
      const int type = header & 31;
      if (type == 5) return true;
      if (type >= 1 && type <= 4) return false;  // a picture that is no refresh
    } else {
      const int type = (header >> 1) & 63;
      if (type == 19 || type == 20) return true;  // IDR_W_RADL, IDR_N_LP
      if (type < 32) return false;
    }
    at += length;
  }
  return false;
}

SplicedVideo::SplicedVideo(const InputMedia& input, const TranscodeOptions& options, SplicePlan plan,
                           std::vector<PacketTimes> times, Muxer& muxer, double clipSeconds)
    : source_(input.Video()),
      options_(options),
      muxer_(muxer),
      plan_(std::move(plan)),
      times_(std::move(times)),
      painter_(source_->codecpar->width, source_->codecpar->height,
               static_cast<AVPixelFormat>(source_->codecpar->format),
               PictureSize{source_->codecpar->width, source_->codecpar->height}, Framing::kPadToEven, 0) {
  const AVCodecParameters& parameters = *source_->codecpar;
  codec_ = FindVideoEncoder(options.videoCodec, muxer.Format());
  if (!codec_ || codec_->id != parameters.codec_id) RefuseSplice("no encoder for the source's codec");
  lengthSize_ = NalLengthSize(parameters);
  parameterSets_ = ParameterSets(parameters, lengthSize_);
  if (lengthSize_ == 0 || parameterSets_.empty()) RefuseSplice("the source's parameter sets cannot be read");
  frameRate_ = av_guess_frame_rate(input.Format(), input.Video(), nullptr);
  if (frameRate_.num <= 0 || frameRate_.den <= 0) RefuseSplice("the source's frame rate is unknown");
  painter_.SetClipTiming(source_->time_base, clipSeconds);

  output_ = muxer.AddCopiedStream(*source_);
  CopyStreamDetails(*source_, *output_);
  // The sample entry says that parameter sets also come inside the stream
  // (the re-encoded spans bring their own).
  if (std::strcmp(muxer.Format()->name, "mp4") == 0 || std::strcmp(muxer.Format()->name, "mov") == 0)
    output_->codecpar->codec_tag =
        parameters.codec_id == AV_CODEC_ID_H264 ? MKTAG('a', 'v', 'c', '3') : MKTAG('h', 'e', 'v', '1');
  // The encoder must open with the source's settings before anything is written.
  if (!plan_.spans.empty()) OpenSpanEncoder();
}

SplicedVideo::~SplicedVideo() = default;

CodecContextPtr SplicedVideo::OpenSpanEncoder() const {
  const AVCodecParameters& parameters = *source_->codecpar;
  CodecContextPtr encoder(avcodec_alloc_context3(codec_));
  if (!encoder) throw std::bad_alloc();
  encoder->width = parameters.width;
  encoder->height = parameters.height;
  encoder->pix_fmt = static_cast<AVPixelFormat>(parameters.format);
  encoder->time_base = source_->time_base;
  encoder->framerate = frameRate_;
  encoder->sample_aspect_ratio = parameters.sample_aspect_ratio;
  encoder->color_range = parameters.color_range;
  encoder->color_primaries = parameters.color_primaries;
  encoder->color_trc = parameters.color_trc;
  encoder->colorspace = parameters.color_space;
  encoder->chroma_sample_location = parameters.chroma_location;
  encoder->field_order = AV_FIELD_PROGRESSIVE;
  encoder->thread_count = options_.threads;
  // No global header: each span starts with its own parameter sets.
  // Reordering no deeper than the source's, so that the source's decode
  // times still come before every re-encoded picture's presentation time.
  const int delay = parameters.video_delay;
  const bool baseline =
      parameters.profile == FF_PROFILE_H264_BASELINE || parameters.profile == FF_PROFILE_H264_CONSTRAINED_BASELINE;
  encoder->max_b_frames = delay <= 0 || baseline ? 0 : 3;
  // The speed the user chose for whole encodes: the spans are coded as fast as a full encode would be.
  const EncoderSpeed speed = SpeedFor(*codec_, options_.speed);
  if (*speed.option) av_opt_set(encoder->priv_data, speed.option, speed.value.c_str(), 0);
  char level[16];
  if (codec_->id == AV_CODEC_ID_H264) {
    if (const char* profile = X264Profile(parameters.profile)) av_opt_set(encoder->priv_data, "profile", profile, 0);
    if (parameters.level > 0) encoder->level = parameters.level;
    av_opt_set(encoder->priv_data, "b-pyramid", delay >= 2 ? "normal" : "none", 0);
    av_opt_set(encoder->priv_data, "crf", kX264Quality, 0);
    av_opt_set(encoder->priv_data, "x264-params", "open-gop=0", 0);
  } else {
    if (parameters.profile == FF_PROFILE_HEVC_MAIN) av_opt_set(encoder->priv_data, "profile", "main", 0);
    if (parameters.profile == FF_PROFILE_HEVC_MAIN_10) av_opt_set(encoder->priv_data, "profile", "main10", 0);
    av_opt_set(encoder->priv_data, "crf", kX265Quality, 0);
    std::string params = "log-level=error:open-gop=0:b-pyramid=" + std::string(delay >= 2 ? "1" : "0");
    if (parameters.level > 0) {
      std::snprintf(level, sizeof level, "%.1f", parameters.level / 30.0);
      params += std::string(":level-idc=") + level;
    }
    av_opt_set(encoder->priv_data, "x265-params", params.c_str(), 0);
  }
  const int result = avcodec_open2(encoder.get(), codec_, nullptr);
  if (result < 0)
    RefuseSplice(std::string("the ") + codec_->name + " encoder refused the source's profile, level or format (" +
                 AvErrorText(result) + ")");
  return encoder;
}

double SplicedVideo::PositionSeconds() const { return static_cast<double>(lastPts_) * av_q2d(source_->time_base); }

std::string SplicedVideo::Describe() const {
  char text[160];
  std::snprintf(text, sizeof text, "%s copied around the mark, %zu of %zu pictures re-encoded in %zu spans",
                avcodec_get_name(source_->codecpar->codec_id), plan_.reencodedPackets, times_.size(),
                plan_.spans.size());
  return text;
}

void SplicedVideo::SendPacket(AVPacket& packet) {
  if (next_ >= times_.size() || packet.pts != times_[next_].pts)
    RefuseSplice("the source's video packets differ from those the plan was made from");
  packet.dts = times_[next_].dts;  // as planned (filled in where the container keeps none)
  if (packet.pts != AV_NOPTS_VALUE) lastPts_ = std::max(lastPts_, packet.pts);
  const ReencodeSpan* span = span_ < plan_.spans.size() ? &plan_.spans[span_] : nullptr;
  if (span && next_ >= span->firstPacket) {
    if (next_ == span->firstPacket) StartSpan();
    durations_[packet.pts] = packet.duration;
    Decode(&packet);
    if (++next_ == span->endPacket) {
      EndSpan();
      ++span_;
      afterSpan_ = true;
    }
    return;
  }
  PacketPtr copy = MakePacket();
  if (afterSpan_) {
    // Back to the source's parameter sets before its own pictures.
    CheckAv(av_new_packet(copy.get(), static_cast<int>(parameterSets_.size()) + packet.size), VENCOR_ERROR_INTERNAL,
            "packet");
    std::memcpy(copy->data, parameterSets_.data(), parameterSets_.size());
    std::memcpy(copy->data + parameterSets_.size(), packet.data, static_cast<size_t>(packet.size));
    CheckAv(av_packet_copy_props(copy.get(), &packet), VENCOR_ERROR_INTERNAL, "packet");
    afterSpan_ = false;
  } else {
    CheckAv(av_packet_ref(copy.get(), &packet), VENCOR_ERROR_INTERNAL, "packet");
  }
  ++next_;
  muxer_.Write(copy.get(), output_, source_->time_base);
}

void SplicedVideo::Finish() {
  if (next_ != times_.size()) RefuseSplice("the source's video ended before all its packets were read");
}

void SplicedVideo::StartSpan() {
  const ReencodeSpan& span = plan_.spans[span_];
  decoder_ = OpenDecoder(source_, options_.threads);
  encoder_ = OpenSpanEncoder();
  spanDts_.clear();
  for (size_t i = span.firstPacket; i < span.endPacket; ++i) spanDts_.push_back(times_[i].dts);
  durations_.clear();
  spanDecoded_ = 0;
}

void SplicedVideo::EndSpan() {
  const ReencodeSpan& span = plan_.spans[span_];
  Decode(nullptr);
  CheckAv(avcodec_send_frame(encoder_.get(), nullptr), VENCOR_ERROR_ENCODER, "finishing the re-encoded span");
  WriteEncoded();
  if (spanDecoded_ != span.endPacket - span.firstPacket || !spanDts_.empty())
    RefuseSplice("a re-encoded span came out with another number of pictures than the source's");
  decoder_.reset();
  encoder_.reset();
}

void SplicedVideo::Decode(const AVPacket* packet) {
  int result = avcodec_send_packet(decoder_.get(), packet);
  if (result < 0 && result != AVERROR_EOF)
    RefuseSplice("a picture of the source does not decode: " + AvErrorText(result));
  for (;;) {
    result = avcodec_receive_frame(decoder_.get(), decoded_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    if (result < 0) RefuseSplice("a picture of the source does not decode: " + AvErrorText(result));
    FrameUnref unref(decoded_.get());
    ++spanDecoded_;
    EncodeFrame(*decoded_);
  }
}

void SplicedVideo::EncodeFrame(AVFrame& frame) {
  const ReencodeSpan& span = plan_.spans[span_];
  frame.pts = frame.best_effort_timestamp;
  if (frame.pts == AV_NOPTS_VALUE || frame.pts < span.startPts || frame.pts >= span.endPts)
    RefuseSplice("a re-encoded picture falls outside its span");
  if (frame.format != source_->codecpar->format || frame.width != source_->codecpar->width ||
      frame.height != source_->codecpar->height)
    RefuseSplice("the source's pictures change size or format");
  FramePtr painted = painter_.Paint(frame);
  painted->pts = frame.pts;
  painted->pict_type = AV_PICTURE_TYPE_NONE;
  CheckAv(avcodec_send_frame(encoder_.get(), painted.get()), VENCOR_ERROR_ENCODER, "re-encoding a marked picture");
  WriteEncoded();
}

void SplicedVideo::WriteEncoded() {
  for (;;) {
    const int result = avcodec_receive_packet(encoder_.get(), encoded_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    CheckAv(result, VENCOR_ERROR_ENCODER, "re-encoding a marked picture");
    PacketUnref unref(encoded_.get());
    if (spanDts_.empty()) RefuseSplice("the encoder gave more pictures than the span holds");
    const int64_t dts = spanDts_.front();
    spanDts_.pop_front();
    if (encoded_->pts == AV_NOPTS_VALUE || dts > encoded_->pts)
      RefuseSplice("the re-encoded pictures' order does not fit the source's decode times");
    PacketPtr out = MakePacket();
    if (IsAnnexB(*encoded_)) {
      const std::vector<uint8_t> data =
          ToLengthPrefixed(encoded_->data, static_cast<size_t>(encoded_->size), lengthSize_);
      CheckAv(av_new_packet(out.get(), static_cast<int>(data.size())), VENCOR_ERROR_INTERNAL, "packet");
      std::memcpy(out->data, data.data(), data.size());
    } else {
      CheckAv(av_packet_ref(out.get(), encoded_.get()), VENCOR_ERROR_INTERNAL, "packet");
    }
    out->pts = encoded_->pts;
    out->dts = dts;
    out->flags = encoded_->flags;
    const auto duration = durations_.find(encoded_->pts);
    out->duration = duration != durations_.end() ? duration->second : encoded_->duration;
    muxer_.Write(out.get(), output_, source_->time_base);
  }
}

}  // namespace vencor
