#include "encoder/video_stage.h"

#include "encoder/errors.h"
#include "encoder/hardware_encoder.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_format.h"
#include "encoder/progress.h"
#include "encoder/source_details.h"
#include "encoder/video_quality.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/hwcontext.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vencor {

namespace {

constexpr int kMaxTimeBaseDenominator = 65535;  // MPEG-4 part 2 limit; plenty for the others
constexpr double kMaxFilledGapSeconds = 5;      // a longer gap in the source is not filled with copies

bool IsFullRangeFormat(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
         format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

// Bit depth and chroma subsampling of a picture format; RGB counts as 4:4:4,
// grey as 4:2:0 (it has no chroma to keep).
struct Sampling {
  int depth = 8;
  int chromaW = 1;  // log2 of the horizontal and vertical subsampling
  int chromaH = 1;
};

Sampling SamplingOf(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  if (!d) return {};
  if (d->flags & AV_PIX_FMT_FLAG_RGB) return {d->comp[0].depth, 0, 0};
  if (d->nb_components < 3) return {d->comp[0].depth, 1, 1};
  return {d->comp[0].depth, d->log2_chroma_w, d->log2_chroma_h};
}

std::string SamplingText(Sampling s) {
  const char* chroma = s.chromaW == 0 && s.chromaH == 0   ? "4:4:4"
                       : s.chromaW == 1 && s.chromaH == 0 ? "4:2:2"
                       : s.chromaW == 1 && s.chromaH == 1 ? "4:2:0"
                                                          : "subsampled";
  return std::to_string(s.depth) + "-bit " + chroma;
}

// Planar YUV in native byte order, without alpha: what the watermark blends into.
bool IsPlainPlanarYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  return d && d->nb_components == 3 && (d->flags & AV_PIX_FMT_FLAG_PLANAR) &&
         !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_HWACCEL |
                       AV_PIX_FMT_FLAG_PAL)) &&
         !IsFullRangeFormat(format) && d->comp[0].depth <= 16;
}

// The encoder's format that keeps the source's bit depth and chroma where it
// codes them; else the one that loses least (depth first, then chroma), and
// among equals the smallest.
AVPixelFormat ChooseEncoderFormat(const AVCodec& codec, AVPixelFormat source) {
  if (!codec.pix_fmts) return AV_PIX_FMT_YUV420P;
  const Sampling want = SamplingOf(source);
  AVPixelFormat best = AV_PIX_FMT_NONE;
  std::array<int, 3> bestScore{};
  for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    if (!IsPlainPlanarYuv(*f)) continue;
    const Sampling s = SamplingOf(*f);
    const int lostDepth = std::max(0, want.depth - s.depth);
    const int lostChroma = std::max(0, s.chromaW - want.chromaW) + std::max(0, s.chromaH - want.chromaH);
    const int excess = std::max(0, s.depth - want.depth) + std::max(0, want.chromaW - s.chromaW) +
                       std::max(0, want.chromaH - s.chromaH);
    const std::array<int, 3> score{lostDepth, lostChroma, excess};
    if (best == AV_PIX_FMT_NONE || score < bestScore) {
      best = *f;
      bestScore = score;
    }
  }
  if (best != AV_PIX_FMT_NONE) return best;
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

// Says what the encoder's format cannot hold of the source's picture.
void NoteReduction(const AVCodec& codec, AVPixelFormat source, AVPixelFormat chosen) {
  const Sampling from = SamplingOf(source), to = SamplingOf(chosen);
  if (to.depth < from.depth || to.chromaW > from.chromaW || to.chromaH > from.chromaH)
    Note("the %s encoder codes no %s picture: the source's is written as %s", codec.name, SamplingText(from).c_str(),
         SamplingText(to).c_str());
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(source);
  if (d && (d->flags & AV_PIX_FMT_FLAG_ALPHA))
    Note("the source's transparency (alpha) is left out: the output is opaque");
}

// The mastering display and content light levels of an HDR stream, which
// players need to show it as it was graded.
void CopyHdrDetails(const AVStream& source, AVStream& output) {
  for (const AVPacketSideDataType type : {AV_PKT_DATA_MASTERING_DISPLAY_METADATA, AV_PKT_DATA_CONTENT_LIGHT_LEVEL}) {
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(&source, type, &size);
    if (!data || size == 0) continue;
    uint8_t* copy = av_stream_new_side_data(&output, type, size);
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, data, size);
  }
}

