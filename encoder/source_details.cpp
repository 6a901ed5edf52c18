#include "encoder/source_details.h"

#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace vencor {

namespace {

bool IsMatroska(const AVOutputFormat& format) { return std::strcmp(format.name, "matroska") == 0; }

// MP4 and its kin keep cover art as a picture of its own; Matroska as an attached file.
bool TakesCoverPackets(const AVOutputFormat& format) {
  return std::strcmp(format.name, "mp4") == 0 || std::strcmp(format.name, "mov") == 0 ||
         std::strcmp(format.name, "ipod") == 0;
}

bool HoldsChapters(const AVOutputFormat& format) { return std::strcmp(format.name, "avi") != 0; }

// MP4 and its kin write a timecode track for it, Matroska keeps it as a tag.
bool HoldsTimecode(const AVOutputFormat& format) { return TakesCoverPackets(format) || IsMatroska(format); }

// Whether the container writes a tag of that key. Matroska keeps any; MP4
// and AVI only those they have a field for. The brand tags describe the
// source's container and count as kept.
bool IsKeptTag(const AVOutputFormat& format, const char* key) {
  static constexpr const char* kAlways[] = {"major_brand", "minor_version", "compatible_brands", "encoder"};
  static constexpr const char* kMp4[] = {"title", "artist", "album_artist", "album", "composer", "date", "genre",
                                         "comment", "copyright", "description", "synopsis", "show", "episode_id",
                                         "network", "lyrics", "track", "disc", "grouping", "compilation",
                                         "creation_time", "location", "encoding_tool", "gapless_playback",
                                         "media_type", "hd_video", "episode_sort", "season_number", "keywords"};
  static constexpr const char* kAvi[] = {"title", "artist", "comment", "copyright", "date", "genre", "language",
                                         "album", "track"};
  const auto in = [key](const auto& keys) {
    for (const char* known : keys)
      if (av_strcasecmp(known, key) == 0) return true;
    return false;
  };
  if (in(kAlways)) return true;
  const std::string name = format.name;
  if (name == "mp4" || name == "3gp" || name == "mov" || name == "ipod") return in(kMp4);
  if (name == "avi") return in(kAvi);
  return true;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(av_tolower(static_cast<unsigned char>(c)));
  return text;
}

const char* Tag(const AVStream& stream, const char* key) {
  const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
  return entry ? entry->value : nullptr;
}


std::string AttachmentName(const AVStream& stream) {
  const char* name = Tag(stream, "filename");
  return name ? std::string("\"") + name + "\"" : "stream " + std::to_string(stream.index);
}

}  // namespace

const char* SourceTimecode(const InputMedia& input) {
  if (const char* timecode = Tag(*input.Video(), "timecode")) return timecode;
  for (const AVStream* stream : input.OtherStreams())
    if (const char* timecode = Tag(*stream, "timecode")) return timecode;
  const AVDictionaryEntry* entry = av_dict_get(input.Format()->metadata, "timecode", nullptr, 0);
  return entry ? entry->value : nullptr;
}

SourceDetails::SourceDetails(const InputMedia& input, Muxer& muxer, AVStream& video) : muxer_(muxer) {
  CopyTimecode(input, video);
  CopyTags(input);
  CopyChapters(input);
  CopyAttachments(input);
  CopyPictures(input);
}

void SourceDetails::CopyTimecode(const InputMedia& input, AVStream& video) {
  const char* timecode = SourceTimecode(input);
  if (!timecode || !HoldsTimecode(*muxer_.Format())) return;
  av_dict_set(&video.metadata, "timecode", timecode, 0);
  // A timecode counts frames: the track needs the rate it counts at.
  if (video.avg_frame_rate.num <= 0) video.avg_frame_rate = input.Video()->avg_frame_rate;
}

