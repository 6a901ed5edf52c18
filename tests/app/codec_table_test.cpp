// Every container and codec pair of the one table, written through the engine
// and the real encoder library and read back with ffprobe and by its pixels:
// the codecs, the pixel format and profile, the quality mode where the stream
// tells it, and the watermark on the picture.

#include "app/processing/encoding_choices.h"
#include "app/processing/job_settings.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/templates/template_store.h"
#include "app/processing/transcode_job.h"

#include "tests/app/engine_fixture.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

class SilentListener : public JobListener {
 public:
  void OutputPathChosen(const QString&) override {}
  void EncodeStarted() override {}
  bool EncodeProgressed(const EncodeProgress&) override { return true; }
};

using CodecTableTest = EngineTest;

// How ffprobe names what each choice writes, and the profile it reports
// (empty: not checked).
struct Written {
  const char* codec;
  const char* profile;
};

Written VideoWritten(VideoCodec codec) {
  static const std::map<VideoCodec, Written> kWritten = {
      {VideoCodec::kH264, {"h264", "High"}}, {VideoCodec::kHevc, {"hevc", "Main"}},
      {VideoCodec::kAv1, {"av1", "Main"}},   {VideoCodec::kVp9, {"vp9", "Profile 0"}},
      {VideoCodec::kXvid, {"mpeg4", ""}},    {VideoCodec::kDivx, {"msmpeg4v3", ""}},
      {VideoCodec::kH263, {"h263", ""}},     {VideoCodec::kVp8, {"vp8", ""}},
      {VideoCodec::kSame, {"h264", "High"}},  // of an H.264 source
  };
  return kWritten.at(codec);
}

// The source's AAC audio copied, or (WebM holds no AAC) the muxer's own codec.
std::string AudioWritten(AudioCodec codec, Container container) {
  switch (codec) {
    case AudioCodec::kAac: return "aac";
    case AudioCodec::kMp3: return "mp3";
    case AudioCodec::kOpus: return "opus";
    case AudioCodec::kVorbis: return "vorbis";
    case AudioCodec::kFlac: return "flac";
    case AudioCodec::kCopy: return container == Container::kWebm || container == Container::kVp8 ? "opus" : "aac";
  }
  return {};
}

// The rate-control words the H.264 and HEVC encoders leave in their stream.
std::string QualityWords(VideoCodec codec) {
  if (codec == VideoCodec::kH264) return "crf=23.0";
  if (codec == VideoCodec::kHevc) return "crf=28.0";
  return {};
}

TEST_F(CodecTableTest, EveryOfferedPairIsWrittenReadBackAndWatermarked) {
  ClipSpec spec = SmallClip();
  spec.seconds = 0.4;
  spec.videoSource = "color=c=gray";
  const QString source = MakeSource("grey.mp4", spec);
  SilentListener listener;
  int written = 0;
  for (const ContainerInfo& container : Containers()) {
    std::vector<AudioCodec> audio(container.audioCodecs.begin(), container.audioCodecs.end());
    audio.push_back(AudioCodec::kCopy);
    // Each video codec once and each audio codec once, paired in turn.
    const size_t pairs = std::max(container.videoCodecs.size(), audio.size());
    for (size_t i = 0; i < pairs; ++i) {
      JobSettings settings = Settings(1, QString("_%1_%2").arg(container.optionName).arg(i));
      settings.encoding.container = container.container;
      settings.encoding.videoCodec = container.videoCodecs[i % container.videoCodecs.size()];
      settings.encoding.audioCodec = audio[i % audio.size()];
      const VideoCodec video = settings.encoding.videoCodec;
      const std::string name =
          std::string(container.text) + "/" + Info(video).text + "/" + Info(settings.encoding.audioCodec).text;
      SCOPED_TRACE(name);

      const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
      ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
      EXPECT_TRUE(result.outputPath.endsWith(container.extension)) << result.outputPath.toStdString();
      const ProbeResult probe = Probe(Fs(result.outputPath));
      ASSERT_TRUE(probe.ok);
      const StreamInfo* v = probe.First("video");
      const StreamInfo* a = probe.First("audio");
      ASSERT_TRUE(v && a);
      EXPECT_EQ(v->codec, VideoWritten(video).codec);
      if (*VideoWritten(video).profile) {
        EXPECT_EQ(v->profile, VideoWritten(video).profile);
      }
      EXPECT_EQ(v->pixelFormat, "yuv420p");
      EXPECT_EQ(a->codec, AudioWritten(settings.encoding.audioCodec, container.container));
      if (const std::string words = QualityWords(video); !words.empty()) {
        EXPECT_NE(ReadFile(Fs(result.outputPath)).find(words), std::string::npos) << words;
      }

      // The demo template's red text over the grey picture, around its centre.
      const QImage frame = DecodeFrame(Fs(result.outputPath), 0);
      ASSERT_FALSE(frame.isNull());
      // MPEG-4's quantiser softens the thin letters; H.263's frame has black
      // bands above and below the picture.
      const QRect marked = MarkedArea(frame, QColor(128, 128, 128), 32);
      const QRect middle(frame.width() / 3, frame.height() / 3, frame.width() / 3, frame.height() / 3);
      EXPECT_TRUE(marked.intersects(middle));
      const QColor beside = frame.pixelColor(frame.width() / 8, frame.height() / 3);
      EXPECT_NEAR(beside.green(), 128, 12);
      EXPECT_NEAR(beside.red(), 128, 12);
      ++written;
    }
  }
  EXPECT_GE(written, 24);
}

