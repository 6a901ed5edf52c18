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
#include "encoder/video_quality.h"
#include "encoder/video_stage.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
  facts.sizeChange = options.displayAspect > 0 || options.width > 0 || options.height > 0 ||
                     DisplayRotation(input.Video()) != 0 || source.width % 2 != 0 || source.height % 2 != 0;
  facts.rateChange = options.frameRate.num > 0;
  facts.qualityChange = options.videoBitRate > 0 || options.targetSize > 0;
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

// The whole video encoded once, with the options as they are.
long long EncodeWhole(const TranscodeOptions& options, const AVOutputFormat* format,
                      VencorProgressCallback progressCallback, void* userData) {
  InputMedia input(options.sourcePath);
  ProgressReporter progress(progressCallback, userData, input.DurationSeconds());
  Muxer muxer(format, options.outputPath);
  VideoStage video(input, options, muxer, progress);
  RunStages(options, format, input, progress, muxer, video, [](OutputFile&) {});
  return video.FramesEncoded();
}

// A private folder for the passes' statistics and the first pass's file,
// removed with everything in it however the encode ends.
class PassFolder {
 public:
  PassFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "vencor-passes-XXXXXX").string();
    if (error || !mkdtemp(pattern.data()))
      Fail(VENCOR_ERROR_OUTPUT, "no temporary folder for the two passes could be made (" + pattern + ")");
    path_ = pattern;
  }
  ~PassFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  PassFolder(const PassFolder&) = delete;
  PassFolder& operator=(const PassFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Reports one pass of several as its share of the whole: pass 1 0..0.5, pass 2 0.5..1.
struct PassProgress {
  VencorProgressCallback callback;
  void* userData;
  double start;
  double share;

  static int Forward(const VencorProgress* progress, void* self) {
    const auto& pass = *static_cast<const PassProgress*>(self);
    if (!pass.callback) return 0;
    VencorProgress scaled = *progress;
    scaled.fraction = pass.start + pass.share * progress->fraction;
    return pass.callback(&scaled, pass.userData);
  }
};

// What a written file is made of: the bytes of its video packets, of the
// others (audio, subtitles), and the rest (the container's own).
struct FileShares {
  int64_t video = 0;
  int64_t other = 0;
  int64_t container = 0;
};

FileShares MeasureFile(const std::string& path) {
  FileShares shares;
  InputMedia file(path);
  PacketPtr packet = MakePacket();
  int64_t packets = 0;
  while (file.ReadPacket(packet.get())) {
    PacketUnref unref(packet.get());
    (packet->stream_index == file.Video()->index ? shares.video : shares.other) += packet->size;
  }
  packets = shares.video + shares.other;
  std::error_code error;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path, error));
  shares.container = error ? 0 : std::max<int64_t>(0, size - packets);
  return shares;
}

constexpr int64_t kSmallestVideoBitRate = 16000;  // bit/s: below it no encoder makes a picture worth seeing

// The video bit rate that leaves `otherBytes` of the target to the rest.
int64_t VideoBitRateFor(const TranscodeOptions& options, int64_t otherBytes, double seconds) {
  const double videoBytes = static_cast<double>(options.targetSize - otherBytes);
  const double bitRate = videoBytes * 8 / seconds;
  if (bitRate < kSmallestVideoBitRate) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "the target size of %.2f MB is too small: the audio and the container alone take %.2f MB of it",
                  static_cast<double>(options.targetSize) / 1e6, static_cast<double>(otherBytes) / 1e6);
    Fail(VENCOR_ERROR_ARGUMENTS, text);
  }
  return std::llround(bitRate);
}

// An output of about options.targetSize bytes. With libx264 a first pass
// (audio included, into a private folder) gives the encoder its statistics
// and measures what the audio and the container take; the second pass codes
// the video at the bit rate that leaves, spread by the statistics. Other
// encoders code at that rate in one pass, from the source's audio rates.
// Returns the summary ("two passes to 10.00 MB: 9.93 MB").
std::string TargetSizeTranscode(const TranscodeOptions& options, const AVOutputFormat* format,
                                VencorProgressCallback progressCallback, void* userData) {
  double seconds = 0;
  std::string encoder = options.videoCodec;
  int64_t sourceOtherRate = 0;  // bit/s of the source's audio, as its streams say
  {
    const InputMedia input(options.sourcePath);
    seconds = input.DurationSeconds();
    if (options.videoCodec == "same") encoder = SameFamilyEncoder(input.Video()->codecpar->codec_id);
    for (const AVStream* stream : input.AudioStreams())
      sourceOtherRate += stream->codecpar->bit_rate > 0 ? stream->codecpar->bit_rate : 128000;
  }
  if (seconds <= 0) Fail(VENCOR_ERROR_INPUT, "the source's length is unknown, which a target size needs");
  if (options.noAudio) sourceOtherRate = 0;

  TranscodeOptions pass = options;
  pass.smartWindows.reset();
  const auto estimated = static_cast<int64_t>(std::llround(static_cast<double>(sourceOtherRate) * seconds / 8));
  if (encoder != "libx264") {
    Note(
        "a target size is coded in two passes with H.264 only; the %s encoder codes the video at its average bit "
        "rate in one pass, so the size is approximate",
        encoder.c_str());
    pass.videoBitRate = VideoBitRateFor(options, estimated, seconds);
    EncodeWhole(pass, format, progressCallback, userData);
  } else {
    const PassFolder folder;
    pass.statsPath = (folder.Path() / "x264.stats").string();
    pass.outputPath =
        (folder.Path() / ("first-pass" + std::filesystem::path(options.outputPath).extension().string())).string();
    pass.pass = 1;
    pass.videoBitRate = VideoBitRateFor(options, estimated, seconds);
    pass.metadata.clear();
    PassProgress first{progressCallback, userData, 0, 0.5};
    EncodeWhole(pass, format, &PassProgress::Forward, &first);
    const FileShares shares = MeasureFile(pass.outputPath);
    std::filesystem::remove(pass.outputPath);

    pass.outputPath = options.outputPath;
    pass.metadata = options.metadata;
    pass.pass = 2;
    pass.videoBitRate = VideoBitRateFor(options, shares.other + shares.container, seconds);
    PassProgress second{progressCallback, userData, 0.5, 0.5};
    EncodeWhole(pass, format, &PassProgress::Forward, &second);
  }
  std::error_code error;
  const auto written = static_cast<double>(std::filesystem::file_size(options.outputPath, error));
  char summary[96];
  std::snprintf(summary, sizeof summary, "%s to %.2f MB: %.2f MB", encoder == "libx264" ? "two passes" : "one pass",
                static_cast<double>(options.targetSize) / 1e6, error ? 0.0 : written / 1e6);
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

  // A set bit rate wins over a target size.
  if (options.targetSize > 0 && options.videoBitRate <= 0) {
    std::string summary = TargetSizeTranscode(options, format, progressCallback, userData);
    Log("done: %s, %s in %.1f s", options.outputPath.c_str(), summary.c_str(), seconds());
    return summary;
  }
  const long long frames = EncodeWhole(options, format, progressCallback, userData);
  Log("done: %s, %lld frames in %.1f s", options.outputPath.c_str(), frames, seconds());
  return {};
}

}  // namespace vencor
