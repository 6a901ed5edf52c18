#include "encoder/transcoder.h"

#include "encoder/audio_stage.h"
#include "encoder/errors.h"
#include "encoder/input_media.h"
#include "encoder/muxer.h"
#include "encoder/output_file.h"
#include "encoder/output_format.h"
#include "encoder/progress.h"
#include "encoder/smart_plan.h"
#include "encoder/source_details.h"
#include "encoder/splice_check.h"
#include "encoder/splice_video.h"
#include "encoder/subtitle_stage.h"
#include "encoder/video_stage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
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
constexpr int64_t kDiscontinuity = int64_t{10} * AV_TIME_BASE;
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
      Log("the source's clock jumps by %.3f s at %.3f s; the packets after it follow on",
          static_cast<double>(jump) / AV_TIME_BASE, static_cast<double>(last_) / AV_TIME_BASE);
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

// Everything of an encode once its video stage is made: the audio and
// subtitle stages, the source's details, every packet through, the check
// `beforeCommit` makes of the finished file, and the commit.
template <typename Video>
void RunStages(const TranscodeOptions& options, const AVOutputFormat* format, InputMedia& input,
               ProgressReporter& progress, Muxer& muxer, Video& video,
               const std::function<void(OutputFile&)>& beforeCommit) {
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
  beforeCommit(output);
  // Reports are throttled: without this last question, a stop asked during
  // the final quarter second would go unheard and the file be kept.
  if (progress.Report(video.PositionSeconds(), video.FramesEncoded(), true)) Fail(VENCOR_ERROR_ABORTED, "stopped on request");
  output.Commit();
  progress.Finish(video.FramesEncoded());  // the file is complete: a stop asked now changes nothing
}

SpliceCodec SpliceCodecOf(AVCodecID id) {
  return id == AV_CODEC_ID_H264   ? SpliceCodec::kH264
         : id == AV_CODEC_ID_HEVC ? SpliceCodec::kHevc
                                  : SpliceCodec::kOther;
}

bool IsInterlaced(AVFieldOrder order) {
  return order == AV_FIELD_TT || order == AV_FIELD_BB || order == AV_FIELD_TB || order == AV_FIELD_BT;
}

bool EncoderCodes(const AVCodec* codec, int format) {
  if (!codec || !codec->pix_fmts) return false;
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == format) return true;
  return false;
}

SpliceFacts FactsOf(const InputMedia& input, const TranscodeOptions& options, const AVOutputFormat& format,
                    const std::vector<TimeWindow>& windows, int64_t clipMs) {
  const AVCodecParameters& source = *input.Video()->codecpar;
  const AVCodec* encoder = FindVideoEncoder(options.videoCodec, &format);
  SpliceFacts facts;
  facts.sourceCodec = SpliceCodecOf(source.codec_id);
  facts.sourceCodecName = avcodec_get_name(source.codec_id);
  facts.outputCodec = encoder ? SpliceCodecOf(encoder->id) : SpliceCodec::kOther;
  facts.containerHoldsSource = (std::strcmp(format.name, "mp4") == 0 || std::strcmp(format.name, "matroska") == 0) &&
                               MuxerTakes(&format, source.codec_id);
  facts.lengthPrefixed = NalLengthSize(source) > 0;
  facts.everyLayerTimed = *options.smartWindows != kEveryFrame;
  facts.hasWindows = std::any_of(windows.begin(), windows.end(),
                                 [clipMs](const TimeWindow& window) { return clipMs <= 0 || window.start < clipMs; });
  facts.sizeChange = options.displayAspect > 0 || DisplayRotation(input.Video()) != 0 || source.width % 2 != 0 ||
                     source.height % 2 != 0;
  facts.rateChange = options.frameRate.num > 0;
  facts.qualityChange = options.videoBitRate > 0;
  facts.interlaced = IsInterlaced(source.field_order);
  facts.formatKept = EncoderCodes(encoder, source.format);
  return facts;
}

// The source's video packets in decode order, from 0, with which keyframes
// refresh the decoder (IDR), where a cut is clean. Decode times the
// container does not keep are filled in.
std::vector<PacketTimes> ScanVideoPackets(const std::string& path) {
  InputMedia input(path);
  const AVStream* video = input.Video();
  const int lengthSize = NalLengthSize(*video->codecpar);
  const int64_t offset = input.StartOffset(video);
  AVFormatContext* format = input.Format();
  if (format->iformat->flags & AVFMT_TS_DISCONT) RefuseSplice("the source's clock may jump");
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (static_cast<int>(i) != video->index) format->streams[i]->discard = AVDISCARD_ALL;
  std::vector<PacketTimes> times;
  bool unknownDts = false;  // the container keeps presentation times only
  PacketPtr packet = MakePacket();
  while (input.ReadPacket(packet.get())) {
    PacketUnref unref(packet.get());
    if (packet->stream_index != video->index) continue;
    if (packet->pts == AV_NOPTS_VALUE) RefuseSplice("the source's video packets carry no timestamps");
    unknownDts |= packet->dts == AV_NOPTS_VALUE;
    if (packet->flags & AV_PKT_FLAG_DISCARD) RefuseSplice("the source's edit list starts inside a group of pictures");
    const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    const bool refresh = key && StartsRefresh(video->codecpar->codec_id, *packet, lengthSize);
    times.push_back({packet->pts - offset, packet->dts - offset, key, refresh});
  }
  if (unknownDts) {
    const AVRational rate = av_guess_frame_rate(format, const_cast<AVStream*>(video), nullptr);
    FillDecodeTimes(times, rate.num > 0 ? av_rescale_q(1, av_inv_q(rate), video->time_base) : 1);
  }
  return times;
}