// The colour matrices the filters and the watermark know; others count as untagged.
AVColorSpace KnownMatrix(AVColorSpace matrix) {
  switch (matrix) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_BT2020_NCL: return matrix;
    default: return AVCOL_SPC_UNSPECIFIED;
  }
}

// What players assume for an untagged picture: BT.709 for HD, BT.601 below.
AVColorSpace AssumedMatrix(int width, int height) {
  return width >= 1280 || height > 576 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

bool IsBt601(AVColorSpace matrix) { return matrix == AVCOL_SPC_BT470BG || matrix == AVCOL_SPC_SMPTE170M; }

// The name the scale and colormatrix filters take for a matrix of KnownMatrix.
const char* MatrixName(AVColorSpace matrix) {
  switch (matrix) {
    case AVCOL_SPC_BT709: return "bt709";
    case AVCOL_SPC_FCC: return "fcc";
    case AVCOL_SPC_SMPTE240M: return "smpte240m";
    case AVCOL_SPC_BT2020_NCL: return "bt2020";
    default: return "bt601";
  }
}

// Containers with a timestamp per frame hold frames at any times; AVI counts
// frames at one rate, and plain H.263 codes times on its fixed clock.
bool HoldsFrameTimes(const AVOutputFormat& format, AVCodecID codec) {
  if (codec == AV_CODEC_ID_H263 || codec == AV_CODEC_ID_FLV1) return false;
  return std::strcmp(format.name, "avi") != 0;
}

// The filters' time base where the codec can code it; MPEG-4 part 2 takes
// denominators up to 65535 only.
AVRational EncoderTimeBase(AVCodecID codec, AVRational filterTimeBase) {
  if (codec != AV_CODEC_ID_MPEG4 || filterTimeBase.den <= kMaxTimeBaseDenominator) return filterTimeBase;
  AVRational reduced;
  av_reduce(&reduced.num, &reduced.den, filterTimeBase.num, filterTimeBase.den, kMaxTimeBaseDenominator);
  if (reduced.num != 1 || reduced.den <= 0) reduced = AVRational{1, kMaxTimeBaseDenominator};
  return reduced;
}

}  // namespace

