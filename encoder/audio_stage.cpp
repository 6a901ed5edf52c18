#include "encoder/audio_stage.h"

#include "encoder/audio_rates.h"

#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_format.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <cstdlib>

namespace vencor {

namespace {

AVSampleFormat ChooseSampleFormat(const AVCodec& codec, AVSampleFormat source) {
  if (!codec.sample_fmts) return source;
  for (const AVSampleFormat* f = codec.sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
    if (*f == source) return source;
  return codec.sample_fmts[0];
}

int ChooseSampleRate(const AVCodec& codec, int wanted) {
  if (!codec.supported_samplerates) return wanted;
  int best = codec.supported_samplerates[0];
  for (const int* rate = codec.supported_samplerates; *rate; ++rate)
    if (std::abs(*rate - wanted) < std::abs(best - wanted) || (std::abs(*rate - wanted) == std::abs(best - wanted) && *rate > best))
      best = *rate;
  return best;
}

// The source's layout when the encoder takes it, else the largest one it
// takes that does not have more channels than the source.
void ChooseLayout(const AVCodec& codec, const AVChannelLayout& source, AVChannelLayout& chosen) {
  if (!codec.ch_layouts) {
    av_channel_layout_copy(&chosen, &source);
    return;
  }
  const AVChannelLayout* best = nullptr;
  for (const AVChannelLayout* layout = codec.ch_layouts; layout->nb_channels; ++layout) {
    if (!av_channel_layout_compare(layout, &source)) {
      best = layout;
      break;
    }
    if (layout->nb_channels <= source.nb_channels && (!best || layout->nb_channels > best->nb_channels)) best = layout;
  }
  av_channel_layout_copy(&chosen, best ? best : &codec.ch_layouts[0]);
}

std::string LayoutText(const AVChannelLayout& layout) {
  char text[128] = {};
  av_channel_layout_describe(&layout, text, sizeof text);
  return text;
}

}  // namespace

AudioStage::AudioStage(const AVStream& source, const TranscodeOptions& options, Muxer& muxer)
    : sourceStream_(&source), muxer_(muxer) {
  const AVCodecID sourceCodec = sourceStream_->codecpar->codec_id;
  if (IsStreamCopy(options.audioCodec)) {
    if (MuxerTakes(muxer.Format(), sourceCodec)) {
      copy_ = true;
      outputStream_ = muxer.AddCopiedStream(*sourceStream_);
      CopyStreamDetails(*sourceStream_, *outputStream_);
      if (options.volume != kUnchangedVolume)
        Note("the audio is copied as it is; the volume %d/256 cannot apply to copied audio", options.volume);
      description_ = std::string(avcodec_get_name(sourceCodec)) + " copied";
      return;
    }
    const AVCodec* fallback = avcodec_find_encoder(muxer.Format()->audio_codec);
    if (!fallback)
      Fail(VENCOR_ERROR_ENCODER, std::string("the ") + muxer.Format()->name + " container cannot hold the source's " +
                                     avcodec_get_name(sourceCodec) + " audio");
    Note("the %s container cannot hold the source's %s audio; it is encoded as %s", muxer.Format()->name,
        avcodec_get_name(sourceCodec), fallback->name);
    SetUpEncoding(*fallback, options);
    return;
  }
  const AVCodec* codec = FindAudioEncoder(options.audioCodec);
  if (!codec) Fail(VENCOR_ERROR_ENCODER, "no audio encoder for \"" + options.audioCodec + "\" in this FFmpeg");
  if (!MuxerTakes(muxer.Format(), codec->id))
    Fail(VENCOR_ERROR_ENCODER, std::string("the ") + muxer.Format()->name + " container cannot hold " + codec->name + " audio");
  SetUpEncoding(*codec, options);
}

AudioStage::~AudioStage() { av_channel_layout_uninit(&inputLayout_); }

void AudioStage::SetUpEncoding(const AVCodec& codec, const TranscodeOptions& options) {
  decoder_ = OpenDecoder(sourceStream_);
  inputRate_ = decoder_->sample_rate;
  inputFormat_ = decoder_->sample_fmt;
  if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || !decoder_->ch_layout.nb_channels)
    av_channel_layout_default(&inputLayout_, std::max(1, decoder_->ch_layout.nb_channels));
  else
    av_channel_layout_copy(&inputLayout_, &decoder_->ch_layout);
  if (inputRate_ <= 0 || inputFormat_ == AV_SAMPLE_FMT_NONE)
    Fail(VENCOR_ERROR_INPUT, "the format of the source's audio is unknown");

