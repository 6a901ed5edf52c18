#include "encoder/subtitle_stage.h"

#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"

#include <cstring>

namespace vencor {

namespace {

constexpr size_t kEncodedSubtitleBytes = 1 << 20;

// avformat_query_codec says 1 only when it knows the container holds the
// codec; a subtitle stream it is unsure of would make the header fail.
bool SurelyHolds(const AVOutputFormat* format, AVCodecID codec) {
  return avformat_query_codec(format, codec, FF_COMPLIANCE_NORMAL) == 1;
}

bool IsText(AVCodecID codec) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec);
  return descriptor && (descriptor->props & AV_CODEC_PROP_TEXT_SUB);
}

// The text subtitle encoder whose codec the container holds: its own
// default first (MP4's muxers name none, but hold timed text).
const AVCodec* TextEncoderFor(const AVOutputFormat* format) {
  for (const AVCodecID codec : {format->subtitle_codec, AV_CODEC_ID_MOV_TEXT, AV_CODEC_ID_SUBRIP, AV_CODEC_ID_WEBVTT,
                                AV_CODEC_ID_ASS}) {
    if (codec == AV_CODEC_ID_NONE || !IsText(codec) || !SurelyHolds(format, codec)) continue;
    if (const AVCodec* encoder = avcodec_find_encoder(codec)) return encoder;
  }
  return nullptr;
}

struct SubtitleFree {
  AVSubtitle* subtitle;
  ~SubtitleFree() { avsubtitle_free(subtitle); }
};

}  // namespace

std::unique_ptr<SubtitleStage> SubtitleStage::Create(const AVStream& source, Muxer& muxer) {
  const AVOutputFormat* format = muxer.Format();
  const AVCodecID codec = source.codecpar->codec_id;
  if (SurelyHolds(format, codec)) {
    AVStream* output = muxer.AddCopiedStream(source);
    CopyStreamDetails(source, *output);
    return std::unique_ptr<SubtitleStage>(new SubtitleStage(source, muxer, output, nullptr, nullptr));
  }
  const AVCodec* encoder = IsText(codec) ? TextEncoderFor(format) : nullptr;
  if (!encoder) {
    Note("the %s container cannot hold the source's %s subtitles (stream %d); they are left out", format->name,
        avcodec_get_name(codec), source.index);
    return nullptr;
  }
  CodecContextPtr decoder;
  try {
    decoder = OpenDecoder(&source);
  } catch (const TranscodeError& error) {
    Note("the source's %s subtitles (stream %d) are left out: %s", avcodec_get_name(codec), source.index, error.what());
    return nullptr;
  }
  CodecContextPtr context(avcodec_alloc_context3(encoder));
  if (!context) throw std::bad_alloc();
  context->time_base = AV_TIME_BASE_Q;
  if (decoder->subtitle_header && decoder->subtitle_header_size > 0) {
    // The styles the decoder read; the encoder owns its copy and frees it.
    context->subtitle_header = static_cast<uint8_t*>(av_mallocz(decoder->subtitle_header_size + 1));
    if (!context->subtitle_header) throw std::bad_alloc();
    std::memcpy(context->subtitle_header, decoder->subtitle_header, decoder->subtitle_header_size);
    context->subtitle_header_size = decoder->subtitle_header_size;
  }
  if (muxer.WantsGlobalHeader()) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (const int opened = avcodec_open2(context.get(), encoder, nullptr); opened < 0) {
    Note("the source's %s subtitles (stream %d) are left out: the %s encoder refused them: %s", avcodec_get_name(codec),
        source.index, encoder->name, AvErrorText(opened).c_str());
    return nullptr;
  }
  AVStream* output = muxer.AddStream(*context);
  CopyStreamDetails(source, *output);
  return std::unique_ptr<SubtitleStage>(new SubtitleStage(source, muxer, output, std::move(decoder), std::move(context)));
}

SubtitleStage::SubtitleStage(const AVStream& source, Muxer& muxer, AVStream* output, CodecContextPtr decoder,
                             CodecContextPtr encoder)
    : source_(source), muxer_(muxer), output_(output), decoder_(std::move(decoder)), encoder_(std::move(encoder)) {
  const char* from = avcodec_get_name(source.codecpar->codec_id);
  description_ = encoder_ ? std::string(from) + " -> " + encoder_->codec->name : std::string(from) + " copied";
  if (encoder_) buffer_.resize(kEncodedSubtitleBytes);
}

SubtitleStage::~SubtitleStage() = default;

void SubtitleStage::SendPacket(AVPacket& packet) {
  if (!encoder_) {
    muxer_.Write(&packet, output_, source_.time_base);
    return;
  }
  AVSubtitle subtitle{};
  int got = 0;
  const int decoded = avcodec_decode_subtitle2(decoder_.get(), &subtitle, &got, &packet);
  SubtitleFree release{&subtitle};
  if (decoded < 0 || !got || subtitle.pts == AV_NOPTS_VALUE) {
    if (decoded < 0 && damaged_++ < 5) Log("skipped a damaged subtitle: %s", AvErrorText(decoded).c_str());
    return;
  }
  // The encoder wants the start in pts and a display time counted from it.
  subtitle.pts += av_rescale_q(subtitle.start_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
  subtitle.end_display_time -= subtitle.start_display_time;
  subtitle.start_display_time = 0;
  const int size = avcodec_encode_subtitle(encoder_.get(), buffer_.data(), static_cast<int>(buffer_.size()), &subtitle);
  if (size < 0) {
    if (damaged_++ < 5) Log("skipped a subtitle the %s encoder refused: %s", encoder_->codec->name, AvErrorText(size).c_str());
    return;
  }
  if (size == 0) return;
  CheckAv(av_new_packet(encoded_.get(), size), VENCOR_ERROR_INTERNAL, "subtitle packet");
  std::memcpy(encoded_->data, buffer_.data(), static_cast<size_t>(size));
  encoded_->pts = encoded_->dts = subtitle.pts;
  encoded_->duration = av_rescale_q(subtitle.end_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
  muxer_.Write(encoded_.get(), output_, AV_TIME_BASE_Q);
  av_packet_unref(encoded_.get());
}

}  // namespace vencor