// "Same as source" keeps H.264, HEVC and AV1 and writes H.264 for the others,
// at a level read from the source's bits per pixel.
TEST_F(CodecTableTest, SameAsSourceKeepsTheCodecFamily) {
  struct Case {
    const char* encoder;
    const char* container;
    const char* written;
  };
  SilentListener listener;
  for (const Case& c : {Case{"libx264", "mp4", "h264"}, Case{"libx265", "mp4", "hevc"}, Case{"libsvtav1", "mkv", "av1"},
                        Case{"libvpx", "webm", "h264"}}) {
    SCOPED_TRACE(c.encoder);
    ClipSpec spec = SmallClip();
    spec.seconds = 0.4;
    spec.videoSource = "color=c=gray";
    spec.videoCodec = c.encoder;
    spec.container = c.container;
    spec.audioCodec = std::string(c.container) == "webm" ? "libopus" : "aac";
    const QString source = MakeSource(QString("same_%1.%2").arg(c.encoder, c.container), spec);
    JobSettings settings = Settings(1, "_same");
    settings.encoding.container = Container::kMkv;
    settings.encoding.videoCodec = VideoCodec::kSame;
    settings.encoding.audioCodec = AudioCodec::kCopy;
    const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const ProbeResult probe = Probe(Fs(result.outputPath));
    ASSERT_TRUE(probe.ok && probe.First("video") && probe.First("audio"));
    EXPECT_EQ(probe.First("video")->codec, c.written);
    EXPECT_EQ(probe.First("audio")->codec, Probe(Fs(source)).First("audio")->codec);  // copied
    const QImage frame = DecodeFrame(Fs(result.outputPath), 0);
    EXPECT_FALSE(MarkedArea(frame, QColor(128, 128, 128), 32).isEmpty());
  }
}

