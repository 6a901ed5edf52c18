#pragma once

// The source file: opened read-only through FFmpeg's file protocol only, its
// first video stream (cover pictures skipped), its audio and subtitle
// streams, and the packets read from it.

#include "encoder/av_handles.h"

#include <string>
#include <vector>

namespace vencor {

class InputMedia {
 public:
  // Opens and probes the source. Throws VENCOR_ERROR_INPUT (missing,
  // unreadable, not media) or VENCOR_ERROR_NO_VIDEO.
  explicit InputMedia(const std::string& path);

  AVFormatContext* Format() const { return format_.get(); }
  AVStream* Video() const { return video_; }
  AVStream* Audio() const { return audio_.empty() ? nullptr : audio_.front(); }  // null when the source has none
  const std::vector<AVStream*>& AudioStreams() const { return audio_; }
  const std::vector<AVStream*>& SubtitleStreams() const { return subtitles_; }
  // Attached files (fonts of styled subtitles) and attached pictures (cover art).
  const std::vector<AVStream*>& Attachments() const { return attachments_; }
  const std::vector<AVStream*>& AttachedPictures() const { return pictures_; }
  // Streams no stage takes (data, timecode, further video), left out of the output.
  const std::vector<AVStream*>& OtherStreams() const { return others_; }
  double DurationSeconds() const;             // 0 when unknown
  // The source's start time in `stream`'s time base; outputs start at 0.
  int64_t StartOffset(const AVStream* stream) const;
  // The same in AV_TIME_BASE units.
  int64_t StartTime() const { return startTime_; }

  // Reads the next packet into `packet`. False at the end of the source.
  // Damaged packets inside the file are skipped; a file that ends before its
  // data does (truncated) throws VENCOR_ERROR_INPUT.
  bool ReadPacket(AVPacket* packet);

 private:
  bool AtEndOfFile() const;

  std::string path_;
  InputFormatPtr format_;
  AVStream* video_ = nullptr;
  std::vector<AVStream*> audio_;
  std::vector<AVStream*> subtitles_;
  std::vector<AVStream*> attachments_;
  std::vector<AVStream*> pictures_;
  std::vector<AVStream*> others_;
  int64_t startTime_ = 0;  // AV_TIME_BASE units
  int64_t videoPackets_ = 0;
};

// Clockwise rotation (0, 90, 180, 270) that turns the stored picture into the
// displayed one, from the stream's display matrix.
int DisplayRotation(const AVStream* stream);

// An opened decoder for the stream, with FFmpeg's automatic threading and
// the error detection of `errorRecognition` (AV_EF_* flags; 0: FFmpeg's
// default). Throws VENCOR_ERROR_INPUT when this FFmpeg cannot decode it.
CodecContextPtr OpenDecoder(const AVStream* stream, int threads = 0, int errorRecognition = 0);

}  // namespace vencor
