#include "encoder/video_stage.h"

#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_format.h"
#include "encoder/progress.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace vencor {

namespace {

// Quantiser of the MPEG-4 family when no bit rate is given: visually close to
// the source (2 is the finest), instead of FFmpeg's 200 kbit/s default.
constexpr int kMpeg4FamilyQuantiser = 3;
// VP8's constrained quality level when no bit rate is given (4 best, 63 worst).
constexpr int kVp8QualityLevel = 10;
constexpr int kMaxTimeBaseDenominator = 65535;  // MPEG-4 part 2 limit; plenty for the others

bool IsMpeg4Family(AVCodecID id) {
  return id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_MSMPEG4V3 || id == AV_CODEC_ID_MSMPEG4V2 ||
         id == AV_CODEC_ID_FLV1 || id == AV_CODEC_ID_H263 || id == AV_CODEC_ID_H263P;
}

AVPixelFormat ChooseEncoderFormat(const AVCodec& codec, AVPixelFormat source) {
  // 8-bit 4:2:0 plays everywhere; take it whenever the encoder can.
  if (!codec.pix_fmts) return AV_PIX_FMT_YUV420P;
  for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == AV_PIX_FMT_YUV420P) return *f;
  return avcodec_find_best_pix_fmt_of_list(codec.pix_fmts, source, 0, nullptr);
}

AVRational SourceFrameRate(const InputMedia& input) {
  AVRational rate = av_guess_frame_rate(input.Format(), input.Video(), nullptr);
  if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 1000) {
    Log("the source's frame rate is unknown; using 25 frames per second");
    rate = AVRational{25, 1};
  }
  return rate;
}

bool IsFullRangeFormat(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
         format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

std::string RateText(AVRational rate) { return std::to_string(rate.num) + "/" + std::to_string(rate.den); }

}  // namespace