// Each named level and a typed one reach x264 and x265 as their rate factors
// (which they write into their streams); finer levels give larger files; "like
// the source" follows the source's bits per pixel.
TEST_F(CodecTableTest, QualityLevelsReachTheEncodersScales) {
  ClipSpec spec = SmallClip();
  spec.seconds = 0.4;
  spec.audio = false;
  const QString detailed = MakeSource("detailed.mp4", spec);
  spec.videoBitrate = "3000k";
  const QString rich = MakeSource("rich.mp4", spec);
  spec.videoSource = "color=c=0x262626";
  spec.videoBitrate = "25k";
  const QString flat = MakeSource("flat.mp4", spec);
  struct Case {
    QString source;
    VideoCodec codec;
    QualityChoice quality;
    int level;
    const char* words;
  };
  SilentListener listener;
  std::map<std::string, qint64> sizes;
  int i = 0;
  for (const Case& c : {Case{detailed, VideoCodec::kH264, QualityChoice::kHigh, 0, "crf=18.0"},
                        Case{detailed, VideoCodec::kH264, QualityChoice::kSmall, 0, "crf=28.0"},
                        Case{detailed, VideoCodec::kH264, QualityChoice::kLevel, 40, "crf=40.0"},
                        Case{detailed, VideoCodec::kHevc, QualityChoice::kSmall, 0, "crf=33.0"},
                        Case{rich, VideoCodec::kH264, QualityChoice::kLikeSource, 0, "crf=17.0"},
                        Case{flat, VideoCodec::kH264, QualityChoice::kLikeSource, 0, "crf=30.0"}}) {
    SCOPED_TRACE(c.words);
    JobSettings settings = Settings(1, QString("_q%1").arg(i++));
    settings.encoding.videoCodec = c.codec;
    settings.encoding.quality = c.quality;
    settings.encoding.qualityLevel = c.level;
    const JobResult result = TranscodeFile({c.source, settings, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const std::string bytes = ReadFile(Fs(result.outputPath));
    EXPECT_NE(bytes.find(c.words), std::string::npos);
    sizes[c.words] = static_cast<qint64>(bytes.size());
  }
  EXPECT_GT(sizes["crf=18.0"], sizes["crf=28.0"] * 3 / 2);
  EXPECT_GT(sizes["crf=28.0"], sizes["crf=40.0"]);
}

// The encoders whose streams do not tell their quality follow it too: a
// finer level gives a clearly larger file. MPEG-4 and H.263 have a library
// default bit rate that must not win over the level.
TEST_F(CodecTableTest, EveryEncoderFollowsTheQualityLevel) {
  ClipSpec spec = SmallClip();
  spec.seconds = 0.4;
  spec.audio = false;
  const QString source = MakeSource("levels.mp4", spec);
  SilentListener listener;
  for (const VideoCodec codec : {VideoCodec::kXvid, VideoCodec::kDivx, VideoCodec::kH263, VideoCodec::kVp8,
                                 VideoCodec::kVp9, VideoCodec::kAv1}) {
    SCOPED_TRACE(Info(codec).text);
    const ContainerInfo* container = nullptr;
    for (const ContainerInfo& c : Containers())
      if (!container && std::find(c.videoCodecs.begin(), c.videoCodecs.end(), codec) != c.videoCodecs.end())
        container = &c;
    ASSERT_NE(container, nullptr);
    std::map<QualityChoice, qint64> sizes;
    for (const QualityChoice quality : {QualityChoice::kHigh, QualityChoice::kSmall}) {
      JobSettings settings = Settings(1, QString("_%1_%2").arg(Info(codec).optionName).arg(Info(quality).word));
      settings.encoding.container = container->container;
      settings.encoding.videoCodec = codec;
      settings.encoding.audioCodec = container->audioCodecs.front();
      settings.encoding.quality = quality;
      const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
      ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
      sizes[quality] = static_cast<qint64>(fs::file_size(Fs(result.outputPath)));
    }
    EXPECT_GT(sizes[QualityChoice::kHigh], sizes[QualityChoice::kSmall] * 5 / 4)
        << sizes[QualityChoice::kHigh] << " against " << sizes[QualityChoice::kSmall];
  }
}

// A 10-s clip written to a target size lands within 5 % of it, for a small
// and a larger target, in two passes of x264 whose statistics are left
// nowhere; a set bit rate wins over the target.
TEST_F(CodecTableTest, TargetSizeIsReachedInTwoPasses) {
  ClipSpec spec = SmallClip();
  spec.seconds = 10;
  spec.extraArgs = {"-vf", "noise=alls=12:allf=t"};
  const QString source = MakeSource("ten.mp4", spec);
  SilentListener listener;
  const fs::path temporary = qEnvironmentVariable("TMPDIR").toStdString();
  for (const double megabytes : {0.4, 1.2}) {
    SCOPED_TRACE(megabytes);
    JobSettings settings = Settings(1, QString("_%1mb").arg(megabytes));
    settings.encoding.targetSizeMb = megabytes;
    const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const auto size = static_cast<double>(fs::file_size(Fs(result.outputPath)));
    EXPECT_NEAR(size / (megabytes * 1e6), 1.0, 0.05) << size;
    const std::string bytes = ReadFile(Fs(result.outputPath));
    EXPECT_NE(bytes.find("rc=2pass"), std::string::npos);
    const ProbeResult probe = Probe(Fs(result.outputPath));
    ASSERT_TRUE(probe.ok && probe.First("audio"));
    EXPECT_NEAR(probe.duration, 10, 0.2);
  }
  for (const auto& entry : fs::directory_iterator(temporary))
    EXPECT_EQ(entry.path().filename().string().rfind("vencor-passes-", 0), std::string::npos) << entry.path();

  JobSettings settings = Settings(1, "_rate");
  settings.encoding.targetSizeMb = 0.4;
  settings.encoding.videoBitrateKbps = 100;
  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_EQ(ReadFile(Fs(result.outputPath)).find("rc=2pass"), std::string::npos);
  EXPECT_LT(fs::file_size(Fs(result.outputPath)), 300000u);
}

// The output size keeps the picture's shape as it is shown: a source of
// pixels twice as wide as high (320x240 shown as 640x240) written to a
// width, a height or into a box gets square pixels and even sides; a size
// above the source's leaves it as it is; a turned source is sized upright.
TEST_F(CodecTableTest, OutputSizeKeepsTheShownAspectWithEvenSides) {
  ClipSpec spec = SmallClip();
  spec.seconds = 0.4;
  spec.audio = false;
  spec.extraArgs = {"-vf", "setsar=2/1"};
  const QString wide = MakeSource("wide_pixels.mp4", spec);
  spec.extraArgs.clear();
  spec.rotation = 90;
  const QString turned = MakeSource("turned.mp4", spec);
  struct Case {
    QString source;
    int width, height;
    int expectedWidth, expectedHeight;
    const char* sampleAspect;
  };
  SilentListener listener;
  int i = 0;
  for (const Case& c :
       {Case{wide, 400, 0, 400, 150, "1:1"}, Case{wide, 0, 120, 320, 120, "1:1"}, Case{wide, 300, 300, 300, 112, "1:1"},
        Case{wide, 1000, 0, 320, 240, "2:1"}, Case{turned, 120, 0, 120, 160, "1:1"}}) {
    SCOPED_TRACE(testing::Message() << c.source.toStdString() << " to " << c.width << "x" << c.height);
    JobSettings settings = Settings(1, QString("_size%1").arg(i++));
    settings.encoding.outputWidth = c.width;
    settings.encoding.outputHeight = c.height;
    const JobResult result = TranscodeFile({c.source, settings, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const ProbeResult probe = Probe(Fs(result.outputPath));
    ASSERT_TRUE(probe.ok && probe.First("video"));
    EXPECT_EQ(probe.First("video")->width, c.expectedWidth);
    EXPECT_EQ(probe.First("video")->height, c.expectedHeight);
    EXPECT_EQ(probe.First("video")->rotation, 0);
    EXPECT_EQ(probe.First("video")->sampleAspect, c.sampleAspect);
    // The watermark is painted on the picture written.
    const QImage frame = DecodeFrame(Fs(result.outputPath), 0);
    EXPECT_EQ(frame.size(), QSize(c.expectedWidth, c.expectedHeight));
  }

  // An untagged HD picture made SD is tagged with the matrix its samples
  // are in: players would take an untagged SD picture for BT.601.
  ClipSpec hd = SmallClip();
  hd.width = 1280;
  hd.height = 720;
  hd.seconds = 0.2;
  hd.audio = false;
  const QString hdSource = MakeSource("untagged_hd.mp4", hd);
  const std::string untagged = Probe(Fs(hdSource)).First("video")->colorSpace;
  ASSERT_TRUE(untagged.empty() || untagged == "unknown") << untagged;
  JobSettings small = Settings(1, "_sd");
  small.encoding.outputWidth = 640;
  const JobResult sd = TranscodeFile({hdSource, small, ProgramFolder()}, listener, &sink_);
  ASSERT_EQ(sd.outcome, JobOutcome::Done) << sd.reason.toStdString();
  EXPECT_EQ(Probe(Fs(sd.outputPath)).First("video")->height, 360);
  EXPECT_EQ(Probe(Fs(sd.outputPath)).First("video")->colorSpace, "bt709");

  // The Resize settings size the videos while they are on.
  ResizingSettings resizing;
  resizing.scaleType = ScaleType::kToHeight;
  resizing.targetHeight = 120;
  resizing.resizeEveryTime = true;
  resizing.enlarge = true;
  ASSERT_TRUE(WriteResizingSettings(DataFile(kResizingSettingsFileName), resizing));
  JobSettings stored = StoredJobSettings(kDemoTemplateName).Load();
  EXPECT_EQ(stored.encoding.outputWidth, 0);
  EXPECT_EQ(stored.encoding.outputHeight, 120);
  EXPECT_TRUE(stored.encoding.enlargeOutput);
  resizing.resizeEveryTime = false;
  ASSERT_TRUE(WriteResizingSettings(DataFile(kResizingSettingsFileName), resizing));
  stored = StoredJobSettings(kDemoTemplateName).Load();
  EXPECT_EQ(stored.encoding.outputHeight, 0);
}

}  // namespace
}  // namespace vidmora::test
