#include "encoder/transcoder.h"

#include "encoder/audio_stage.h"
#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_file.h"
#include "encoder/output_format.h"
#include "encoder/progress.h"
#include "encoder/video_stage.h"

#include <chrono>
#include <optional>
#include <cstdio>
#include <string>

namespace vencor {

namespace {

// Output timestamps start where the source starts.
void MoveToStart(AVPacket& packet, int64_t offset) {
  if (packet.pts != AV_NOPTS_VALUE) packet.pts -= offset;
  if (packet.dts != AV_NOPTS_VALUE) packet.dts -= offset;
}

}  // namespace

void Transcode(const TranscodeOptions& options, VencorProgressCallback progressCallback, void* userData) {
  const auto started = std::chrono::steady_clock::now();
  const AVOutputFormat* format = MuxerForPath(options.outputPath);
  if (!format)
    Fail(VENCOR_ERROR_ARGUMENTS, "the output " + options.outputPath +
                                     " has no known file type (.mp4, .m4v, .avi, .mkv, .3gp, .vp8, .webm)");
  RefuseOutputOverSource(options.outputPath, options.sourcePath);

  InputMedia input(options.sourcePath);
  ProgressReporter progress(progressCallback, userData, input.DurationSeconds());
  Muxer muxer(format, options.outputPath);
  VideoStage video(input, options, muxer, progress);
  std::optional<AudioStage> audio;
  if (input.Audio() && !options.noAudio) audio.emplace(input, options, muxer);

  OutputFile output(options.outputPath);
  muxer.Start(output);
  Log("%s -> %s: video %s; audio %s", options.sourcePath.c_str(), options.outputPath.c_str(), video.Describe().c_str(),
      audio ? audio->Describe().c_str() : "none");
  if (progress.Report(0, 0, true)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");

  const int videoIndex = input.Video()->index;
  const int audioIndex = audio ? input.Audio()->index : -1;
  const int64_t videoOffset = input.StartOffset(input.Video());
  const int64_t audioOffset = audio ? input.StartOffset(input.Audio()) : 0;
  PacketPtr packet = MakePacket();
  while (input.ReadPacket(packet.get())) {
    PacketUnref unref(packet.get());
    if (packet->stream_index == videoIndex) {
      MoveToStart(*packet, videoOffset);
      video.SendPacket(*packet);
    } else if (packet->stream_index == audioIndex) {
      MoveToStart(*packet, audioOffset);
      audio->SendPacket(*packet);
    }
    // Also between frames: a source whose packets decode to nothing yet still answers a stop.
    if (progress.Report(video.PositionSeconds(), video.FramesEncoded())) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  }
  video.Finish();
  // A frame rate far below the clip's length (0.1 fps on 3 s) keeps no frame at all: no video is no output.
  if (video.FramesEncoded() == 0) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", input.DurationSeconds());
    Fail(VENCOR_ERROR_NO_VIDEO,
         std::string("the output would hold no video frame: the frame rate gives none over ") + seconds + " s of source");
  }
  if (audio) audio->Finish();
  muxer.Finish();
  // Reports are throttled: without this last question, a stop asked during
  // the final quarter second would go unheard and the file be kept.
  if (progress.Report(video.PositionSeconds(), video.FramesEncoded(), true)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  output.Commit();
  progress.Finish(video.FramesEncoded());  // the file is complete: a stop asked now changes nothing
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  Log("done: %s, %lld frames in %.1f s", options.outputPath.c_str(), video.FramesEncoded(), seconds);
}

}  // namespace vencor