VideoStage::VideoStage(const InputMedia& input, const TranscodeOptions& options, Muxer& muxer,
                       ProgressReporter& progress)
    : sourceStream_(input.Video()), muxer_(muxer), progress_(progress) {
  const AVCodecID sourceCodec = sourceStream_->codecpar->codec_id;
  const bool sameFamily = options.videoCodec == "same";
  std::string encoderName = sameFamily ? SameFamilyEncoder(sourceCodec) : options.videoCodec;
  if (sameFamily) {
    const AVCodec* kept = FindVideoEncoder(encoderName, muxer.Format());
    if (!kept || !MuxerTakes(muxer.Format(), kept->id)) {
      Note("the %s container cannot hold the source's %s video; it is encoded as H.264", muxer.Format()->name,
           avcodec_get_name(sourceCodec));
      encoderName = "libx264";
    }
  }
  const AVCodec* codec = FindVideoEncoder(encoderName, muxer.Format());
  if (!codec) Fail(VENCOR_ERROR_ENCODER, "no video encoder for \"" + encoderName + "\" in this FFmpeg");
  if (!MuxerTakes(muxer.Format(), codec->id))
    Fail(VENCOR_ERROR_ENCODER,
         std::string("the ") + muxer.Format()->name + " container cannot hold " + codec->name + " video");

  decoder_ = OpenDecoder(sourceStream_, options.threads);
  inputWidth_ = decoder_->width;
  inputHeight_ = decoder_->height;
  inputFormat_ = decoder_->pix_fmt;
  if (inputFormat_ == AV_PIX_FMT_NONE) Fail(VENCOR_ERROR_INPUT, "the pixel format of the source's video is unknown");

  // Without a set rate every frame keeps its own time where the container
  // holds variable rates; AVI and plain H.263 want a constant one, the source's.
  const bool setRate = options.frameRate.num > 0;
  keepFrameTimes_ = !setRate && HoldsFrameTimes(*muxer.Format(), codec->id);
  rateUnset_ = !setRate;
  const AVRational sourceRate = av_guess_frame_rate(input.Format(), input.Video(), nullptr);
  AVRational frameRate = setRate ? AVRational{options.frameRate.num, options.frameRate.den} : SourceFrameRate(input);
  av_reduce(&frameRate.num, &frameRate.den, frameRate.num, frameRate.den, kMaxTimeBaseDenominator);
  defaultDuration_ = std::max<int64_t>(
      1, av_rescale_q(1, av_inv_q(sourceRate.num > 0 ? sourceRate : frameRate), sourceStream_->time_base));

  // Frame rate first: dropped frames cost no turning or conversion.
  const int rotation = DisplayRotation(sourceStream_);
  std::string chain = keepFrameTimes_ ? "null" : "fps=fps=" + RationalText(frameRate);
  if (rotation == 90) chain += ",transpose=clock";
  else if (rotation == 180) chain += ",hflip,vflip";
  else if (rotation == 270) chain += ",transpose=cclock";
  AVRational sar = decoder_->sample_aspect_ratio.num > 0 ? decoder_->sample_aspect_ratio : AVRational{1, 1};
  const std::optional<PictureSize> resized = OutputSize(options, rotation, sar);
  const AVPixelFormat format = ChooseEncoderFormat(*codec, inputFormat_);
  NoteReduction(*codec, inputFormat_, format);
  // HDR stays HDR where the encoder codes 10 bits; else it is tone-mapped to
  // SDR (BT.709), which is what an 8-bit picture is shown as.
  const AVColorTransferCharacteristic sourceTrc = decoder_->color_trc;
  const bool hdrSource = sourceTrc == AVCOL_TRC_SMPTE2084 || sourceTrc == AVCOL_TRC_ARIB_STD_B67;
  toneMapped_ = hdrSource && SamplingOf(format).depth < 10;
  outputTrc_ = toneMapped_ ? AVCOL_TRC_BT709 : sourceTrc;
  outputPrimaries_ = toneMapped_ ? AVCOL_PRI_BT709 : decoder_->color_primaries;
  if (toneMapped_) {
    Note("the %s encoder codes no HDR picture: the source's %s picture is tone-mapped to SDR (BT.709)", codec->name,
         sourceTrc == AVCOL_TRC_SMPTE2084 ? "HDR10 (PQ)" : "HLG");
    chain +=
        ",zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
  }
  const bool rgbSource = !toneMapped_ && (av_pix_fmt_desc_get(inputFormat_)->flags & AV_PIX_FMT_FLAG_RGB) != 0;
  // A full-range picture (phones record them) stays full range where the
  // codec can say so in its stream (H.264); for the others it is brought to
  // limited range, which players assume. Either way the output is tagged with
  // the range its samples have. RGB becomes limited-range YUV.
  const bool fullRangeSource =
      !rgbSource && !toneMapped_ && (decoder_->color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(inputFormat_));
  outputRange_ = rgbSource ? AVCOL_RANGE_MPEG : decoder_->color_range;
  std::string scale;
  if (fullRangeSource) {
    const bool keepFullRange = codec->id == AV_CODEC_ID_H264;
    scale = keepFullRange ? "in_range=pc:out_range=pc" : "in_range=pc:out_range=tv";
    outputRange_ = keepFullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
  }
  // The watermark is blended in the matrix the samples are in: the source's,
  // or for untagged sources the one players assume for the size. An output
  // is tagged with that matrix, but an untagged source's stays untagged, so
  // that players read it as they read the source. RGB sources are converted
  // to the matrix players assume for the size and tagged with it; VP8 can
  // only say BT.601, so its pictures are converted to that.
  const AVColorSpace sourceMatrix = toneMapped_ ? AVCOL_SPC_BT709
                                    : rgbSource ? AVCOL_SPC_UNSPECIFIED
                                                : KnownMatrix(decoder_->colorspace);
  const AVColorSpace assumed =
      sourceMatrix != AVCOL_SPC_UNSPECIFIED ? sourceMatrix : AssumedMatrix(inputWidth_, inputHeight_);
  outputMatrix_ = codec->id == AV_CODEC_ID_VP8 && !IsBt601(assumed) ? AVCOL_SPC_BT470BG : assumed;
  if (rgbSource)
    scale += std::string(scale.empty() ? "" : ":") + "out_range=tv:out_color_matrix=" + MatrixName(outputMatrix_);
  // The output size is scaled to in the same pass as the range and matrix,
  // so that a full-range picture keeps its range through it; its pixels
  // become square.
  if (resized)
    scale = "w=" + std::to_string(resized->width) + ":h=" + std::to_string(resized->height) +
            (scale.empty() ? "" : ":") + scale;
  if (!scale.empty()) chain += ",scale=" + scale;
  if (resized) chain += ",setsar=1";
  chain += std::string(",format=pix_fmts=") + av_get_pix_fmt_name(format);
  if (!rgbSource && outputMatrix_ != assumed)
    chain += std::string(",colormatrix=src=") + MatrixName(assumed) + ":dst=" + MatrixName(outputMatrix_);

  const std::string sourceArguments =
      VideoSourceArguments(inputWidth_, inputHeight_, inputFormat_, sourceStream_->time_base, sar);
  filters_ = MakeFilterGraph(AVMEDIA_TYPE_VIDEO, sourceArguments, chain, "video");

  const int width = av_buffersink_get_w(filters_.sink);
  const int height = av_buffersink_get_h(filters_.sink);
  sar = av_buffersink_get_sample_aspect_ratio(filters_.sink);
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
  double displayAspect = static_cast<double>(width) * sar.num / (static_cast<double>(height) * sar.den);
  if (options.displayAspect > 0) {
    // The pixels are stretched to the set shape; the picture keeps its samples.
    // As a fraction of small terms: 1.7777 is 16:9.
    const AVRational shape = av_d2q(options.displayAspect, 255);
    displayAspect = av_q2d(shape);
    av_reduce(&sar.num, &sar.den, static_cast<int64_t>(shape.num) * height, static_cast<int64_t>(shape.den) * width,
              kMaxTimeBaseDenominator);
  }

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
  // A hardware encoder asked for is used where it codes trial frames of this
  // size; otherwise the software encoder of the codec stays, with a note.
  // The hardware path takes the painted 8-bit 4:2:0 pictures (UploadFrame);
  // deeper or fuller ones and the statistics of two passes stay in software.
  std::optional<HardwareEncoder> hardware;
  if (options.hardware != HardwareChoice::kOff) {
    std::string failure;
    if (format != AV_PIX_FMT_YUV420P)
      failure = std::string("it takes 8-bit 4:2:0 pictures, not ") + av_get_pix_fmt_name(format);
    else if (options.pass > 0) failure = "a target size is coded in two passes";
    else hardware = OpenHardwareEncoder(options.hardware, codec->id, target.width, target.height, frameRate, failure);
    if (!hardware)
      Note("the hardware encoder could not be used (%s); the video is encoded by %s", failure.c_str(), codec->name);
  }
  if (hardware) {
    codec = hardware->codec;
    hardwareFrames_ = std::move(hardware->frames);
  }
  painter_ = std::make_unique<FramePainter>(width, height, format, target, framing, displayAspect);
  painter_->SetClipTiming(av_buffersink_get_time_base(filters_.sink), input.DurationSeconds());
  const char* timecode = SourceTimecode(input);
  painter_->SetFrameClock(frameRate, timecode ? timecode : "");

  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_) throw std::bad_alloc();
  encoder_->width = target.width;
  encoder_->height = target.height;
  encoder_->pix_fmt = format;
  if (hardwareFrames_) {
    encoder_->pix_fmt = reinterpret_cast<const AVHWFramesContext*>(hardwareFrames_->data)->format;
    encoder_->hw_frames_ctx = av_buffer_ref(hardwareFrames_.get());
    if (!encoder_->hw_frames_ctx) throw std::bad_alloc();
  }
  encoder_->sample_aspect_ratio = framing == Framing::kFitInside ? AVRational{1, 1} : sar;
  filterTimeBase_ = av_buffersink_get_time_base(filters_.sink);
  encoder_->time_base = EncoderTimeBase(codec->id, filterTimeBase_);
  encoder_->framerate = frameRate;
  encoder_->color_range = outputRange_;
  // An untagged picture resized across the size players switch matrices at
  // is tagged with the one its samples are in.
  const bool staysUntagged = outputMatrix_ == assumed && sourceMatrix == AVCOL_SPC_UNSPECIFIED && !rgbSource &&
                             AssumedMatrix(target.width, target.height) == assumed;
  encoder_->colorspace = staysUntagged ? decoder_->colorspace : outputMatrix_;
  encoder_->color_primaries = outputPrimaries_;
  encoder_->color_trc = outputTrc_;
  const bool interlaced = KeepFieldOrder(*codec, rotation != 0 || resized, framing);
  // "Like the source" (and "same" without a level of its own) reads the
  // source's bits per pixel; its stream's rate, else the file's.
  quality_ = options.quality;
  if (options.qualityLikeSource || (sameFamily && !options.qualitySet)) {
    int64_t sourceBits = sourceStream_->codecpar->bit_rate;
    if (sourceBits <= 0 && input.Format()->bit_rate > 0) sourceBits = input.Format()->bit_rate;
    const double pixelsPerSecond = static_cast<double>(inputWidth_) * inputHeight_ * av_q2d(SourceFrameRate(input));
    quality_ =
        LevelLikeSource(sourceCodec, pixelsPerSecond > 0 ? static_cast<double>(sourceBits) / pixelsPerSecond : 0);
  }
  OpenEncoder(codec, options, frameRate);
  outputStream_ = muxer.AddStream(*encoder_);
  CopyStreamDetails(*sourceStream_, *outputStream_);
  if (!toneMapped_) CopyHdrDetails(*sourceStream_, *outputStream_);
  // Frames at their own times have no one rate; the container finds their average.
  if (keepFrameTimes_) outputStream_->avg_frame_rate = AVRational{0, 1};

  char summary[256];
  std::snprintf(summary, sizeof summary, "%dx%d %s -> %s %dx%d %s%s%s", inputWidth_, inputHeight_,
                avcodec_get_name(sourceStream_->codecpar->codec_id), codec->name, target.width, target.height,
                keepFrameTimes_ ? "frames at their source times" : (std::to_string(av_q2d(frameRate)) + " fps").c_str(),
                rotation     ? ", turned upright"
                : resized    ? ", resized"
                : interlaced ? ", interlaced"
                             : "",
                qualityWords_.empty() ? "" : (", " + qualityWords_).c_str());
  description_ = summary;
}

