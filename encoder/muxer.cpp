#include "encoder/muxer.h"

#include "encoder/errors.h"

namespace vencor {

Muxer::Muxer(const AVOutputFormat* format, std::string outputPath) : outputPath_(std::move(outputPath)) {
  AVFormatContext* context = nullptr;
  CheckAv(avformat_alloc_output_context2(&context, format, nullptr, nullptr), VENCOR_ERROR_INTERNAL, "output container");
  context_.reset(context);
}

AVStream* Muxer::AddStream(const AVCodecContext& encoder) {
  AVStream* stream = avformat_new_stream(context_.get(), nullptr);
  if (!stream) throw std::bad_alloc();
  CheckAv(avcodec_parameters_from_context(stream->codecpar, &encoder), VENCOR_ERROR_INTERNAL, "stream parameters");
  stream->time_base = encoder.time_base;  // a hint; the muxer may choose another
  if (encoder.codec_type == AVMEDIA_TYPE_VIDEO) {
    stream->avg_frame_rate = encoder.framerate;
    stream->sample_aspect_ratio = encoder.sample_aspect_ratio;
  }
  return stream;
}

AVStream* Muxer::AddCopiedStream(const AVStream& source) {
  AVStream* stream = avformat_new_stream(context_.get(), nullptr);
  if (!stream) throw std::bad_alloc();
  CheckAv(avcodec_parameters_copy(stream->codecpar, source.codecpar), VENCOR_ERROR_INTERNAL, "stream parameters");
  stream->codecpar->codec_tag = 0;  // the target container picks its own tag
  stream->time_base = source.time_base;
  return stream;
}

void Muxer::FailWrite(const char* what, int result) const {
  if (file_ && file_->WriteError())
    Fail(VENCOR_ERROR_OUTPUT, std::string("cannot write ") + outputPath_ + ": " + SystemErrorText(file_->WriteError()));
  Fail(VENCOR_ERROR_OUTPUT, std::string(what) + " " + outputPath_ + ": " + AvErrorText(result));
}

void Muxer::SetTags(const std::vector<std::pair<std::string, std::string>>& tags) {
  for (const auto& [key, value] : tags)
    CheckAv(av_dict_set(&context_->metadata, key.c_str(), value.c_str(), 0), VENCOR_ERROR_INTERNAL, "container tag");
}

void Muxer::Start(OutputFile& file) {
  file_ = &file;
  context_->pb = file.Io();
  const int result = avformat_write_header(context_.get(), nullptr);
  if (result < 0) {
    if (file.WriteError()) FailWrite("cannot write", result);
    Fail(VENCOR_ERROR_ENCODER, std::string("the ") + context_->oformat->name + " container refused the streams: " +
                                   AvErrorText(result));
  }
}

void Muxer::Write(AVPacket* packet, const AVStream* stream, AVRational timeBase) {
  av_packet_rescale_ts(packet, timeBase, stream->time_base);
  packet->stream_index = stream->index;
  const int result = av_interleaved_write_frame(context_.get(), packet);
  if (result < 0) FailWrite("cannot write", result);
}

void Muxer::Finish() {
  const int result = av_write_trailer(context_.get());
  if (result < 0) FailWrite("cannot finish", result);
}

void CopyStreamDetails(const AVStream& source, AVStream& output) {
  for (const char* key : {"language", "title"})
    if (const AVDictionaryEntry* entry = av_dict_get(source.metadata, key, nullptr, 0))
      av_dict_set(&output.metadata, key, entry->value, 0);
  output.disposition = source.disposition;
}

}  // namespace vencor