VideoStage::VideoStage(const InputMedia& input, const TranscodeOptions& options, Muxer& muxer, ProgressReporter& progress)
    : sourceStream_(input.Video()), muxer_(muxer), progress_(progress) {
  const AVCodec* codec = FindVideoEncoder(options.videoCodec, muxer.Format());
  if (!codec) Fail(VENCOR_ERROR_ENCODER, "no video encoder for \"" + options.videoCodec + "\" in this FFmpeg");
  if (!MuxerTakes(muxer.Format(), codec->id))
    Fail(VENCOR_ERROR_ENCODER, std::string("the ") + muxer.Format()->name + " container cannot hold " + codec->name + " video");

  decoder_ = OpenDecoder(sourceStream_);
  inputWidth_ = decoder_->width;
  inputHeight_ = decoder_->height;
  inputFormat_ = decoder_->pix_fmt;
  if (inputFormat_ == AV_PIX_FMT_NONE)
    Fail(VENCOR_ERROR_INPUT, "the pixel format of the source's video is unknown");

  AVRational frameRate = options.frameRate.num > 0 ? AVRational{options.frameRate.num, options.frameRate.den}
                                                   : SourceFrameRate(input);
  av_reduce(&frameRate.num, &frameRate.den, frameRate.num, frameRate.den, kMaxTimeBaseDenominator);
  const AVRational sourceRate = av_guess_frame_rate(input.Format(), input.Video(), nullptr);
  defaultDuration_ = std::max<int64_t>(
      1, av_rescale_q(1, av_inv_q(sourceRate.num > 0 ? sourceRate : frameRate), sourceStream_->time_base));

  // Frame rate first: dropped frames cost no turning or conversion.
  const int rotation = DisplayRotation(sourceStream_);
  std::string chain = "fps=fps=" + RateText(frameRate);
  if (rotation == 90) chain += ",transpose=clock";
  else if (rotation == 180) chain += ",hflip,vflip";
  else if (rotation == 270) chain += ",transpose=cclock";
  const AVPixelFormat format = ChooseEncoderFormat(*codec, inputFormat_);
  // A full-range picture (phones record them) stays full range where the
  // codec can say so in its stream (H.264); for the others it is brought to
  // limited range, which players assume. Either way the output is tagged with
  // the range its samples have.
  const bool fullRangeSource = decoder_->color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(inputFormat_);
  outputRange_ = decoder_->color_range;
  if (fullRangeSource) {
    const bool keepFullRange = codec->id == AV_CODEC_ID_H264;
    chain += keepFullRange ? ",scale=in_range=pc:out_range=pc" : ",scale=in_range=pc:out_range=tv";
    outputRange_ = keepFullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  }
  chain += std::string(",format=pix_fmts=") + av_get_pix_fmt_name(format);

  AVRational sar = decoder_->sample_aspect_ratio.num > 0 ? decoder_->sample_aspect_ratio : AVRational{1, 1};
  const std::string sourceArguments =
      "video_size=" + std::to_string(inputWidth_) + "x" + std::to_string(inputHeight_) +
      ":pix_fmt=" + std::to_string(inputFormat_) + ":time_base=" + RateText(sourceStream_->time_base) +
      ":pixel_aspect=" + RateText(sar);
  filters_ = MakeFilterGraph(AVMEDIA_TYPE_VIDEO, sourceArguments, chain, "video");

  const int width = av_buffersink_get_w(filters_.sink);
  const int height = av_buffersink_get_h(filters_.sink);
  sar = av_buffersink_get_sample_aspect_ratio(filters_.sink);
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
  const double displayAspect = static_cast<double>(width) * sar.num / (static_cast<double>(height) * sar.den);

  PictureSize target{width, height};
  Framing framing = Framing::kPadToEven;
  if (codec->id == AV_CODEC_ID_H263) {
    target = NearestH263Size(width, height);
    framing = Framing::kFitInside;
  } else if (codec->id != AV_CODEC_ID_VP8) {
    // 4:2:0 encoders take only even sizes; VP8 alone codes odd ones exactly.
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    if (descriptor->log2_chroma_w) target.width = (width + 1) & ~1;
    if (descriptor->log2_chroma_h) target.height = (height + 1) & ~1;
  }
  painter_ = std::make_unique<FramePainter>(width, height, format, target, framing, displayAspect);
  painter_->SetClipTiming(av_buffersink_get_time_base(filters_.sink), input.DurationSeconds());

  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_) throw std::bad_alloc();
  encoder_->width = target.width;
  encoder_->height = target.height;
  encoder_->pix_fmt = format;
  encoder_->sample_aspect_ratio = framing == Framing::kFitInside ? AVRational{1, 1} : sar;
  encoder_->time_base = av_buffersink_get_time_base(filters_.sink);
  encoder_->framerate = frameRate;
  encoder_->color_range = outputRange_;
  encoder_->colorspace = decoder_->colorspace;
  encoder_->color_primaries = decoder_->color_primaries;
  encoder_->color_trc = decoder_->color_trc;
  const bool interlaced = KeepFieldOrder(*codec, rotation, framing);
  OpenEncoder(codec, options, frameRate);
  outputStream_ = muxer.AddStream(*encoder_);

  char summary[256];
  std::snprintf(summary, sizeof summary, "%dx%d %s -> %s %dx%d %.3f fps%s%s", inputWidth_, inputHeight_,
                avcodec_get_name(sourceStream_->codecpar->codec_id), codec->name, target.width, target.height,
                av_q2d(frameRate), rotation ? ", turned upright" : interlaced ? ", interlaced" : "",
                encoder_->bit_rate > 0 && !(encoder_->flags & AV_CODEC_FLAG_QSCALE) ? "" : ", constant quality");
  description_ = summary;
}

VideoStage::~VideoStage() = default;