  encoder_.reset(avcodec_alloc_context3(&codec));
  if (!encoder_) throw std::bad_alloc();
  encoder_->sample_fmt = ChooseSampleFormat(codec, inputFormat_);
  const int wantedRate = options.sampleRate > 0 ? options.sampleRate : inputRate_;
  encoder_->sample_rate = ChooseSampleRate(codec, wantedRate);
  // A changed rate is said also when the source's own rate was asked for.
  if (encoder_->sample_rate != wantedRate)
    Note("%s does not take %s%d Hz; using %d Hz", codec.name, options.sampleRate > 0 ? "" : "the source's ", wantedRate,
         encoder_->sample_rate);
  ChooseLayout(codec, inputLayout_, encoder_->ch_layout);
  if (encoder_->ch_layout.nb_channels < inputLayout_.nb_channels)
    Note("the %s encoder takes no %s audio: the source's (stream %d) is mixed down to %s", codec.name,
         LayoutText(inputLayout_).c_str(), sourceStream_->index, LayoutText(encoder_->ch_layout).c_str());
  encoder_->time_base = AVRational{1, encoder_->sample_rate};
  const AudioRate rate = AutoAudioRate(codec.id, encoder_->sample_rate, encoder_->ch_layout.nb_channels);
  if (rate.lossless) {
    if (options.audioBitRate > 0) Note("%s is lossless: the audio bit rate set does not apply", codec.name);
  } else if (options.audioBitRate > 0) {
    encoder_->bit_rate = options.audioBitRate;
  } else {
    encoder_->bit_rate = rate.bitRate;
    if (rate.bitRate == 0) {
      encoder_->flags |= AV_CODEC_FLAG_QSCALE;
      encoder_->global_quality = rate.vorbisQuality * FF_QP2LAMBDA;
    }
  }
  if (muxer_.WantsGlobalHeader()) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  encoder_->thread_count = 0;
  // Described before opening: a refused open clears the encoder's settings.
  const std::string settings =
      std::to_string(encoder_->sample_rate) + " Hz, " + LayoutText(encoder_->ch_layout) +
      (rate.lossless            ? std::string(", lossless")
       : encoder_->bit_rate > 0 ? ", " + std::to_string(encoder_->bit_rate / 1000) + " kbit/s"
                                : ", quality " + std::to_string(encoder_->global_quality / FF_QP2LAMBDA));
  const int opened = avcodec_open2(encoder_.get(), &codec, nullptr);
  if (opened < 0)
    Fail(VENCOR_ERROR_ENCODER,
         std::string("the ") + codec.name + " encoder refused its settings (" + settings + "): " + AvErrorText(opened));
  outputStream_ = muxer_.AddStream(*encoder_);
  CopyStreamDetails(*sourceStream_, *outputStream_);

