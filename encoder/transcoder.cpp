#include "encoder/transcoder.h"

#include "encoder/audio_stage.h"
#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_file.h"
#include "encoder/output_format.h"
#include "encoder/progress.h"
#include "encoder/source_details.h"
#include "encoder/subtitle_stage.h"
#include "encoder/video_stage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vencor {

namespace {

// Output timestamps start where the source starts.
void MoveToStart(AVPacket& packet, int64_t offset) {
  if (packet.pts != AV_NOPTS_VALUE) packet.pts -= offset;
  if (packet.dts != AV_NOPTS_VALUE) packet.dts -= offset;
}

// A jump of this much between two packets of a stream whose format allows
// discontinuities (MPEG-TS: a recorder restarted, streams cut together), or
// any step back beyond a tenth of a second, is a break in its clock, not
// time that passed.
constexpr int64_t kDiscontinuity = 10 * AV_TIME_BASE;
constexpr int64_t kStepBack = AV_TIME_BASE / 10;

// Mends the clock breaks of such files as players do: the packets after a
// jump (back to the start, or an hour ahead) follow on from the ones before.
class ClockMender {
 public:
  explicit ClockMender(const AVFormatContext& source)
      : enabled_((source.iformat->flags & AVFMT_TS_DISCONT) != 0), lastByStream_(source.nb_streams, AV_NOPTS_VALUE) {}

  void Mend(AVPacket& packet, const AVStream& stream) {
    if (!enabled_ || packet.dts == AV_NOPTS_VALUE) return;
    int64_t& last_ = lastByStream_[static_cast<size_t>(stream.index)];
    int64_t dts = av_rescale_q(packet.dts, stream.time_base, AV_TIME_BASE_Q) + shift_;
    if (last_ != AV_NOPTS_VALUE && (dts < last_ - kStepBack || dts > last_ + kDiscontinuity)) {
      const int64_t step = packet.duration > 0 ? av_rescale_q(packet.duration, stream.time_base, AV_TIME_BASE_Q) : 0;
      const int64_t jump = dts - last_ - step;
      shift_ -= jump;
      dts -= jump;
      Log("the source's clock jumps by %.3f s at %.3f s; the packets after it follow on", jump / double(AV_TIME_BASE),
          last_ / double(AV_TIME_BASE));
    }
    last_ = last_ == AV_NOPTS_VALUE ? dts : std::max(last_, dts);
    if (shift_ == 0) return;
    const int64_t shift = av_rescale_q(shift_, AV_TIME_BASE_Q, stream.time_base);
    packet.dts += shift;
    if (packet.pts != AV_NOPTS_VALUE) packet.pts += shift;
  }

 private:
  bool enabled_;
  int64_t shift_ = 0;                  // AV_TIME_BASE units, added to every packet
  std::vector<int64_t> lastByStream_;  // the latest mended dts of each stream
};

}  // namespace

void Transcode(const TranscodeOptions& options, VencorProgressCallback progressCallback, void* userData) {
  const auto started = std::chrono::steady_clock::now();
  const AVOutputFormat* format = MuxerForPath(options.outputPath);
  if (!format)
    Fail(VENCOR_ERROR_ARGUMENTS, "the output " + options.outputPath +
                                     " has no known file type (.mp4, .m4v, .mov, .avi, .mkv, .3gp, .vp8, .webm)");
  RefuseOutputOverSource(options.outputPath, options.sourcePath);

  InputMedia input(options.sourcePath);
  ProgressReporter progress(progressCallback, userData, input.DurationSeconds());
  Muxer muxer(format, options.outputPath);
  VideoStage video(input, options, muxer, progress);
  // Every audio track; the first one's failure is the encode's, a later
  // one that cannot be encoded is left out with a log line.
  std::vector<std::unique_ptr<AudioStage>> audio;
  if (!options.noAudio) {
    for (const AVStream* stream : input.AudioStreams()) {
      if (audio.empty()) {
        audio.push_back(std::make_unique<AudioStage>(*stream, options, muxer));
        continue;
      }
      try {
        audio.push_back(std::make_unique<AudioStage>(*stream, options, muxer));
      } catch (const TranscodeError& error) {
        Note("the source's audio stream %d is left out: %s", stream->index, error.what());
      }
    }
  }
  std::vector<std::unique_ptr<SubtitleStage>> subtitles;
  for (const AVStream* stream : input.SubtitleStreams())
    if (auto stage = SubtitleStage::Create(*stream, muxer)) subtitles.push_back(std::move(stage));
  SourceDetails details(input, muxer, *video.OutputStream());
  NoteLeftOutStreams(input, *format);

  // The stage of each source stream, by index; the others are skipped.
  const AVFormatContext* source = input.Format();
  std::vector<std::function<void(AVPacket&)>> route(source->nb_streams);
  route[input.Video()->index] = [&video](AVPacket& packet) { video.SendPacket(packet); };
  std::string audioText = audio.empty() ? "none" : "";
  for (const auto& stage : audio) {
    route[stage->Source().index] = [stage = stage.get()](AVPacket& packet) { stage->SendPacket(packet); };
    audioText += (audioText.empty() ? "" : "; ") + stage->Describe();
  }
  std::string subtitleText;
  for (const auto& stage : subtitles) {
    route[stage->Source().index] = [stage = stage.get()](AVPacket& packet) { stage->SendPacket(packet); };
    subtitleText += (subtitleText.empty() ? "; subtitles " : ", ") + stage->Describe();
  }
  std::vector<int64_t> offsets(source->nb_streams);
  for (unsigned i = 0; i < source->nb_streams; ++i) offsets[i] = input.StartOffset(source->streams[i]);

  OutputFile output(options.outputPath);
  muxer.SetTags(options.metadata);
  muxer.Start(output);
  details.WritePictures();
  Log("%s -> %s: video %s; audio %s%s", options.sourcePath.c_str(), options.outputPath.c_str(), video.Describe().c_str(),
      audioText.c_str(), subtitleText.c_str());
  if (progress.Report(0, 0, true)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");

  PacketPtr packet = MakePacket();
  ClockMender mender(*source);
  while (input.ReadPacket(packet.get())) {
    PacketUnref unref(packet.get());
    const auto index = static_cast<size_t>(packet->stream_index);
    if (index < route.size() && route[index]) {
      mender.Mend(*packet, *source->streams[index]);
      MoveToStart(*packet, offsets[index]);
      route[index](*packet);
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
  for (const auto& stage : audio) stage->Finish();
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