VideoStage::~VideoStage() = default;

std::optional<PictureSize> VideoStage::OutputSize(const TranscodeOptions& options, int rotation, AVRational sar) const {
  if (options.width <= 0 && options.height <= 0) return {};
  // The picture as it is shown: upright, in square pixels of its stored
  // height, stretched by its pixels' aspect or to the one set. Aspects far
  // from any real one are taken as square pixels, as the preview does.
  const bool turned = rotation == 90 || rotation == 270;
  const int uprightWidth = turned ? inputHeight_ : inputWidth_;
  const int uprightHeight = turned ? inputWidth_ : inputHeight_;
  double pixelAspect = av_q2d(sar);
  if (turned) pixelAspect = 1 / pixelAspect;
  if (pixelAspect < 0.25 || pixelAspect > 4) pixelAspect = 1;
  const double aspect = options.displayAspect > 0 ? options.displayAspect
                                                  : uprightWidth * pixelAspect / static_cast<double>(uprightHeight);
  const std::optional<PictureSize> size =
      ScaledOutputSize(aspect, uprightHeight, options.width, options.height, options.enlarge);
  if (!size) {
    Log("the source's picture (%dx%d as shown) is smaller than the output size; it keeps its size",
        static_cast<int>(std::lround(uprightHeight * aspect)), uprightHeight);
    return {};
  }
  // A picture of that size already is left alone.
  if (size->width == uprightWidth && size->height == uprightHeight && pixelAspect == 1 && options.displayAspect <= 0)
    return {};
  return size;
}

