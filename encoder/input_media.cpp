#include "encoder/input_media.h"

#include "encoder/errors.h"
#include "encoder/output_file.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/dict.h>
}

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace vencor {

namespace {

// Demuxers that skip over damage report it packet by packet; this many
// failures in a row without a good packet means the reader is stuck.
constexpr int kMaxConsecutiveReadErrors = 1000;

}  // namespace

InputMedia::InputMedia(const std::string& path) : path_(path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    const int error = errno;
    Fail(VENCOR_ERROR_INPUT, "cannot open the source " + path + ": " + SystemErrorText(error));
  }
  if (S_ISDIR(info.st_mode)) Fail(VENCOR_ERROR_INPUT, "the source " + path + " is a folder");

  // "file:" keeps a ':' in the name from being read as a protocol; the
  // whitelist keeps a playlist inside the source from opening anything else.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVFormatContext* format = nullptr;
  const std::string url = "file:" + path;
  int result = avformat_open_input(&format, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) Fail(VENCOR_ERROR_INPUT, "cannot read the source " + path + ": " + AvErrorText(result));
  format_.reset(format);
  result = avformat_find_stream_info(format, nullptr);
  if (result < 0) Fail(VENCOR_ERROR_INPUT, "cannot read the streams of " + path + ": " + AvErrorText(result));

  for (unsigned i = 0; i < format->nb_streams; ++i) {
    AVStream* stream = format->streams[i];
    const AVMediaType type = stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && !video_ && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) &&
        stream->codecpar->width > 0 && stream->codecpar->height > 0)
      video_ = stream;
    else if (type == AVMEDIA_TYPE_AUDIO)
      audio_.push_back(stream);
    else if (type == AVMEDIA_TYPE_SUBTITLE)
      subtitles_.push_back(stream);
    else
      stream->discard = AVDISCARD_ALL;  // further video, data and attachments are read from the header alone
    if (type == AVMEDIA_TYPE_ATTACHMENT) attachments_.push_back(stream);
  }
  if (!video_) Fail(VENCOR_ERROR_NO_VIDEO, "the source " + path + " has no video stream");
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    AVStream* stream = format->streams[i];
    const AVMediaType type = stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && stream != video_) {
      stream->discard = AVDISCARD_ALL;
      if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && stream->attached_pic.size > 0) pictures_.push_back(stream);
      else others_.push_back(stream);
    } else if (type == AVMEDIA_TYPE_DATA || type == AVMEDIA_TYPE_UNKNOWN) {
      others_.push_back(stream);
    }
  }
  if (format->start_time != AV_NOPTS_VALUE) startTime_ = format->start_time;
}

double InputMedia::DurationSeconds() const {
  if (format_->duration > 0) return static_cast<double>(format_->duration) / AV_TIME_BASE;
  if (video_->duration > 0) return static_cast<double>(video_->duration) * av_q2d(video_->time_base);
  return 0;
}

int64_t InputMedia::StartOffset(const AVStream* stream) const {
  return av_rescale_q(startTime_, AV_TIME_BASE_Q, stream->time_base);
}

bool InputMedia::ReadPacket(AVPacket* packet) {
  for (int failures = 0;;) {
    const int result = av_read_frame(format_.get(), packet);
    if (result >= 0) {
      if (packet->stream_index == video_->index) ++videoPackets_;
      // A packet cut off by the end of the file: the rest of the file is missing.
      if ((packet->flags & AV_PKT_FLAG_CORRUPT) && AtEndOfFile())
        Fail(VENCOR_ERROR_INPUT, "the source " + path_ + " ends early (truncated): its last packet is incomplete");
      return true;
    }
    if (result == AVERROR_EOF) {
      // MP4 and its kin list every frame in their index: fewer frames in the
      // file than the index lists means the file was cut short.
      const bool indexed = std::strstr(format_->iformat->name, "mp4") != nullptr;
      if (indexed && video_->nb_frames > 0 && videoPackets_ < video_->nb_frames)
        Fail(VENCOR_ERROR_INPUT, "the source " + path_ + " ends early (truncated): it holds " +
                                     std::to_string(videoPackets_) + " of the " + std::to_string(video_->nb_frames) +
                                     " video frames its index lists");
      return false;
    }
    if (result == AVERROR(EAGAIN)) continue;
    // An error at the end of the file is data the index promised and the
    // file lacks: the file was cut short.
    if (AtEndOfFile())
      Fail(VENCOR_ERROR_INPUT, "the source " + path_ + " ends early (truncated or damaged): " + AvErrorText(result));
    if (++failures >= kMaxConsecutiveReadErrors)
      Fail(VENCOR_ERROR_INPUT, "cannot read on in the source " + path_ + ": " + AvErrorText(result));
  }
}

bool InputMedia::AtEndOfFile() const {
  AVIOContext* io = format_->pb;
  if (!io) return false;
  const int64_t size = avio_size(io);
  return avio_feof(io) || io->error < 0 || (size > 0 && avio_tell(io) >= size);
}

int DisplayRotation(const AVStream* stream) {
  const auto* matrix = reinterpret_cast<const int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
  if (!matrix) return 0;
  const double counterClockwise = av_display_rotation_get(matrix);
  if (std::isnan(counterClockwise)) return 0;
  int clockwise = static_cast<int>(std::lround(-counterClockwise)) % 360;
  if (clockwise < 0) clockwise += 360;
  const int quarter = (clockwise + 45) / 90 % 4 * 90;
  if (std::abs(quarter - clockwise) > 2 && std::abs(quarter - clockwise) < 358)
    Log("the source's rotation of %d degrees is not a multiple of 90; it is turned by %d", clockwise, quarter);
  return quarter;
}

CodecContextPtr OpenDecoder(const AVStream* stream, int threads, int errorRecognition) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec)
    Fail(VENCOR_ERROR_INPUT, std::string("no decoder for the source's ") + av_get_media_type_string(stream->codecpar->codec_type) +
                                 " codec " + avcodec_get_name(stream->codecpar->codec_id));
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) throw std::bad_alloc();
  CheckAv(avcodec_parameters_to_context(context.get(), stream->codecpar), VENCOR_ERROR_INTERNAL, "decoder parameters");
  context->pkt_timebase = stream->time_base;
  context->thread_count = threads;  // 0: as many as the machine has cores, like the ffmpeg program
  if (errorRecognition != 0) context->err_recognition = errorRecognition;
  CheckAv(avcodec_open2(context.get(), codec, nullptr), VENCOR_ERROR_INPUT,
          std::string("cannot open the ") + codec->name + " decoder");
  return context;
}

}  // namespace vencor
