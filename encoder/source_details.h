#pragma once

// What an output keeps of its source besides the streams it encodes: the
// container's tags (title, artist, comment, creation time, location, make,
// model, ...) and chapters, attached files (the fonts of styled subtitles)
// and attached pictures (cover art), where the output's container holds
// them; a note for each kind it cannot hold. Runs on the thread of dowm.

#include "encoder/av_handles.h"

#include <vector>

namespace vencor {

class InputMedia;
class Muxer;

// The source's start timecode: its video stream's, its timecode track's or
// its container's; null when it has none.
const char* SourceTimecode(const InputMedia& input);

class SourceDetails {
 public:
  // Adds the tags, chapters and the streams of attachments and pictures to
  // the muxer, before its header is written. Chapter times are moved as
  // the packets are: the output starts at 0.
  // `video` is the output's video stream: it takes the source's timecode.
  SourceDetails(const InputMedia& input, Muxer& muxer, AVStream& video);

  // Writes the attached pictures the container takes as packets (MP4's
  // cover art); after the header.
  void WritePictures();

 private:
  void CopyTags(const InputMedia& input);
  void CopyChapters(const InputMedia& input);
  void CopyAttachments(const InputMedia& input);
  void CopyPictures(const InputMedia& input);
  void CopyTimecode(const InputMedia& input, AVStream& video);

  Muxer& muxer_;
  struct Picture {
    const AVStream* source;
    AVStream* output;
  };
  std::vector<Picture> pictures_;  // written as packets
};

// Notes the source's streams that no stage takes (data, further video, and
// a timecode track where `format` cannot carry the timecode).
void NoteLeftOutStreams(const InputMedia& input, const AVOutputFormat& format);

}  // namespace vencor