void SourceDetails::CopyTags(const InputMedia& input) {
  AVFormatContext* output = muxer_.Context();
  CheckAv(av_dict_copy(&output->metadata, input.Format()->metadata, 0), VENCOR_ERROR_INTERNAL, "container tags");
  // Says what wrote the source, not this file.
  av_dict_set(&output->metadata, "encoder", nullptr, 0);
  std::string lost;
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = av_dict_get(output->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
    if (!IsKeptTag(*output->oformat, entry->key)) lost += (lost.empty() ? "" : ", ") + LowerCase(entry->key);
  if (!lost.empty())
    Note("the %s container has no place for the source's tags %s; they are left out", output->oformat->name, lost.c_str());
}

void SourceDetails::CopyChapters(const InputMedia& input) {
  const AVFormatContext* source = input.Format();
  if (source->nb_chapters == 0) return;
  AVFormatContext* output = muxer_.Context();
  if (!HoldsChapters(*output->oformat)) {
    Note("the %s container holds no chapters: the source's %u chapters are left out", output->oformat->name,
         source->nb_chapters);
    return;
  }
  output->chapters = static_cast<AVChapter**>(av_calloc(source->nb_chapters, sizeof(AVChapter*)));
  if (!output->chapters) throw std::bad_alloc();
  for (unsigned i = 0; i < source->nb_chapters; ++i) {
    const AVChapter& from = *source->chapters[i];
    auto* to = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!to) throw std::bad_alloc();
    output->chapters[output->nb_chapters++] = to;
    const int64_t offset = av_rescale_q(input.StartTime(), AV_TIME_BASE_Q, from.time_base);
    to->id = from.id;
    to->time_base = from.time_base;
    to->start = std::max<int64_t>(0, from.start - offset);
    to->end = std::max<int64_t>(to->start, from.end - offset);
    CheckAv(av_dict_copy(&to->metadata, from.metadata, 0), VENCOR_ERROR_INTERNAL, "chapter titles");
  }
}

void SourceDetails::CopyAttachments(const InputMedia& input) {
  const AVOutputFormat& format = *muxer_.Format();
  for (const AVStream* source : input.Attachments()) {
    if (!IsMatroska(format) || !source->codecpar->extradata_size || !Tag(*source, "filename")) {
      Note("the %s container holds no attached files: %s is left out", format.name, AttachmentName(*source).c_str());
      continue;
    }
    AVStream* output = muxer_.AddCopiedStream(*source);
    CheckAv(av_dict_copy(&output->metadata, source->metadata, 0), VENCOR_ERROR_INTERNAL, "attachment tags");
  }
}

void SourceDetails::CopyPictures(const InputMedia& input) {
  const AVOutputFormat& format = *muxer_.Format();
  for (const AVStream* source : input.AttachedPictures()) {
    const AVCodecID codec = source->codecpar->codec_id;
    const bool picture = codec == AV_CODEC_ID_MJPEG || codec == AV_CODEC_ID_PNG;
    if (picture && TakesCoverPackets(format)) {
      AVStream* output = muxer_.AddCopiedStream(*source);
      output->disposition = AV_DISPOSITION_ATTACHED_PIC;
      if (output->time_base.num <= 0 || output->time_base.den <= 0) output->time_base = AVRational{1, 90000};
      pictures_.push_back({source, output});
      continue;
    }
    if (picture && IsMatroska(format)) {
      // Matroska keeps a picture as an attached file; readers show it as the cover again.
      AVStream* output = muxer_.AddCopiedStream(*source);
      output->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
      const AVPacket& bytes = source->attached_pic;
      output->codecpar->extradata = static_cast<uint8_t*>(av_mallocz(bytes.size + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!output->codecpar->extradata) throw std::bad_alloc();
      std::memcpy(output->codecpar->extradata, bytes.data, static_cast<size_t>(bytes.size));
      output->codecpar->extradata_size = bytes.size;
      const bool jpeg = codec == AV_CODEC_ID_MJPEG;
      const char* name = Tag(*source, "filename");
      av_dict_set(&output->metadata, "filename", name ? name : jpeg ? "cover.jpg" : "cover.png", 0);
      av_dict_set(&output->metadata, "mimetype", jpeg ? "image/jpeg" : "image/png", 0);
      continue;
    }
    Note("the %s container holds no cover picture: the source's is left out", format.name);
  }
}

void SourceDetails::WritePictures() {
  PacketPtr packet = MakePacket();
  for (const Picture& picture : pictures_) {
    CheckAv(av_packet_ref(packet.get(), &picture.source->attached_pic), VENCOR_ERROR_INTERNAL, "cover picture");
    packet->pts = packet->dts = 0;
    packet->flags |= AV_PKT_FLAG_KEY;
    muxer_.Write(packet.get(), picture.output, picture.output->time_base);
    av_packet_unref(packet.get());
  }
}

void NoteLeftOutStreams(const InputMedia& input, const AVOutputFormat& format) {
  for (const AVStream* stream : input.OtherStreams()) {
    const AVCodecParameters& codec = *stream->codecpar;
    if (codec.codec_tag == MKTAG('t', 'm', 'c', 'd') || Tag(*stream, "timecode")) {
      if (HoldsTimecode(format)) continue;
      const char* timecode = Tag(*stream, "timecode");
      Note("the source's timecode track%s%s is left out", timecode ? " starting " : "", timecode ? timecode : "");
    } else {
      Note("the source's %s stream %d (%s) is left out", av_get_media_type_string(codec.codec_type)
                                                            ? av_get_media_type_string(codec.codec_type)
                                                            : "data",
           stream->index, avcodec_get_name(codec.codec_id));
    }
  }
}

}  // namespace vencor