int64_t ToStreamTime(int64_t ms, AVRational timeBase) {
  return ms == std::numeric_limits<int64_t>::max() ? ms : av_rescale_q(ms, AVRational{1, 1000}, timeBase);
}

// Encodes with only the marked pictures re-encoded. Returns the summary
// ("copied 98 %, re-encoded 2 %"); throws SpliceRefused when the file must
// be re-encoded whole instead (nothing is then left behind).
std::string SplicedTranscode(const TranscodeOptions& options, const AVOutputFormat* format,
                             VencorProgressCallback progressCallback, void* userData) {
  InputMedia input(options.sourcePath);
  const double clipSeconds = input.DurationSeconds();
  const auto clipMs = static_cast<int64_t>(std::llround(clipSeconds * 1000));
  std::vector<TimeWindow> windows;
  if (*options.smartWindows != kEveryFrame) {
    const auto parsed = ParseWindows(*options.smartWindows, clipMs);
    if (!parsed) RefuseSplice("the layers' windows cannot be read");
    windows = *parsed;
  }
  if (const auto refusal = SpliceRefusal(FactsOf(input, options, *format, windows, clipMs))) RefuseSplice(*refusal);
  std::vector<PacketTimes> times = ScanVideoPackets(options.sourcePath);
  const AVRational timeBase = input.Video()->time_base;
  for (TimeWindow& window : windows)
    window = {ToStreamTime(window.start, timeBase), ToStreamTime(window.end, timeBase)};
  SplicePlan plan = PlanSpans(times, windows);
  if (!plan.Holds()) RefuseSplice(plan.refusal);
  const size_t total = times.size();
  const size_t reencoded = plan.reencodedPackets;
  const std::vector<ReencodeSpan> spans = plan.spans;
  const std::vector<PacketTimes> planned = times;

  ProgressReporter progress(progressCallback, userData, clipSeconds);
  Muxer muxer(format, options.outputPath);
  SplicedVideo video(input, options, std::move(plan), std::move(times), muxer, clipSeconds);
  RunStages(options, format, input, progress, muxer, video, [&](OutputFile& output) {
    avio_flush(output.Io());
    const auto checkStarted = std::chrono::steady_clock::now();
    const std::string problem = CheckSplicedOutput(options.sourcePath, output.TemporaryPath(), planned, spans, [&] {
      return !progress.Report(video.PositionSeconds(), video.FramesEncoded());
    });
    if (!problem.empty()) RefuseSplice(problem);
    Log("spliced output checked in %.1f s",
        std::chrono::duration<double>(std::chrono::steady_clock::now() - checkStarted).count());
  });
  const long copiedPercent = std::lround(100.0 * static_cast<double>(total - reencoded) / static_cast<double>(total));
  char summary[64];
  std::snprintf(summary, sizeof summary, "copied %ld %%, re-encoded %ld %%", copiedPercent, 100 - copiedPercent);
  return summary;
}

}  // namespace

std::string Transcode(const TranscodeOptions& options, VencorProgressCallback progressCallback, void* userData) {
  const auto started = std::chrono::steady_clock::now();
  const AVOutputFormat* format = MuxerForPath(options.outputPath);
  if (!format)
    Fail(VENCOR_ERROR_ARGUMENTS, "the output " + options.outputPath +
                                     " has no known file type (.mp4, .m4v, .mov, .avi, .mkv, .3gp, .vp8, .webm)");
  RefuseOutputOverSource(options.outputPath, options.sourcePath);
  const auto seconds = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };

  if (options.smartWindows) {
    try {
      std::string summary = SplicedTranscode(options, format, progressCallback, userData);
      Log("done: %s, %s in %.1f s", options.outputPath.c_str(), summary.c_str(), seconds());
      return summary;
    } catch (const SpliceRefused& refusal) {
      Note("the whole video was re-encoded: %s", refusal.what());
    }
  }

  InputMedia input(options.sourcePath);
  ProgressReporter progress(progressCallback, userData, input.DurationSeconds());
  Muxer muxer(format, options.outputPath);
  VideoStage video(input, options, muxer, progress);
  RunStages(options, format, input, progress, muxer, video, [](OutputFile&) {});
  Log("done: %s, %lld frames in %.1f s", options.outputPath.c_str(), video.FramesEncoded(), seconds());
  return {};
}

}  // namespace vencor