bool VideoStage::KeepFieldOrder(const AVCodec& codec, int rotation, Framing framing) {
  const AVFieldOrder order = sourceStream_->codecpar->field_order;
  if (order != AV_FIELD_TT && order != AV_FIELD_BB && order != AV_FIELD_TB && order != AV_FIELD_BT) return false;
  if (rotation != 0 || framing == Framing::kFitInside) {
    // Turning or scaling a picture mixes its two fields into one picture.
    Log("the source is interlaced; turned or scaled, its fields are mixed and it is written progressive");
    return false;
  }
  encoder_->field_order = order;
  // H.264 and MPEG-4 code the two fields apart; for the others the container
  // carries the field order where it can.
  if (codec.id == AV_CODEC_ID_H264 || codec.id == AV_CODEC_ID_MPEG4)
    encoder_->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  return true;
}

void VideoStage::OpenEncoder(const AVCodec* codec, const TranscodeOptions& options, AVRational frameRate) {
  if (muxer_.WantsGlobalHeader()) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  encoder_->thread_count = 0;  // the encoder's own automatic threading, like the ffmpeg program
  if (options.videoBitRate > 0) {
    encoder_->bit_rate = options.videoBitRate;
  } else if (IsMpeg4Family(codec->id)) {
    encoder_->flags |= AV_CODEC_FLAG_QSCALE;
    encoder_->global_quality = FF_QP2LAMBDA * kMpeg4FamilyQuantiser;
  } else if (codec->id == AV_CODEC_ID_VP8) {
    av_opt_set_int(encoder_->priv_data, "crf", kVp8QualityLevel, 0);
    // In VP8's constrained quality mode the bit rate is a ceiling: keep it well above what the quality level needs.
    const double ceiling = static_cast<double>(encoder_->width) * encoder_->height * av_q2d(frameRate) * 0.3;
    encoder_->bit_rate = static_cast<int64_t>(std::clamp(ceiling, 1e6, 50e6));
  }
  // libx264 without a bit rate keeps its default constant rate factor and preset.
  const int result = avcodec_open2(encoder_.get(), codec, nullptr);
  if (result < 0)
    Fail(VENCOR_ERROR_ENCODER, std::string("the ") + codec->name + " encoder refused its settings (" +
                                   std::to_string(encoder_->width) + "x" + std::to_string(encoder_->height) + "): " +
                                   AvErrorText(result));
}

std::string VideoStage::Describe() const { return description_; }

double VideoStage::PositionSeconds() const {
  return nextPts_ == AV_NOPTS_VALUE ? 0 : static_cast<double>(nextPts_) * av_q2d(sourceStream_->time_base);
}

void VideoStage::SendPacket(const AVPacket& packet) {
  const int result = avcodec_send_packet(decoder_.get(), &packet);
  if (result < 0 && result != AVERROR(EAGAIN)) {
    // Players skip a damaged packet and go on; so do we.
    if (damagedPackets_++ < 5) Log("skipped a damaged video packet: %s", AvErrorText(result).c_str());
    return;
  }
  ReceiveDecodedFrames();
}

void VideoStage::ReceiveDecodedFrames() {
  for (;;) {
    const int result = avcodec_receive_frame(decoder_.get(), decoded_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    if (result < 0) {
      if (damagedPackets_++ < 5) Log("skipped a damaged video frame: %s", AvErrorText(result).c_str());
      continue;
    }
    FrameUnref unref(decoded_.get());
    FilterFrame(decoded_.get());
  }
}

void VideoStage::FilterFrame(AVFrame* frame) {
  int64_t pts = frame->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) pts = nextPts_ == AV_NOPTS_VALUE ? 0 : nextPts_;
  frame->pts = pts;
  const int64_t duration = frame->pkt_duration > 0 ? frame->pkt_duration : defaultDuration_;
  nextPts_ = std::max(nextPts_ == AV_NOPTS_VALUE ? 0 : nextPts_, pts + duration);
  ++framesDecoded_;

  AVFrame* input = MatchGraphInput(frame);
  if (!input) return;
  CheckAv(av_buffersrc_add_frame_flags(filters_.source, input, AV_BUFFERSRC_FLAG_KEEP_REF), VENCOR_ERROR_INTERNAL,
          "video filters");
  PullFilteredFrames();
}

