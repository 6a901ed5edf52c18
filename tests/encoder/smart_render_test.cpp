// Re-encoding only where the mark is, through libvencor.so with the real
// drawing library: the output has the source's pictures at the source's
// times, those outside the re-encoded groups of pictures bit for bit, the
// mark inside its windows, and it decodes cleanly with the ffmpeg program.
// Where it does not apply, the whole video is re-encoded with a note.

#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"
#include "tests/encoder/vencor_client.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 160, kHeight = 120, kSquare = 20;

// One decoded picture as the ffmpeg program's framemd5 gives it.
struct Picture {
  std::string pts;
  std::string md5;
};

std::vector<Picture> Pictures(const fs::path& file) {
  const ProcessResult run = RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-map", "0:v:0", "-fps_mode",
                                        "passthrough", "-f", "framemd5", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<Picture> pictures;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, ',');) fields.push_back(field);
    if (fields.size() == 6) pictures.push_back({fields[1], fields[5]});
  }
  return pictures;
}

// The video packets of `file` in decode order as the ffmpeg program's
// framemd5 gives them unchanged: times, size and checksum, one line each.
std::vector<std::string> Packets(const fs::path& file) {
  const ProcessResult run =
      RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-map", "0:v:0", "-c", "copy", "-f", "framemd5", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> packets;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') packets.push_back(line);
  return packets;
}