  const std::string sourceArguments =
      "time_base=" + std::to_string(sourceStream_->time_base.num) + "/" + std::to_string(sourceStream_->time_base.den) +
      ":sample_rate=" + std::to_string(inputRate_) + ":sample_fmt=" + av_get_sample_fmt_name(inputFormat_) +
      ":channel_layout=" + LayoutText(inputLayout_);
  std::string chain;
  if (options.volume != kUnchangedVolume)
    chain += "volume=volume=" + std::to_string(options.volume) + "/256:precision=float,";
  // One resampler does rate, sample format and channel layout together.
  chain += "aresample=" + std::to_string(encoder_->sample_rate) +
           ",aformat=sample_fmts=" + av_get_sample_fmt_name(encoder_->sample_fmt) +
           ":sample_rates=" + std::to_string(encoder_->sample_rate) + ":channel_layouts=" + LayoutText(encoder_->ch_layout);
  filters_ = MakeFilterGraph(AVMEDIA_TYPE_AUDIO, sourceArguments, chain, "audio");
  if (!(codec.capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && encoder_->frame_size > 0)
    av_buffersink_set_frame_size(filters_.sink, static_cast<unsigned>(encoder_->frame_size));

  description_ = std::string(avcodec_get_name(sourceStream_->codecpar->codec_id)) + " " + std::to_string(inputRate_) +
                 " Hz -> " + codec.name + " " + std::to_string(encoder_->sample_rate) + " Hz " +
                 LayoutText(encoder_->ch_layout) +
                 (encoder_->bit_rate > 0 ? " " + std::to_string(encoder_->bit_rate / 1000) + " kbit/s" : " quality mode") +
                 (options.volume != kUnchangedVolume ? ", volume " + std::to_string(options.volume) + "/256" : "");
}

void AudioStage::SendPacket(AVPacket& packet) {
  if (copy_) {
    muxer_.Write(&packet, outputStream_, sourceStream_->time_base);
    return;
  }
  if (SendToDecoder(*decoder_, packet, damage_)) ReceiveDecodedFrames();
}

void AudioStage::ReceiveDecodedFrames() {
  ForEachDecodedFrame(*decoder_, *decoded_, damage_, [this](AVFrame& frame) {
    if (frame.sample_rate != inputRate_ || frame.format != inputFormat_ ||
        frame.ch_layout.nb_channels != inputLayout_.nb_channels) {
      if (dropped_++ == 0) Note("the source's audio changes its format midway; such parts are left out");
      return;
    }
    int64_t pts = frame.best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) pts = nextPts_ == AV_NOPTS_VALUE ? 0 : nextPts_;
    frame.pts = pts;
    nextPts_ = pts + av_rescale_q(frame.nb_samples, AVRational{1, frame.sample_rate}, sourceStream_->time_base);
    CheckAv(av_buffersrc_add_frame_flags(filters_.source, &frame, AV_BUFFERSRC_FLAG_KEEP_REF), VENCOR_ERROR_INTERNAL,
            "audio filters");
    PullFilteredFrames();
  });
}

void AudioStage::PullFilteredFrames() {
  const AVRational filterTimeBase = av_buffersink_get_time_base(filters_.sink);
  ForEachFilteredFrame(*filters_.sink, *filtered_, "audio filters", [&](AVFrame& filtered) {
    if (filtered.pts != AV_NOPTS_VALUE) filtered.pts = av_rescale_q(filtered.pts, filterTimeBase, encoder_->time_base);
    CheckAv(avcodec_send_frame(encoder_.get(), &filtered), VENCOR_ERROR_ENCODER, "audio encoder");
    DrainEncoder();
  });
}

void AudioStage::DrainEncoder() {
  ForEachEncodedPacket(*encoder_, *encoded_, "audio encoder",
                       [this](AVPacket& encoded) { muxer_.Write(&encoded, outputStream_, encoder_->time_base); });
}

void AudioStage::Finish() {
  if (copy_) return;
  avcodec_send_packet(decoder_.get(), nullptr);
  ReceiveDecodedFrames();
  if (nextPts_ != AV_NOPTS_VALUE) {
    CheckAv(av_buffersrc_close(filters_.source, nextPts_, AV_BUFFERSRC_FLAG_PUSH), VENCOR_ERROR_INTERNAL, "audio filters");
    PullFilteredFrames();
  }
  CheckAv(avcodec_send_frame(encoder_.get(), nullptr), VENCOR_ERROR_ENCODER, "audio encoder");
  DrainEncoder();
  damage_.LogTotal();
}

}  // namespace vencor