AVFrame* VideoStage::MatchGraphInput(AVFrame* frame) {
  if (frame->width == inputWidth_ && frame->height == inputHeight_ && frame->format == inputFormat_) return frame;
  // The source changed its picture size midway (streams cut together do):
  // bring the frame back to the first size so that filters, hook and encoder
  // keep theirs.
  if (!loggedResize_) {
    loggedResize_ = true;
    Log("the source's video changes from %dx%d to %dx%d midway; later frames are scaled to the first size",
        inputWidth_, inputHeight_, frame->width, frame->height);
  }
  resizer_.reset(sws_getCachedContext(resizer_.release(), frame->width, frame->height,
                                      static_cast<AVPixelFormat>(frame->format), inputWidth_, inputHeight_,
                                      inputFormat_, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!resizer_) return nullptr;
  if (!resized_) resized_ = MakeFrame();
  av_frame_unref(resized_.get());
  resized_->width = inputWidth_;
  resized_->height = inputHeight_;
  resized_->format = inputFormat_;
  if (av_frame_get_buffer(resized_.get(), 0) < 0) throw std::bad_alloc();
  av_frame_copy_props(resized_.get(), frame);
  sws_scale(resizer_.get(), frame->data, frame->linesize, 0, frame->height, resized_->data, resized_->linesize);
  return resized_.get();
}

void VideoStage::PullFilteredFrames() {
  for (;;) {
    const int result = av_buffersink_get_frame(filters_.sink, filtered_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    CheckAv(result, VENCOR_ERROR_INTERNAL, "video filters");
    FrameUnref unref(filtered_.get());
    EncodeFrame(*filtered_);
  }
}

void VideoStage::EncodeFrame(AVFrame& filtered) {
  filtered.color_range = outputRange_;  // what the samples are now, for the hook's colours and the encoder
  FramePtr painted = painter_->Paint(filtered);
  painted->pts = filtered.pts;  // the filters' time base is the encoder's
  painted->pict_type = AV_PICTURE_TYPE_NONE;
  if (encoder_->flags & AV_CODEC_FLAG_QSCALE) painted->quality = encoder_->global_quality;
  CheckAv(avcodec_send_frame(encoder_.get(), painted.get()), VENCOR_ERROR_ENCODER, "video encoder");
  ++framesEncoded_;
  DrainEncoder();
  if (progress_.Report(PositionSeconds(), framesEncoded_)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
}

void VideoStage::DrainEncoder() {
  for (;;) {
    const int result = avcodec_receive_packet(encoder_.get(), encoded_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    CheckAv(result, VENCOR_ERROR_ENCODER, "video encoder");
    muxer_.Write(encoded_.get(), outputStream_, encoder_->time_base);
    av_packet_unref(encoded_.get());
    if (progress_.Report(PositionSeconds(), framesEncoded_)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  }
}

void VideoStage::Finish() {
  avcodec_send_packet(decoder_.get(), nullptr);
  ReceiveDecodedFrames();
  if (framesDecoded_ == 0) Fail(VENCOR_ERROR_INPUT, "no frame of the source's video could be decoded");
  // Closing at the end of the last frame lets the frame rate filter fill the
  // whole duration of the source.
  CheckAv(av_buffersrc_close(filters_.source, nextPts_, AV_BUFFERSRC_FLAG_PUSH), VENCOR_ERROR_INTERNAL, "video filters");
  PullFilteredFrames();
  CheckAv(avcodec_send_frame(encoder_.get(), nullptr), VENCOR_ERROR_ENCODER, "video encoder");
  DrainEncoder();
  if (damagedPackets_ > 0) Log("%lld damaged video packets or frames were skipped", damagedPackets_);
}

}  // namespace vencor
