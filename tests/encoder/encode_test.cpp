// End-to-end encodes through libvencor.so with a recording frame hook (hook_recorder.h).

#include "tests/encoder/hook_recorder.h"
#include "tests/encoder/vencor_client.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <filesystem>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr double kFrameSeconds = 1.0 / 25;
const int kMarkerCentre = kMarkerLeft + kMarkerSize / 2;

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

class VencorEncode : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHookRecord();
    out_ = env_.MakeDir("out");
  }

  EncodeArgs Args(const fs::path& source, const std::string& outputName) const {
    EncodeArgs args;
    args.source = source.string();
    args.output = (out_ / outputName).string();
    return args;
  }

  TempEnv env_;
  fs::path out_;
};

struct Pairing {
  const char* extension;
  const char* videoCodec;
  const char* audioCodec;
  const char* videoName;   // as ffprobe names the codecs
  const char* audioName;
  const char* formatName;  // part of ffprobe's format name
  int markerX, markerY;    // where the marker's centre lands in the output
  // AVI cannot mark the MP3 encoder's delay and padding, so its audio runs this much longer.
  double audioTailSeconds;
};

void PrintTo(const Pairing& p, std::ostream* out) { *out << p.extension << "/" << p.videoCodec << "/" << p.audioCodec; }

class VencorPairing : public VencorEncode, public ::testing::WithParamInterface<Pairing> {};

TEST_P(VencorPairing, GivesTheCodecsTheDurationAndTheWatermark) {
  const Pairing& p = GetParam();
  const fs::path source = SampleClip({});
  EncodeArgs args = Args(source, std::string("clip.") + p.extension);
  args.videoCodec = p.videoCodec;
  args.audioCodec = p.audioCodec;
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;

  const ProbeResult probe = Probe(args.output);
  ASSERT_TRUE(probe.ok);
  EXPECT_NE(probe.formatName.find(p.formatName), std::string::npos) << probe.formatName;
  ASSERT_NE(probe.First("video"), nullptr);
  ASSERT_NE(probe.First("audio"), nullptr);
  EXPECT_EQ(probe.First("video")->codec, p.videoName);
  EXPECT_EQ(probe.First("audio")->codec, p.audioName);
  EXPECT_NEAR(probe.duration, Probe(source).duration, kFrameSeconds + 0.005 + p.audioTailSeconds);
  EXPECT_EQ(CountFrames(args.output), 50);

  EXPECT_EQ(Record().calls, 50);
  EXPECT_FALSE(Record().otherThread);
  EXPECT_TRUE(IsWhiteAround(DecodeFrame(args.output, -1), p.markerX, p.markerY));
  EXPECT_EQ(FilesIn(out_), std::vector<std::string>{fs::path(args.output).filename().string()});
}

INSTANTIATE_TEST_SUITE_P(
    OfferedPairings, VencorPairing,
    ::testing::Values(Pairing{"mp4", "libx264", "libvo_aacenc", "h264", "aac", "mp4", 20, 20, 0},
                      Pairing{"mp4", "libxvid", "libmp3lame", "mpeg4", "mp3", "mp4", 20, 20, 0},
                      Pairing{"m4v", "libx264", "libmp3lame", "h264", "mp3", "mp4", 20, 20, 0},
                      Pairing{"m4v", "libxvid", "libvo_aacenc", "mpeg4", "aac", "mp4", 20, 20, 0},
                      Pairing{"mkv", "libx264", "libmp3lame", "h264", "mp3", "matroska", 20, 20, 0},
                      Pairing{"mkv", "libxvid", "libvo_aacenc", "mpeg4", "aac", "matroska", 20, 20, 0},
                      Pairing{"avi", "libxvid", "libmp3lame", "mpeg4", "mp3", "avi", 20, 20, 0.03},
                      Pairing{"avi", "msmpeg4", "libmp3lame", "msmpeg4v3", "mp3", "avi", 20, 20, 0.03},
                      // 320x240 is scaled by 1.1 into 352x264 and centred in 352x288.
                      Pairing{"3gp", "flv", "libvo_aacenc", "h263", "aac", "3gp", 22, 34, 0},
                      Pairing{"vp8", "libvpx", "libvorbis", "vp8", "vorbis", "webm", 20, 20, 0},
                      Pairing{"mp4", "libx265", "libopus", "hevc", "opus", "mp4", 20, 20, 0},
                      Pairing{"mov", "libx265", "libvo_aacenc", "hevc", "aac", "mov", 20, 20, 0},
                      Pairing{"webm", "libsvtav1", "libopus", "av1", "opus", "webm", 20, 20, 0},
                      Pairing{"mkv", "libvpx-vp9", "flac", "vp9", "flac", "matroska", 20, 20, 0}),
    [](const auto& info) {
      std::string name = std::string(info.param.extension) + "_" + info.param.videoCodec + "_" + info.param.audioName;
      std::replace(name.begin(), name.end(), '-', '_');  // libvpx-vp9
      return name;
    });