bool VideoStage::KeepFieldOrder(const AVCodec& codec, bool reshaped, Framing framing) {
  const AVFieldOrder order = sourceStream_->codecpar->field_order;
  if (order != AV_FIELD_TT && order != AV_FIELD_BB && order != AV_FIELD_TB && order != AV_FIELD_BT) return false;
  if (reshaped || framing == Framing::kFitInside) {
    // Turning or scaling a picture mixes its two fields into one picture.
    Note("the source is interlaced; turned or scaled, its fields are mixed and it is written progressive");
    return false;
  }
  encoder_->field_order = order;
  // H.264 and MPEG-4 code the two fields apart; for the others the container
  // carries the field order where it can.
  if (codec.id == AV_CODEC_ID_H264 || codec.id == AV_CODEC_ID_MPEG4)
    encoder_->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  // x264 codes the top field first unless told otherwise, whatever the frames say.
  if (std::strcmp(codec.name, "libx264") == 0)
    av_opt_set(encoder_->priv_data, "x264-params", order == AV_FIELD_BB || order == AV_FIELD_BT ? "bff=1" : "tff=1", 0);
  return true;
}

void VideoStage::OpenEncoder(const AVCodec* codec, const TranscodeOptions& options, AVRational frameRate) {
  if (muxer_.WantsGlobalHeader()) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // The encoder's own automatic threading, like the ffmpeg program, unless
  // the caller shares the processors between several encodes.
  encoder_->thread_count = options.threads;
  // No bit rate set means none at all: the library's default of 200 kbit/s
  // for some encoders (MPEG-4, H.263) would otherwise win over the quality.
  encoder_->bit_rate = options.videoBitRate > 0 ? options.videoBitRate : 0;
  // Without a bit rate the encoder codes at a constant quality; the
  // standard level is what each encoder has always been given.
  qualityWords_ = ApplyVideoQuality(*encoder_, *codec, quality_, options.speed, frameRate);
  // The passes of a target size: x264 keeps its statistics in a file of its own.
  if (options.pass > 0 && std::strcmp(codec->name, "libx264") == 0) {
    encoder_->flags |= options.pass == 1 ? AV_CODEC_FLAG_PASS1 : AV_CODEC_FLAG_PASS2;
    av_opt_set(encoder_->priv_data, "stats", options.statsPath.c_str(), 0);
    qualityWords_ += (qualityWords_.empty() ? "" : ", ") + std::string("pass ") + std::to_string(options.pass);
  }
  const int result = avcodec_open2(encoder_.get(), codec, nullptr);
  if (result < 0)
    Fail(VENCOR_ERROR_ENCODER, std::string("the ") + codec->name + " encoder refused its settings (" +
                                   std::to_string(encoder_->width) + "x" + std::to_string(encoder_->height) +
                                   "): " + AvErrorText(result));
}