// The ffmpeg program decodes the whole file, its video and audio, and says nothing.
void ExpectCleanDecode(const fs::path& file) {
  const ProcessResult run = RunProcess(
      {"ffmpeg", "-v", "error", "-xerror", "-i", file.string(), "-map", "0:v", "-map", "0:a?", "-f", "null", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "") << file;
}

bool IsRed(const QImage& frame) {
  const QColor c = frame.pixelColor(kSquare / 2, kSquare / 2);
  return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

struct Layer {
  int startMs = 0;
  int endMs = 0;
  int repeatEvery = 0;
  int showFor = 0;
};

class SmartRender : public ::testing::Test {
 protected:
  void SetUp() override {
    logo_ = env_.MakeDir("pictures") / "logo.png";
    QImage red(kSquare, kSquare, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(logo_.string())));
    InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  }

  static fs::path Clip(const std::string& codec, std::vector<std::string> extra, bool audio = true) {
    ClipSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.seconds = 4;
    spec.audio = audio;
    spec.videoCodec = codec;
    spec.extraArgs = std::move(extra);
    return SampleClip(spec);
  }

  // Encodes `source` with a red square shown as `layer` says, asking for
  // `-smart windows`; gives the output's path.
  fs::path Encode(const fs::path& source, Layer timing, const std::string& windows, const std::string& name,
                  EncodeResult& result, std::vector<std::string> extra = {}, const std::string& extension = "mp4",
                  VencorProgressCallback progress = nullptr, void* userData = nullptr) {
    const fs::path folder = env_.DataHome() / "Vidmora" / "templates";
    fs::create_directories(folder);
    const std::u16string dir = FromUtf8(folder.string());
    EditedLayer layer;
    ApplyNewLayerValues(layer, u"");
    layer.imageLocation = 0;
    layer.imageTransparency = 100;
    layer.imageWidth = kSquare;
    layer.imageHeight = kSquare;
    layer.scaleImage = 0;
    layer.imagePathName = FromUtf8(logo_.string());
    layer.startTime = timing.startMs;
    layer.endTime = timing.endMs;
    layer.repeatEvery = timing.repeatEvery;
    layer.showFor = timing.showFor;
    const std::u16string templateName = FromUtf8(name);
    const std::vector<std::u16string> templates = {templateName}, layers = {templateName + u"_Layer 1"};
    EXPECT_TRUE(WriteNameList(IndexFilePath(dir), kTemplateIndex, templates));
    EXPECT_TRUE(WriteNameList(NamedFilePath(dir, templateName), kLayerList, layers));
    EXPECT_TRUE(WriteNewLayerFile(dir, templateName + u"_Layer 1", layer));
    EXPECT_EQ(PrepareWMForDrawlixDll(templateName.c_str(), kWidth, kHeight, 2), 0);
    EncodeArgs args;
    args.source = source.string();
    args.output = (env_.MakeDir("out") / (name + "." + extension)).string();
    args.audioCodec = "copy";
    std::vector<std::string> vector = args.Vector();
    vector.insert(vector.end() - 1, {"-smart", windows});
    vector.insert(vector.end() - 1, extra.begin(), extra.end());
    result = RunVencor(vector, progress, userData);
    EXPECT_EQ(result.code, VENCOR_OK) << result.error;
    SetFrameHookTime(-1, 0);
    return args.output;
  }

  TempEnv env_;
  fs::path logo_;
};

struct Window {
  int first, end;  // pictures [first, end) the mark shows on
};

// Checks the output against its source: the same pictures at the same
// times, the same bits outside [reencoded), the mark on the pictures of
// `marked` and nowhere else.
void ExpectSpliced(const fs::path& source, const fs::path& output, const std::vector<Window>& reencoded,
                   const std::vector<Window>& marked, const std::string& name) {
  const std::vector<Picture> from = Pictures(source), to = Pictures(output);
  ASSERT_EQ(to.size(), from.size()) << name;
  const auto inside = [](const std::vector<Window>& windows, int i) {
    for (const Window& w : windows)
      if (i >= w.first && i < w.end) return true;
    return false;
  };
  int copied = 0;
  for (size_t i = 0; i < from.size(); ++i) {
    EXPECT_EQ(to[i].pts, from[i].pts) << name << " picture " << i;
    if (!inside(reencoded, static_cast<int>(i))) {
      EXPECT_EQ(to[i].md5, from[i].md5) << name << " copied picture " << i;
      ++copied;
    }
  }
  EXPECT_GT(copied, 0) << name;
  for (const Window& w : marked) {
    for (const int i : {w.first, w.end - 1}) EXPECT_TRUE(IsRed(DecodeFrame(output, i))) << name << " picture " << i;
    if (w.first > 0) {
      EXPECT_FALSE(IsRed(DecodeFrame(output, w.first - 1))) << name << " before " << w.first;
    }
    if (w.end < static_cast<int>(from.size())) {
      EXPECT_FALSE(IsRed(DecodeFrame(output, w.end))) << name << " after " << w.end;
    }
  }
  ExpectCleanDecode(output);
}

// Closed groups of 25 pictures (1 s at 25 fps), B-pictures.
const std::vector<std::string> kClosedGroups = {"-g", "25", "-keyint_min", "25", "-sc_threshold", "0", "-bf", "3"};

TEST_F(SmartRender, WindowsAtTheStartMiddleAndEndAndTwoWindowsInH264AndHevc) {
  struct Source {
    std::string name;
    fs::path clip;
    std::vector<std::string> extra;
  };
  const std::vector<Source> sources = {
      {"h264", Clip("libx264", kClosedGroups), {}},
      {"hevc",
       Clip("libx265", {"-x265-params", "keyint=25:min-keyint=25:scenecut=0:open-gop=0:bframes=3:log-level=error"}),
       {"-vcodec", "libx265"}},
  };
  struct Case {
    std::string name;
    Layer layer;
    std::string windows;
    std::vector<Window> reencoded, marked;
    std::string summary;
  };
  const std::vector<Case> cases = {
      {"start", {0, 400}, "0:400", {{0, 25}}, {{0, 10}}, "copied 75 %, re-encoded 25 %"},
      {"middle", {1080, 1320}, "1080:1320", {{25, 50}}, {{27, 33}}, "copied 75 %, re-encoded 25 %"},
      {"across a keyframe", {1880, 2120}, "1880:2120", {{25, 75}}, {{47, 53}}, "copied 50 %, re-encoded 50 %"},
      {"end", {3600, 0}, "3600:", {{75, 100}}, {{90, 100}}, "copied 75 %, re-encoded 25 %"},
      {"two",
       {0, 0, 2600, 200},
       "0:200,2600:2800",
       {{0, 25}, {50, 75}},
       {{0, 5}, {65, 70}},
       "copied 50 %, re-encoded 50 %"},
  };
  for (const Source& source : sources) {
    for (const Case& c : cases) {
      const std::string name = source.name + " " + c.name;
      EncodeResult result;
      const fs::path output = Encode(source.clip, c.layer, c.windows, name, result, source.extra);
      EXPECT_EQ(result.summary, c.summary) << name;
      for (const std::string& note : result.notes) ADD_FAILURE() << name << ": " << note;
      ExpectSpliced(source.clip, output, c.reencoded, c.marked, name);
      EXPECT_EQ(Probe(output).Count("audio"), 1) << name;
    }
  }
}

TEST_F(SmartRender, NtscRateWithAudioAndSubtitlesKeepsEveryTrack) {
  const fs::path folder = env_.MakeDir("ntsc");
  const fs::path subtitles = folder / "words.srt";
  std::ofstream(subtitles) << "1\n00:00:00,500 --> 00:00:01,500\nhello\n\n2\n00:00:02,000 --> 00:00:02,800\nagain\n";
  const fs::path source = folder / "ntsc.mkv";
  const ProcessResult made = RunProcess({"ffmpeg",
                                         "-v",
                                         "error",
                                         "-y",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "testsrc2=size=160x120:rate=30000/1001:duration=3",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "sine=frequency=440:sample_rate=48000:duration=3",
                                         "-i",
                                         subtitles.string(),
                                         "-map",
                                         "0",
                                         "-map",
                                         "1",
                                         "-map",
                                         "2",
                                         "-c:v",
                                         "libx264",
                                         "-pix_fmt",
                                         "yuv420p",
                                         "-g",
                                         "30",
                                         "-keyint_min",
                                         "30",
                                         "-sc_threshold",
                                         "0",
                                         "-c:a",
                                         "aac",
                                         "-c:s",
                                         "srt",
                                         source.string()});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EncodeResult result;
  // Pictures 46..59 (at n × 33.37 ms) lie in the second group of 30. The
  // window's edges hold whether the audio's priming moves the clip's start
  // by a frame's fraction or not.
  const fs::path output = Encode(source, {1530, 1995}, "1530:1995", "ntsc", result, {}, "mkv");
  EXPECT_EQ(result.summary, "copied 67 %, re-encoded 33 %") << (result.notes.empty() ? "" : result.notes.front());
  ExpectSpliced(source, output, {{30, 60}}, {{46, 60}}, "ntsc");
  const ProbeResult probe = Probe(output);
  EXPECT_EQ(probe.Count("audio"), 1);
  EXPECT_EQ(probe.Count("subtitle"), 1);
}

// Open groups (x264's I-pictures that are no refresh, whose leading
// B-pictures lean on the group before) with refreshes forced at 3 s and 4 s:
// the span between them may be cut out, and the check decodes the groups
// before it from the refresh at the start, not from the open group's
// I-picture, whose leading pictures would not decode there.
TEST_F(SmartRender, OpenGroupsBetweenRefreshes) {
  ClipSpec spec;
  spec.width = kWidth;
  spec.height = kHeight;
  spec.seconds = 6;
  spec.audio = false;
  const std::string groups = "keyint=25:min-keyint=25:scenecut=0:open-gop=1";
  spec.extraArgs = {"-bf", "3", "-x264-params", groups, "-force_key_frames", "3,4", "-forced-idr", "1"};
  const fs::path source = SampleClip(spec);
  EncodeResult result;
  const fs::path output = Encode(source, {3200, 3400}, "3200:3400", "open between refreshes", result);
  EXPECT_EQ(result.summary, "copied 83 %, re-encoded 17 %");
  for (const std::string& note : result.notes) ADD_FAILURE() << note;
  ExpectSpliced(source, output, {{75, 100}}, {{80, 85}}, "open between refreshes");
  // The group at 1 s is open indeed: a cut there is refused.
  EncodeResult refused;
  Encode(source, {1080, 1320}, "1080:1320", "open cut", refused);
  ASSERT_EQ(refused.notes.size(), 1u);
  EXPECT_NE(refused.notes.front().find("open"), std::string::npos) << refused.notes.front();
}

// The source is replaced, once the encode has started, by one whose
// packets are the same up to 3 s and differ from 3.5 s on (a box drawn
// there; constant quantiser and a fixed picture pattern keep the packets
// before it the same): far past the span at the start and the groups
// decoded around it. The check must see it in the packets it only compares
// and re-encode the whole file with its note; with the source left as it
// is, the same encode is copied around the mark.
TEST_F(SmartRender, ACopiedPacketThatDiffersFarFromTheSpanIsCaught) {
  const auto clip = [](const std::string& boxFrom) {
    ClipSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.seconds = 4;
    spec.audio = false;
    spec.extraArgs = kClosedGroups;
    const std::string box = "drawbox=x=0:y=60:w=80:h=60:color=white:t=fill:enable='" + boxFrom + "'";
    spec.extraArgs.insert(spec.extraArgs.end(), {"-qp", "24", "-x264-params", "b-adapt=0", "-vf", box});
    return SampleClip(spec);
  };
  const fs::path original = clip("0"), changed = clip("gte(t,3.5)");
  const std::vector<std::string> before = Packets(original), after = Packets(changed);
  ASSERT_EQ(after.size(), before.size());
  ASSERT_EQ(before.size(), 100u);
  size_t firstDifference = 0;
  while (firstDifference < before.size() && before[firstDifference] == after[firstDifference]) ++firstDifference;
  ASSERT_GE(firstDifference, 75u);  // the span is pictures 0..24, the groups decoded 0..49
  ASSERT_LT(firstDifference, before.size());

  struct Swap {
    fs::path from, to;
    static int Once(const VencorProgress*, void* data) {
      auto& swap = *static_cast<Swap*>(data);
      if (!swap.from.empty()) fs::rename(swap.from, swap.to);
      swap.from.clear();
      return 0;
    }
  };
  for (const bool swapped : {false, true}) {
    const std::string name = swapped ? "source changed" : "source kept";
    const fs::path folder = env_.MakeDir(swapped ? "changed" : "kept");
    const fs::path source = folder / "source.mp4";
    fs::copy_file(original, source);
    Swap swap;
    if (swapped) {
      swap.to = source;
      swap.from = folder / "changed.mp4";
      fs::copy_file(changed, swap.from);
    }
    EncodeResult result;
    const fs::path output = Encode(source, {0, 400}, "0:400", name, result, {}, "mp4", &Swap::Once, &swap);
    EXPECT_TRUE(swap.from.empty()) << name << ": the progress callback was not called";
    if (!swapped) {
      EXPECT_EQ(result.summary, "copied 75 %, re-encoded 25 %");
      for (const std::string& note : result.notes) ADD_FAILURE() << name << ": " << note;
      continue;
    }
    EXPECT_EQ(result.summary, "") << name;
    ASSERT_EQ(result.notes.size(), 1u) << name;
    EXPECT_NE(result.notes.front().find("whole video was re-encoded"), std::string::npos) << result.notes.front();
    EXPECT_NE(result.notes.front().find("a copied packet of the output differs"), std::string::npos)
        << result.notes.front();
    EXPECT_EQ(CountFrames(output), 100);
    EXPECT_TRUE(IsRed(DecodeFrame(output, 5)));
    EXPECT_FALSE(IsRed(DecodeFrame(output, 20)));
  }
}

TEST_F(SmartRender, WhatCannotBeCopiedIsReencodedWholeWithANote) {
  const fs::path h264 = Clip("libx264", kClosedGroups, false);
  const fs::path open =
      Clip("libx264", {"-x264-params", "keyint=25:min-keyint=25:scenecut=0:open-gop=1", "-bf", "3"}, false);
  const fs::path mpeg4 = Clip("mpeg4", {"-g", "25"}, false);
  // An HEVC source whose parameter sets claim level 1, too low for its size:
  // the decoder does not mind, the encoder refuses to code spans at that level.
  ClipSpec low;
  low.seconds = 4;
  low.audio = false;
  low.videoCodec = "libx265";
  low.extraArgs = {"-x265-params", "keyint=25:min-keyint=25:scenecut=0:open-gop=0:log-level=error", "-bsf:v",
                   "hevc_metadata=level=1"};
  const fs::path lowLevel = SampleClip(low);
  struct Case {
    std::string name;
    fs::path source;
    std::string windows;
    std::vector<std::string> extra;
    std::string words;
    int frames = 100;
    int marked = 30;  // a picture at 1.2 s
  };
  const std::vector<Case> cases = {
      {"open groups", open, "1080:1320", {}, "open"},
      {"every frame", h264, "every-frame", {}, "every frame"},
      {"bit rate", h264, "1080:1320", {"-b:v", "300k"}, "bit rate"},
      {"frame rate", h264, "1080:1320", {"-r", "15"}, "frame rate", 60, 18},
      {"other codec", h264, "1080:1320", {"-vcodec", "libx265"}, "is not the source's"},
      {"mpeg4 source", mpeg4, "1080:1320", {"-vcodec", "mpeg4"}, "mpeg4"},
      {"level refused", lowLevel, "1080:1320", {"-vcodec", "libx265"}, "refused the source's profile, level"},
  };
  for (const Case& c : cases) {
    EncodeResult result;
    const fs::path output = Encode(c.source, {1080, 1320}, c.windows, "whole " + c.name, result, c.extra);
    EXPECT_EQ(result.summary, "") << c.name;
    bool noted = false;
    for (const std::string& note : result.notes)
      noted |= note.find("whole video was re-encoded") != std::string::npos && note.find(c.words) != std::string::npos;
    EXPECT_TRUE(noted) << c.name << ": " << (result.notes.empty() ? "no note" : result.notes.front());
    EXPECT_EQ(CountFrames(output), c.frames) << c.name;
    EXPECT_TRUE(IsRed(DecodeFrame(output, c.marked))) << c.name;
  }
}

}  // namespace
}  // namespace vidmora::test