TEST_F(VencorEncode, WatermarkIsOnTheFirstAMiddleAndTheLastFrameAndNowhereElse) {
  const fs::path source = SampleClip({});
  // Whether the hook names the rows it paints or not.
  for (const bool rowsKnown : {true, false}) {
    SCOPED_TRACE(rowsKnown ? "rows known" : "rows unknown");
    ResetHookRecord();
    if (!rowsKnown) HookRowsUnknown();
    const EncodeArgs args = Args(source, rowsKnown ? "known.mp4" : "unknown.mp4");
    ASSERT_EQ(RunVencor(args.Vector()).code, VENCOR_OK);
    for (const int index : {0, 25, -1}) {
      const QImage painted = DecodeFrame(args.output, index);
      const QImage original = DecodeFrame(source, index);
      ASSERT_FALSE(painted.isNull());
      EXPECT_TRUE(IsWhiteAround(painted, kMarkerCentre, kMarkerCentre)) << "frame " << index;
      // Away from the marker the picture is the source's (lossy, so near).
      for (const auto& [x, y] : {std::pair{160, 120}, {300, 220}, {60, 200}}) {
        const QColor a = painted.pixelColor(x, y), b = original.pixelColor(x, y);
        EXPECT_NEAR(a.red(), b.red(), 24) << index << " at " << x << "," << y;
        EXPECT_NEAR(a.green(), b.green(), 24) << index << " at " << x << "," << y;
        EXPECT_NEAR(a.blue(), b.blue(), 24) << index << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(VencorEncode, PixelsBesideTheWatermarkKeepTheirColour) {
  // Saturated bars of an HD picture lie outside what 8-bit RGB holds in
  // BT.709: only pixels the hook changed may go through the BGR picture.
  ClipSpec spec;
  spec.width = 1280;
  spec.height = 720;
  spec.seconds = 0.4;
  spec.audio = false;
  const fs::path source = SampleClip(spec);
  const EncodeArgs args = Args(source, "hd.mp4");
  ASSERT_EQ(RunVencor(args.Vector()).code, VENCOR_OK);
  const QImage painted = DecodeFrame(args.output, 5), original = DecodeFrame(source, 5);
  ASSERT_FALSE(painted.isNull());
  EXPECT_TRUE(IsWhiteAround(painted, kMarkerCentre, kMarkerCentre));
  for (const int x : {300, 500, 700, 900, 1100}) {  // on the marker's rows
    const QColor a = painted.pixelColor(x, kMarkerCentre), b = original.pixelColor(x, kMarkerCentre);
    EXPECT_NEAR(a.red(), b.red(), 6) << x;
    EXPECT_NEAR(a.green(), b.green(), 6) << x;
    EXPECT_NEAR(a.blue(), b.blue(), 6) << x;
  }
}

TEST_F(VencorEncode, SourceWithoutAudioGivesOutputWithoutAudio) {
  ClipSpec spec;
  spec.audio = false;
  EncodeArgs args = Args(SampleClip(spec), "silent.mp4");
  args.sampleRate = "0k";
  args.audioBitRate = "0k";
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;
  const ProbeResult probe = Probe(args.output);
  EXPECT_EQ(probe.Count("video"), 1);
  EXPECT_EQ(probe.Count("audio"), 0);
}

TEST_F(VencorEncode, NoAudioOptionLeavesTheAudioOut) {
  std::vector<std::string> vector = Args(SampleClip({}), "an.mkv").Vector();
  vector.insert(vector.end() - 1, "-an");
  ASSERT_EQ(RunVencor(vector).code, VENCOR_OK);
  EXPECT_EQ(Probe(vector.back()).Count("audio"), 0);
}

TEST_F(VencorEncode, OddSizedSourceIsPaintedAtItsSizeAndEncodedEven) {
  ClipSpec spec;
  spec.width = 641;
  spec.height = 359;
  spec.seconds = 1;
  spec.videoSource = "testsrc";  // testsrc2 rounds its size to even
  spec.videoCodec = "libvpx";     // x264 itself cannot take an odd size
  spec.audioCodec = "libvorbis";
  spec.container = "webm";
  const fs::path source = SampleClip(spec);
  const EncodeArgs args = Args(source, "odd.mp4");
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;
  EXPECT_EQ(Record().width, 641);
  EXPECT_EQ(Record().height, 359);
  const ProbeResult videoProbe = Probe(args.output);
  const StreamInfo* video = videoProbe.First("video");
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->width, 642);
  EXPECT_EQ(video->height, 360);
  const QImage last = DecodeFrame(args.output, -1);
  EXPECT_TRUE(IsWhiteAround(last, kMarkerCentre, kMarkerCentre));
  // The added column and row repeat the picture's edge: no black or green line.
  const QImage original = DecodeFrame(source, -1);
  for (const auto& [x, y] : {std::pair{641, 100}, {300, 359}})
    EXPECT_NEAR(qGray(last.pixel(x, y)), qGray(original.pixel(std::min(x, 640), std::min(y, 358))), 24);
}

TEST_F(VencorEncode, RotatedPortraitClipIsPaintedAndEncodedUpright) {
  ClipSpec spec;
  spec.rotation = 90;
  spec.seconds = 1;
  const fs::path source = SampleClip(spec);
  const EncodeArgs args = Args(source, "portrait.mp4");
  ASSERT_EQ(RunVencor(args.Vector()).code, VENCOR_OK);
  EXPECT_EQ(Record().width, 240);
  EXPECT_EQ(Record().height, 320);
  const ProbeResult videoProbe = Probe(args.output);
  const StreamInfo* video = videoProbe.First("video");
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->width, 240);
  EXPECT_EQ(video->height, 320);
  EXPECT_EQ(video->rotation, 0);
  const QImage painted = DecodeFrame(args.output, 10);
  const QImage shown = DecodeFrame(source, 10);  // as a player shows the source
  ASSERT_EQ(painted.size(), shown.size());
  EXPECT_TRUE(IsWhiteAround(painted, kMarkerCentre, kMarkerCentre));
  for (const auto& [x, y] : {std::pair{200, 60}, {120, 280}, {40, 300}})
    EXPECT_NEAR(qGray(painted.pixel(x, y)), qGray(shown.pixel(x, y)), 24) << x << "," << y;
}

TEST_F(VencorEncode, BrokenSourcesFailWithALoggedReasonAndLeaveNothing) {
  const fs::path folder = env_.MakeDir("broken");
  const fs::path clip = SampleClip({});
  ClipSpec fastStart;
  fastStart.extraArgs = {"-movflags", "+faststart"};
  const std::string plain = ReadFile(clip), front = ReadFile(SampleClip(fastStart));
  WriteFile(folder / "index-at-end.mp4", plain.substr(0, plain.size() / 2));
  WriteFile(folder / "index-in-front.mp4", front.substr(0, front.size() * 2 / 3));
  WriteFile(folder / "notes.mp4", "These are my notes, not a video.\n");
  WriteFile(folder / "empty.mp4", "");
  for (const char* name : {"index-at-end.mp4", "index-in-front.mp4", "notes.mp4", "empty.mp4", "missing.mp4"}) {
    ResetHookRecord();
    const EncodeResult result = RunVencor(Args(folder / name, std::string("from-") + name).Vector());
    EXPECT_EQ(result.code, VENCOR_ERROR_INPUT) << name << ": " << result.error;
    EXPECT_FALSE(result.error.empty()) << name;
    EXPECT_TRUE(LogContains(result.error)) << name;
  }
  EXPECT_TRUE(FilesIn(out_).empty());
}

// H.264 hides damaged packets itself; Motion JPEG refuses the packets it cannot
// read (7 of 50 with this noise), which are skipped and logged.
TEST_F(VencorEncode, DamagedPacketsAreSkippedAndTheEncodeGoesOn) {
  struct Case {
    const char *videoCodec, *container, *noise;
    bool refused;
  };
  for (const Case& c :
       {Case{"libx264", "mkv", "noise=amount=300", false}, Case{"mjpeg", "avi", "noise=amount=500", true}}) {
    ClipSpec spec;
    spec.videoCodec = c.videoCodec;
    spec.container = c.container;
    spec.extraArgs = {"-bsf:v", c.noise};
    ResetHookRecord();
    const EncodeArgs args = Args(SampleClip(spec), std::string("damaged-") + c.videoCodec + ".mp4");
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << c.videoCodec << ": " << result.error;
    EXPECT_GT(CountFrames(args.output), 25) << c.videoCodec;
    if (c.refused) {
      // The first five one by one, then how many in all.
      const std::vector<std::string>& log = Record().log;
      EXPECT_EQ(std::count_if(
                    log.begin(), log.end(),
                    [](const std::string& line) { return line.find("skipped a damaged video ") != std::string::npos; }),
                5);
      EXPECT_TRUE(LogContains("damaged video packets or frames were skipped")) << c.videoCodec;
    }
  }
}

TEST_F(VencorEncode, VolumeScalesTheAudioLevel) {
  const fs::path source = SampleClip({});
  const double sourceLevel = AudioRms(source);
  ASSERT_GT(sourceLevel, 1000);
  for (const auto& [volume, factor] : {std::pair{"256", 1.0}, {"128", 0.5}, {"0", 0.0}}) {
    EncodeArgs args = Args(source, std::string("vol") + volume + ".mp4");
    args.volume = volume;
    ASSERT_EQ(RunVencor(args.Vector()).code, VENCOR_OK) << volume;
    EXPECT_NEAR(AudioRms(args.output) / sourceLevel, factor, 0.03) << volume;
  }
}

// A quiet source carries a tiny audio rate; without a set rate every codec
// still gets one it takes, at every sampling rate and channel count.
TEST_F(VencorEncode, AudioWithoutASetRateKeepsQuietSoundInEveryCodec) {
  struct Case {
    int sampleRate, channels;
    const char *audioCodec, *extension;
  };
  for (const Case& c : {Case{48000, 2, "libvorbis", "vp8"}, Case{8000, 1, "libvorbis", "mkv"},
                        Case{48000, 2, "libvo_aacenc", "mp4"}, Case{8000, 1, "libvo_aacenc", "mp4"},
                        Case{48000, 2, "libmp3lame", "mkv"}, Case{11025, 1, "libmp3lame", "avi"}}) {
    ClipSpec spec;
    spec.seconds = 1;
    spec.sampleRate = c.sampleRate;
    spec.channels = c.channels;
    spec.audioBitrate = "12k";
    spec.extraArgs = {"-af", "volume=0.05"};
    const fs::path source = SampleClip(spec);
    const double sourceLevel = AudioRms(source);
    ASSERT_GT(sourceLevel, 50);
    const std::string name = std::string("quiet-") + c.audioCodec + "-" + std::to_string(c.sampleRate) + "." + c.extension;
    EncodeArgs args = Args(source, name);
    args.audioCodec = c.audioCodec;
    if (std::string(c.extension) == "avi") args.videoCodec = "libxvid";
    if (std::string(c.extension) == "vp8") args.videoCodec = "libvpx";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << name << ": " << result.error;
    const ProbeResult probe = Probe(args.output);
    const StreamInfo* audio = probe.First("audio");
    ASSERT_NE(audio, nullptr) << name;
    EXPECT_EQ(audio->channels, c.channels) << name;
    // Within the level lost to AVI's unmarked encoder delay and to low-pass filtering.
    EXPECT_NEAR(AudioRms(args.output) / sourceLevel, 1.0, 0.15) << name;
  }

  // A rate the codec refuses fails with the settings it was given.
  EncodeArgs starved = Args(SampleClip({}), "starved.vp8");
  starved.videoCodec = "libvpx";
  starved.audioCodec = "libvorbis";
  starved.audioBitRate = "3k";
  const EncodeResult result = RunVencor(starved.Vector());
  EXPECT_EQ(result.code, VENCOR_ERROR_ENCODER);
  EXPECT_NE(result.error.find("44100 Hz, stereo, 3 kbit/s"), std::string::npos) << result.error;
}

// A full-range source (as phones record): black stays black, white stays
// white, and the hook's white square is the range's white, whether the codec
// keeps the full range (H.264) or the picture is brought to limited range.
TEST_F(VencorEncode, FullRangeSourceKeepsItsBlackAndWhite) {
  ClipSpec spec;
  spec.seconds = 1;
  spec.audio = false;
  spec.videoSource = "color=c=black";
  spec.extraArgs = {"-vf", "drawbox=x=iw/2:y=0:w=iw/2:h=ih:color=white:t=fill", "-pix_fmt", "yuvj420p"};
  const fs::path source = SampleClip(spec);
  ASSERT_EQ(Probe(source).First("video")->colorRange, "pc");
  struct Case {
    const char *extension, *videoCodec;
    bool fullRange;
    int width = 0;  // of the output size; 0 keeps the source's
  };
  // Resized, the range is kept through the scaling too.
  for (const Case& c : {Case{"mp4", "libx264", true}, Case{"mkv", "libxvid", false}, Case{"vp8", "libvpx", false},
                        Case{"mp4", "libx264", true, 240}, Case{"mkv", "libxvid", false, 240}}) {
    EncodeArgs args = Args(source, std::string("range") + std::to_string(c.width) + "." + c.extension);
    args.videoCodec = c.videoCodec;
    std::vector<std::string> arguments = args.Vector();
    if (c.width > 0) arguments.insert(arguments.end() - 1, {"-width", std::to_string(c.width)});
    const EncodeResult result = RunVencor(arguments);
    ASSERT_EQ(result.code, VENCOR_OK) << c.videoCodec << ": " << result.error;
    EXPECT_EQ(Probe(args.output).First("video")->colorRange == "pc", c.fullRange) << c.videoCodec;
    EXPECT_EQ(Probe(args.output).First("video")->width, c.width > 0 ? c.width : 320) << c.videoCodec;
    const QImage frame = DecodeFrame(args.output, 5);
    ASSERT_FALSE(frame.isNull());
    const QColor black = frame.pixelColor(frame.width() / 4, frame.height() / 2);
    const QColor white = frame.pixelColor(frame.width() * 3 / 4, frame.height() / 2);
    const QColor marker = frame.pixelColor(kMarkerCentre, kMarkerCentre);
    EXPECT_LE(std::max({black.red(), black.green(), black.blue()}), 4) << c.videoCodec;
    EXPECT_GE(std::min({white.red(), white.green(), white.blue()}), 250) << c.videoCodec;
    EXPECT_GE(std::min({marker.red(), marker.green(), marker.blue()}), 250) << c.videoCodec;
  }
}

// "interlaced,top field first" of the first decoded frame, as ffprobe reports them ("1,0").
std::string FirstFrameFields(const fs::path& file) {
  const ProcessResult run = RunProcess({"ffprobe", "-v", "error", "-select_streams", "v:0", "-read_intervals", "%+#1",
                                        "-show_entries", "frame=interlaced_frame,top_field_first", "-of", "csv=p=0",
                                        file.string()});
  return run.out.substr(0, run.out.find_first_of(",\n", run.out.find(',') + 1));
}

// The "fields per frame" of an AVI's video properties (vprp): 2 interlaced, 1 progressive, 0 none.
int AviFieldsPerFrame(const fs::path& file) {
  const std::string bytes = ReadFile(file);
  const size_t at = bytes.find("vprp");
  constexpr size_t kFieldsOffset = 8 + 8 * 4;  // after the chunk header and eight 32-bit values
  if (at == std::string::npos || at + kFieldsOffset + 4 > bytes.size()) return 0;
  return static_cast<unsigned char>(bytes[at + kFieldsOffset]);
}

// An interlaced source keeps its fields and their order, in the stream and
// in the frames the output decodes to.
TEST_F(VencorEncode, InterlacedSourceKeepsItsFieldOrder) {
  struct Case {
    const char* fields;  // setfield's order of the source
    const char *extension, *videoCodec;
    const char* streamOrder;  // as ffprobe reads the output's stream; empty: AVI, which says it in vprp
  };
  for (const Case& c : {Case{"tff", "mp4", "libx264", "tt"}, Case{"bff", "mp4", "libx264", "bb"},
                        Case{"bff", "mkv", "libxvid", "bb"}, Case{"bff", "avi", "libxvid", ""},
                        Case{"tff", "avi", "msmpeg4", ""}}) {
    ClipSpec spec;
    spec.seconds = 1;
    spec.audio = false;
    // x264 is told the order, or it codes the top field first whatever the frames say.
    spec.extraArgs = {"-flags", "+ildct+ilme", "-vf", std::string("setfield=") + c.fields, "-x264-params",
                      std::string(c.fields) + "=1"};
    const fs::path source = SampleClip(spec);
    const std::string sourceFields = FirstFrameFields(source);
    ASSERT_EQ(sourceFields, std::string(c.fields) == "tff" ? "1,1" : "1,0");
    EncodeArgs args = Args(source, std::string("fields-") + c.fields + "-" + c.videoCodec + "." + c.extension);
    args.videoCodec = c.videoCodec;
    if (std::string(c.extension) == "avi") args.audioCodec = "libmp3lame";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << c.videoCodec << ": " << result.error;
    if (*c.streamOrder) {
      EXPECT_EQ(Probe(args.output).First("video")->fieldOrder, c.streamOrder) << c.videoCodec << " " << c.fields;
    } else {
      EXPECT_EQ(AviFieldsPerFrame(args.output), 2) << c.videoCodec << " " << c.fields;
    }
    // H.264 codes each picture's field order; MPEG-4 part 2 codes it only in pictures coded as fields.
    if (std::string(c.videoCodec) == "libx264") {
      EXPECT_EQ(FirstFrameFields(args.output), sourceFields) << c.fields;
    }
  }
}

// Two audio tracks (English, French) and SubRip subtitles: every track is
// kept, the subtitles copied or converted to the container's own, or left
// out with a log line where the container holds none.
TEST_F(VencorEncode, EveryAudioTrackAndTheSubtitlesAreKept) {
  ClipSpec spec;
  spec.container = "mkv";
  const fs::path base = SampleClip(spec);
  const fs::path subtitles = env_.MakeDir("subs") / "clip.srt";
  WriteFile(subtitles, "1\n00:00:00,200 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:01,800\nWorld\n");
  const fs::path source = env_.MakeDir("src") / "tracks.mkv";
  const ProcessResult made = RunProcess({"ffmpeg", "-v", "error", "-i", base.string(), "-i", subtitles.string(), "-map",
                                         "0:v", "-map", "0:a", "-map", "0:a", "-map", "1", "-c", "copy", "-c:s", "srt",
                                         "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=fre",
                                         source.string()});
  ASSERT_EQ(made.exitCode, 0) << made.err;

  struct Case {
    const char *extension, *videoCodec, *subtitleCodec;  // empty: none
  };
  for (const Case& c : {Case{"mkv", "libx264", "subrip"}, Case{"mp4", "libx264", "mov_text"}, Case{"avi", "libxvid", ""}}) {
    ResetHookRecord();
    EncodeArgs args = Args(source, std::string("tracks.") + c.extension);
    args.videoCodec = c.videoCodec;
    if (std::string(c.extension) == "avi") args.audioCodec = "libmp3lame";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << c.extension << ": " << result.error;
    const ProbeResult probe = Probe(args.output);
    EXPECT_EQ(probe.Count("audio"), 2) << c.extension;
    EXPECT_GT(AudioRms(args.output), 1000) << c.extension;
    if (*c.subtitleCodec) {
      ASSERT_EQ(probe.Count("subtitle"), 1) << c.extension;
      EXPECT_EQ(probe.First("subtitle")->codec, c.subtitleCodec);
      const ProcessResult text = RunProcess({"ffmpeg", "-v", "error", "-i", args.output, "-map", "0:s", "-f", "srt", "-"});
      EXPECT_NE(text.out.find("Hello"), std::string::npos) << c.extension << ": " << text.out;
      EXPECT_NE(text.out.find("World"), std::string::npos) << c.extension << ": " << text.out;
    } else {
      EXPECT_EQ(probe.Count("subtitle"), 0);
      EXPECT_TRUE(LogContains("subrip subtitles")) << c.extension;
    }
  }
  // The French track stays French.
  const ProcessResult languages = RunProcess({"ffprobe", "-v", "error", "-select_streams", "a", "-show_entries",
                                              "stream_tags=language", "-of", "csv=p=0", (out_ / "tracks.mkv").string()});
  EXPECT_EQ(languages.out, "eng\nfre\n");
}

TEST_F(VencorEncode, ProgressIsReportedAndStopRemovesThePartialOutput) {
  struct Calls {
    std::vector<double> fractions;
    int stopAfter = -1;
  };
  const auto callback = [](const VencorProgress* progress, void* userData) -> int {
    auto* calls = static_cast<Calls*>(userData);
    calls->fractions.push_back(progress->fraction);
    if (calls->stopAfter < 0) return 0;
    if (static_cast<int>(calls->fractions.size()) > calls->stopAfter) return 1;
    // Reports come at most every quarter second; an answer slower than that
    // makes the next one due at the next packet, before the last frame.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return 0;
  };
  const fs::path source = SampleClip({});

  Calls complete;
  EncodeArgs args = Args(source, "whole.mp4");
  ASSERT_EQ(RunVencor(args.Vector(), callback, &complete).code, VENCOR_OK);
  ASSERT_GE(complete.fractions.size(), 2u);
  EXPECT_EQ(complete.fractions.front(), 0.0);
  EXPECT_EQ(complete.fractions.back(), 1.0);
  EXPECT_TRUE(std::is_sorted(complete.fractions.begin(), complete.fractions.end()));

  for (const int stopAfter : {0, 1}) {
    Calls stopped;
    stopped.stopAfter = stopAfter;
    EncodeArgs stoppedArgs = Args(source, "stopped.mp4");
    const EncodeResult result = RunVencor(stoppedArgs.Vector(), callback, &stopped);
    EXPECT_EQ(result.code, VENCOR_ERROR_ABORTED) << result.error;
    EXPECT_LT(stopped.fractions.back(), 1.0);
  }
  EXPECT_EQ(FilesIn(out_), std::vector<std::string>{"whole.mp4"});
}

TEST_F(VencorEncode, AStopAskedOnceEveryFrameIsEncodedStillAbandonsTheFile) {
  // Throttled reports may all come before the last frame: the question asked
  // before the file is committed is the one that must see the stop. (A codec
  // without delay, so that the last frames are not encoded while draining.)
  const auto callback = [](const VencorProgress* progress, void* userData) -> int {
    return progress->frames >= *static_cast<const int*>(userData) ? 1 : 0;
  };
  const fs::path source = SampleClip({});
  int allFrames = CountFrames(source);
  ASSERT_GT(allFrames, 0);
  EncodeArgs args = Args(source, "late.avi");
  args.videoCodec = "msmpeg4";
  args.audioCodec = "libmp3lame";
  const EncodeResult result = RunVencor(args.Vector(), callback, &allFrames);
  EXPECT_EQ(result.code, VENCOR_ERROR_ABORTED) << result.error;
  EXPECT_TRUE(FilesIn(out_).empty());
}

TEST_F(VencorEncode, OutputNamingTheSourceIsRefusedAndTheSourceStaysUnchanged) {
  const fs::path folder = env_.MakeDir("own");
  const fs::path source = folder / "clip.mp4";
  fs::copy_file(SampleClip({}), source);
  const std::string before = ReadFile(source);
  fs::create_symlink(source, folder / "link.mp4");
  fs::create_hard_link(source, folder / "hard.mp4");
  for (const fs::path& output : {source, folder / "." / "clip.mp4", folder / ".." / "own" / "clip.mp4",
                                 folder / "link.mp4", folder / "hard.mp4"}) {
    EncodeArgs args = Args(source, "unused.mp4");
    args.output = output.string();
    const EncodeResult result = RunVencor(args.Vector());
    EXPECT_EQ(result.code, VENCOR_ERROR_SAME_FILE) << output;
    EXPECT_FALSE(result.error.empty());
  }
  EXPECT_EQ(ReadFile(source), before);
  EXPECT_EQ(FilesIn(folder).size(), 3u);  // nothing added beside the source
  EXPECT_EQ(Record().calls, 0);
}

TEST_F(VencorEncode, UnwritableOutputFolderFailsCleanly) {
  const fs::path source = SampleClip({});
  WriteFile(env_.Root() / "plain-file", "x");
  std::vector<fs::path> outputs = {env_.Root() / "no-such-folder" / "out.mp4", env_.Root() / "plain-file" / "out.mp4",
                                   "/proc/vidmora-out.mp4"};
  const fs::path readOnly = env_.MakeDir("read-only");
  if (geteuid() != 0) {  // root writes anywhere; /proc stands in for it above
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    outputs.push_back(readOnly / "out.mp4");
  }
  for (const auto& output : outputs) {
    EncodeArgs args = Args(source, "unused.mp4");
    args.output = output.string();
    const EncodeResult result = RunVencor(args.Vector());
    EXPECT_EQ(result.code, VENCOR_ERROR_OUTPUT) << output;
    EXPECT_NE(result.error.find(output.parent_path().string()), std::string::npos) << result.error;
    EXPECT_FALSE(fs::exists(output));
  }
  fs::permissions(readOnly, fs::perms::owner_all);
  EXPECT_TRUE(FilesIn(readOnly).empty());
}

TEST_F(VencorEncode, VideoBitRateAndFrameRateAreHonoured) {
  ClipSpec spec;
  spec.extraArgs = {"-vf", "noise=alls=8:allf=t"};  // enough detail for the rate control to spend 1500 kbit/s on
  EncodeArgs args = Args(SampleClip(spec), "rated.mp4");
  args.videoBitRate = "1500k";
  args.frameRate = "15";
  ASSERT_EQ(RunVencor(args.Vector()).code, VENCOR_OK);
  const ProbeResult videoProbe = Probe(args.output);
  const StreamInfo* video = videoProbe.First("video");
  ASSERT_NE(video, nullptr);
  EXPECT_NEAR(video->frameRate, 15.0, 0.01);
  EXPECT_NEAR(static_cast<double>(video->bitRate), 1500e3, 1500e3 * 0.2);
  EXPECT_EQ(CountFrames(args.output), 30);
  EXPECT_EQ(Record().calls, 30);  // dropped frames are not painted
}

TEST_F(VencorEncode, SampleRatesAndZeroValues) {
  ClipSpec spec;
  spec.sampleRate = 48000;
  spec.seconds = 1;
  const fs::path source = SampleClip(spec);
  struct Case {
    const char *audioCodec, *sampleRate, *audioBitRate;
    int expectedRate;
  };
  for (const Case& c : {Case{"libvo_aacenc", "44.1k", "128k", 44100}, Case{"libvo_aacenc", "22.05k", "0k", 22050},
                        Case{"libmp3lame", "0k", "0k", 48000}, Case{"libvorbis", "0k", "96k", 48000},
                        Case{"libmp3lame", "11.025k", "64k", 11025}}) {
    EncodeArgs args = Args(source, std::string("rate-") + c.audioCodec + "-" + c.sampleRate + ".mkv");
    args.audioCodec = c.audioCodec;
    args.sampleRate = c.sampleRate;
    args.audioBitRate = c.audioBitRate;
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << c.audioCodec << " " << c.sampleRate << ": " << result.error;
    const ProbeResult audioProbe = Probe(args.output);
  const StreamInfo* audio = audioProbe.First("audio");
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->sampleRate, c.expectedRate) << c.audioCodec << " " << c.sampleRate;
  }
}

TEST_F(VencorEncode, RefusedSettingsFailBeforeAnythingIsWritten) {
  const fs::path source = SampleClip({});
  struct Case {
    std::vector<std::string> vector;
    int code;
  };
  EncodeArgs unknownVideo = Args(source, "a.mp4");
  unknownVideo.videoCodec = "nonesuch";
  EncodeArgs divxInMp4 = Args(source, "b.mp4");
  divxInMp4.videoCodec = "msmpeg4";
  EncodeArgs unknownType = Args(source, "c.wmv");
  std::vector<std::string> unknownOption = Args(source, "d.mp4").Vector();
  unknownOption.insert(unknownOption.begin(), {"-crf", "18"});
  for (const Case& c : {Case{unknownVideo.Vector(), VENCOR_ERROR_ENCODER}, Case{divxInMp4.Vector(), VENCOR_ERROR_ENCODER},
                        Case{unknownType.Vector(), VENCOR_ERROR_ARGUMENTS}, Case{unknownOption, VENCOR_ERROR_ARGUMENTS}}) {
    const EncodeResult result = RunVencor(c.vector);
    EXPECT_EQ(result.code, c.code) << result.error;
    EXPECT_TRUE(LogContains(result.error)) << result.error;
  }
  EXPECT_TRUE(FilesIn(out_).empty());
}

TEST_F(VencorEncode, RepeatedCallsLeaveNoLogCallbackBehind) {
  const fs::path source = SampleClip({});
  for (int i = 0; i < 2; ++i) ASSERT_EQ(RunVencor(Args(source, "again" + std::to_string(i) + ".mkv").Vector()).code, VENCOR_OK);
  // The library is unloaded now; a log callback left pointing into it would crash here.
  av_log(nullptr, AV_LOG_ERROR, "after the encoder left\n");
  SUCCEED();
}

}  // namespace
}  // namespace vidmora::test