std::string VideoStage::Describe() const { return description_; }

double VideoStage::PositionSeconds() const {
  return nextPts_ == AV_NOPTS_VALUE ? 0 : static_cast<double>(nextPts_) * av_q2d(sourceStream_->time_base);
}

void VideoStage::SendPacket(const AVPacket& packet) {
  if (SendToDecoder(*decoder_, packet, damage_)) ReceiveDecodedFrames();
}

void VideoStage::ReceiveDecodedFrames() {
  ForEachDecodedFrame(*decoder_, *decoded_, damage_, [this](AVFrame& frame) { FilterFrame(&frame); });
}

void VideoStage::FilterFrame(AVFrame* frame) {
  int64_t pts = frame->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) pts = nextPts_ == AV_NOPTS_VALUE ? 0 : nextPts_;
  // One rate for the whole output fills a gap with copies of the frame before
  // it: a few seconds of a still picture are what the source shows, an hour
  // of them is a broken clock, and no output at all is better.
  if (!keepFrameTimes_ && nextPts_ != AV_NOPTS_VALUE &&
      static_cast<double>(pts - nextPts_) * av_q2d(sourceStream_->time_base) > kMaxFilledGapSeconds) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "the source's video jumps by %.0f s at %.1f s; an output of one frame rate would fill the gap with "
                  "copies of one frame",
                  static_cast<double>(pts - nextPts_) * av_q2d(sourceStream_->time_base),
                  static_cast<double>(nextPts_) * av_q2d(sourceStream_->time_base));
    Fail(VENCOR_ERROR_INPUT, text);
  }
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
    Log("the source's video changes from %dx%d to %dx%d midway; later frames are scaled to the first size", inputWidth_,
        inputHeight_, frame->width, frame->height);
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
  ForEachFilteredFrame(*filters_.sink, *filtered_, "video filters",
                       [this](AVFrame& filtered) { EncodeFrame(filtered); });
}

