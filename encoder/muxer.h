#pragma once

// The output container: its streams, header, interleaved packets and trailer,
// written through the OutputFile's I/O context. One thread uses an object.

#include "encoder/av_handles.h"
#include "encoder/output_file.h"

#include <string>
#include <utility>
#include <vector>

namespace vencor {

class Muxer {
 public:
  // `format` is the muxer; `outputPath` names the file in messages.
  Muxer(const AVOutputFormat* format, std::string outputPath);

  const AVOutputFormat* Format() const { return context_->oformat; }
  // For the container's own tags and chapters, set before Start.
  AVFormatContext* Context() const { return context_.get(); }
  bool WantsGlobalHeader() const { return (context_->oformat->flags & AVFMT_GLOBALHEADER) != 0; }

  // A stream for an opened encoder (its parameters and time base).
  AVStream* AddStream(const AVCodecContext& encoder);
  // A stream whose packets are copied from a source stream.
  AVStream* AddCopiedStream(const AVStream& source);

  // Sets tags of the container (key, value), replacing earlier ones of the
  // same key; call before Start.
  void SetTags(const std::vector<std::pair<std::string, std::string>>& tags);

  // Writes the header into `file`. Throws VENCOR_ERROR_ENCODER when the
  // container refuses the streams, VENCOR_ERROR_OUTPUT on a write error.
  void Start(OutputFile& file);
  // Writes `packet` (timestamps in `timeBase`) for `stream`; takes its data.
  void Write(AVPacket* packet, const AVStream* stream, AVRational timeBase);
  void Finish();

 private:
  [[noreturn]] void FailWrite(const char* what, int result) const;

  OutputFormatPtr context_;
  std::string outputPath_;
  OutputFile* file_ = nullptr;
};

// Gives an output stream the source stream's language, title and
// disposition (default, forced, ...), so that players offer the tracks as
// the source did.
void CopyStreamDetails(const AVStream& source, AVStream& output);

}  // namespace vencor