void VideoStage::EncodeFrame(AVFrame& filtered) {
  // What the samples are now, for the hook's colours, the overlay and the encoder.
  filtered.color_range = outputRange_;
  filtered.colorspace = outputMatrix_;
  filtered.color_trc = outputTrc_;
  filtered.color_primaries = outputPrimaries_;
  FramePtr painted = painter_->Paint(filtered);
  // A hardware encoder takes the picture on a surface of its device.
  if (hardwareFrames_) painted = UploadFrame(*hardwareFrames_, *painted, uploader_, uploadStaging_);
  int64_t pts = av_rescale_q(filtered.pts, filterTimeBase_, encoder_->time_base);
  // Two frames closer than the encoder's clock can tell apart still get times of their own.
  if (lastPts_ != AV_NOPTS_VALUE && pts <= lastPts_) pts = lastPts_ + 1;
  lastPts_ = pts;
  painted->pts = pts;
  // At a set rate a frame lasts one period; at its source time, as long as the source says.
  const int64_t duration = !keepFrameTimes_ ? av_rescale_q(1, av_inv_q(encoder_->framerate), encoder_->time_base)
                           : filtered.pkt_duration > 0
                               ? av_rescale_q(filtered.pkt_duration, filterTimeBase_, encoder_->time_base)
                               : 0;
  if (duration > 0) durations_[pts] = duration;
  if (durations_.size() > 256) durations_.erase(durations_.begin());  // frames the encoder dropped
  painted->pict_type = AV_PICTURE_TYPE_NONE;
  if (encoder_->flags & AV_CODEC_FLAG_QSCALE) painted->quality = encoder_->global_quality;
  CheckAv(avcodec_send_frame(encoder_.get(), painted.get()), VENCOR_ERROR_ENCODER, "video encoder");
  ++framesEncoded_;
  DrainEncoder();
  if (progress_.Report(PositionSeconds(), framesEncoded_)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
}

void VideoStage::DrainEncoder() {
  ForEachEncodedPacket(*encoder_, *encoded_, "video encoder", [this](AVPacket& encoded) {
    // Encoders leave the duration out; the last frame of a stream needs it.
    if (const auto known = durations_.find(encoded.pts); known != durations_.end()) {
      if (encoded.duration <= 0) encoded.duration = known->second;
      durations_.erase(known);
    }
    muxer_.Write(&encoded, outputStream_, encoder_->time_base);
    if (progress_.Report(PositionSeconds(), framesEncoded_)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  });
}

void VideoStage::Finish() {
  avcodec_send_packet(decoder_.get(), nullptr);
  ReceiveDecodedFrames();
  if (framesDecoded_ == 0) Fail(VENCOR_ERROR_INPUT, "no frame of the source's video could be decoded");
  // Closing at the end of the last frame lets the frame rate filter fill the
  // whole duration of the source.
  CheckAv(av_buffersrc_close(filters_.source, nextPts_, AV_BUFFERSRC_FLAG_PUSH), VENCOR_ERROR_INTERNAL,
          "video filters");
  PullFilteredFrames();
  CheckAv(avcodec_send_frame(encoder_.get(), nullptr), VENCOR_ERROR_ENCODER, "video encoder");
  DrainEncoder();
  damage_.LogTotal();
  if (!keepFrameTimes_ && framesEncoded_ != framesDecoded_ && rateUnset_)
    Note("the %s output holds one frame rate: the source's %lld frames are written as %lld at %.3f frames per second",
         muxer_.Format()->name, framesDecoded_, framesEncoded_, av_q2d(encoder_->framerate));
}

}  // namespace vencor
