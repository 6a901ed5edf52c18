// What an encode keeps of its source besides the picture: frame times,
// colours, depth, fields, tracks, tags, and the notes on what it cannot keep.

#include "tests/encoder/hook_recorder.h"
#include "tests/encoder/vencor_client.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mastering_display_metadata.h>
}

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// The notes joined, for messages.
std::string Joined(const std::vector<std::string>& notes) {
  std::string text;
  for (const auto& note : notes) text += (text.empty() ? "" : " | ") + note;
  return text;
}

bool HasNoteWith(const EncodeResult& result, const std::string& part) {
  for (const auto& note : result.notes)
    if (note.find(part) != std::string::npos) return true;
  return false;
}

// One value of ffprobe's csv output per line, for the given entries.
std::vector<std::string> ProbeLines(const fs::path& file, const std::vector<std::string>& selection) {
  std::vector<std::string> argv = {"ffprobe", "-v", "error"};
  argv.insert(argv.end(), selection.begin(), selection.end());
  argv.insert(argv.end(), {"-of", "csv=p=0", file.string()});
  const ProcessResult run = RunProcess(argv);
  std::vector<std::string> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string ProbeValue(const fs::path& file, const std::vector<std::string>& selection) {
  const auto lines = ProbeLines(file, selection);
  return lines.empty() ? "" : lines.front();
}

// The presentation time of every video frame, seconds from the first.
std::vector<double> FrameTimes(const fs::path& file) {
  std::vector<double> times;
  for (const auto& line :
       ProbeLines(file, {"-select_streams", "v:0", "-show_entries", "frame=best_effort_timestamp_time"}))
    times.push_back(std::stod(line));
  for (size_t i = 1; i < times.size(); ++i) times[i] -= times[0];
  if (!times.empty()) times[0] = 0;
  return times;
}

// Copies the video of `from` into the Matroska file `to` with a mastering
// display (BT.2020 primaries, 0.005 to 1000 cd/m2) and content light levels
// (1000, 400) on its stream, as HDR10 files carry them.
bool RemuxWithHdrMetadata(const fs::path& from, const fs::path& to) {
  AVFormatContext* in = nullptr;
  if (avformat_open_input(&in, from.c_str(), nullptr, nullptr) < 0) return false;
  AVFormatContext* out = nullptr;
  bool ok = avformat_find_stream_info(in, nullptr) >= 0 &&
            avformat_alloc_output_context2(&out, nullptr, "matroska", to.c_str()) >= 0;
  AVStream* stream = ok ? avformat_new_stream(out, nullptr) : nullptr;
  ok = stream && avcodec_parameters_copy(stream->codecpar, in->streams[0]->codecpar) >= 0;
  if (ok) {
    stream->codecpar->codec_tag = 0;
    stream->time_base = in->streams[0]->time_base;
    auto* display = reinterpret_cast<AVMasteringDisplayMetadata*>(
        av_stream_new_side_data(stream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, sizeof(AVMasteringDisplayMetadata)));
    auto* light = reinterpret_cast<AVContentLightMetadata*>(
        av_stream_new_side_data(stream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, sizeof(AVContentLightMetadata)));
    ok = display && light;
    if (ok) {
      const int primaries[3][2] = {{34000, 16000}, {13250, 34500}, {7500, 3000}};  // red, green, blue
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j) display->display_primaries[i][j] = av_make_q(primaries[i][j], 50000);
      display->white_point[0] = av_make_q(15635, 50000);
      display->white_point[1] = av_make_q(16450, 50000);
      display->min_luminance = av_make_q(50, 10000);
      display->max_luminance = av_make_q(1000, 1);
      display->has_primaries = display->has_luminance = 1;
      light->MaxCLL = 1000;
      light->MaxFALL = 400;
    }
  }
  ok = ok && avio_open(&out->pb, to.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
  AVPacket* packet = av_packet_alloc();
  while (ok && av_read_frame(in, packet) >= 0) {
    if (packet->stream_index == 0) {
      av_packet_rescale_ts(packet, in->streams[0]->time_base, stream->time_base);
      ok = av_interleaved_write_frame(out, packet) >= 0;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  if (ok) ok = av_write_trailer(out) >= 0;
  if (out) {
    avio_closep(&out->pb);
    avformat_free_context(out);
  }
  avformat_close_input(&in);
  return ok;
}

class VencorFidelity : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHookRecord();
    out_ = env_.MakeDir("out");
    sources_ = env_.MakeDir("sources");
  }

  // A source made by the ffmpeg tool from `arguments` (inputs, filters, codecs).
  fs::path Make(const std::string& name, std::vector<std::string> arguments) {
    fs::path path = sources_ / name;
    if (fs::exists(path)) return path;
    arguments.insert(arguments.begin(), {"ffmpeg", "-v", "error", "-y"});
    arguments.push_back(path.string());
    const ProcessResult made = RunProcess(arguments);
    if (made.exitCode != 0) ADD_FAILURE() << name << ": " << made.err;
    return path;
  }

  EncodeArgs Args(const fs::path& source, const std::string& outputName, const char* videoCodec = "libx264") const {
    EncodeArgs args;
    args.source = source.string();
    args.output = (out_ / outputName).string();
    args.videoCodec = videoCodec;
    return args;
  }

  // Phone clips change their frame rate as the light changes.
  fs::path VariableRateSource(const std::string& kind) {
    if (kind == "60/30/15")  // 60 frames in the first second, 30 in the second, 15 in the third: 105
      return Make("vfr-60-30-15.mkv",
                       {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=60:d=3", "-vf",
                        "select='lt(t\\,1)+between(t\\,1\\,2)*not(mod(n\\,2))+gte(t\\,2)*not(mod(n\\,4))'",
                        "-fps_mode", "vfr", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    // One filter graph, three parts: 30, 24 and 30 frames a second.
    const std::string graph =
        "testsrc2=s=160x120:r=30:d=1,settb=1/120[a];testsrc2=s=160x120:r=24:d=1,settb=1/120[b];"
        "testsrc2=s=160x120:r=30:d=1,settb=1/120[c];[a][b][c]concat=n=3";
    return Make("vfr-30-24-30.mp4",
                {"-filter_complex", graph, "-fps_mode", "vfr", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
  }

  TempEnv env_;
  fs::path out_;
  fs::path sources_;
};

TEST_F(VencorFidelity, WithoutASetRateEveryFrameKeepsItsOwnTime) {
  struct Case {
    const char *source, *extension, *videoCodec;
  };
  for (const Case& c : {Case{"60/30/15", "mp4", "libx264"}, Case{"60/30/15", "mkv", "libx264"},
                        Case{"60/30/15", "vp8", "libvpx"}, Case{"30/24/30", "mp4", "libx264"},
                        Case{"30/24/30", "mkv", "libxvid"}, Case{"30/24/30", "m4v", "libxvid"}}) {
    SCOPED_TRACE(std::string(c.source) + " to " + c.extension + " " + c.videoCodec);
    const fs::path source = VariableRateSource(c.source);
    const std::vector<double> expected = FrameTimes(source);
    ASSERT_EQ(expected.size(), std::string(c.source) == "60/30/15" ? 105u : 84u);
    ResetHookRecord();
    EncodeArgs args = Args(source, std::string("vfr-") + c.source[0] + c.source[1] + "." + c.extension, c.videoCodec);
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    EXPECT_TRUE(result.notes.empty()) << Joined(result.notes);
    EXPECT_EQ(Record().calls, static_cast<int>(expected.size()));
    const std::vector<double> times = FrameTimes(args.output);
    ASSERT_EQ(times.size(), expected.size());
    for (size_t i = 0; i < times.size(); ++i) ASSERT_NEAR(times[i], expected[i], 0.0015) << "frame " << i;
  }
}

TEST_F(VencorFidelity, ASetRateOrAConstantRateContainerConvertsToExactlyOneRate) {
  const fs::path source = VariableRateSource("60/30/15");
  struct Case {
    const char *extension, *videoCodec, *rate;
    double fps;
    bool noted;  // a rate nobody set: the output says why its frames changed
  };
  for (const Case& c : {Case{"mp4", "libx264", "25", 25, false}, Case{"mkv", "libxvid", "30000/1001", 30000.0 / 1001, false},
                        Case{"avi", "libxvid", "0", 60, true}}) {
    SCOPED_TRACE(std::string(c.extension) + " at " + c.rate);
    EncodeArgs args = Args(source, std::string("cfr.") + c.extension, c.videoCodec);
    args.frameRate = c.rate;
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const std::vector<double> times = FrameTimes(args.output);
    ASSERT_GT(times.size(), 10u);
    for (size_t i = 1; i < times.size(); ++i) ASSERT_NEAR(times[i] - times[i - 1], 1 / c.fps, 0.0015) << "frame " << i;
    EXPECT_NEAR(static_cast<double>(times.size()), 3 * c.fps, 3);  // the ends fall on the rate's grid
    EXPECT_EQ(HasNoteWith(result, "one frame rate"), c.noted) << Joined(result.notes);
  }
}

// The colour of a patch away from the hook's marker, as a player that reads
// the colour tags shows it.
QColor PatchColour(const fs::path& file) {
  const QImage frame = DecodeFrame(file, 1);
  if (frame.isNull()) return {};
  return frame.pixelColor(frame.width() * 3 / 4, frame.height() * 3 / 4);
}

// Pictures are converted into the matrix the output is tagged with, and the
// watermark blended in it: a player shows the source's colours.
TEST_F(VencorFidelity, ColoursAreConvertedWithTheMatrixTheOutputIsTaggedWith) {
  const std::string colour = "color=c=0x30C050:r=5:d=0.6:s=";
  const fs::path rgbHd = Make("rgb-hd.mov", {"-f", "lavfi", "-i", colour + "1280x720", "-c:v", "qtrle"});
  const fs::path rgbSd = Make("rgb-sd.mkv", {"-f", "lavfi", "-i", colour + "320x240", "-c:v", "png"});
  const fs::path bt709 =
      Make("bt709.mkv", {"-f", "lavfi", "-i", colour + "320x240", "-vf", "scale=out_color_matrix=bt709:out_range=tv",
                         "-pix_fmt", "yuv420p", "-colorspace", "bt709", "-c:v", "libx264", "-qp", "0"});
  struct Case {
    fs::path source;
    const char *extension, *videoCodec, *matrix;  // as ffprobe names the output's matrix
  };
  for (const Case& c : {Case{rgbHd, "mp4", "libx264", "bt709"}, Case{rgbSd, "mkv", "libx264", "smpte170m"},
                        Case{rgbHd, "vp8", "libvpx", "bt470bg"}, Case{bt709, "vp8", "libvpx", "bt470bg"},
                        Case{bt709, "mkv", "libxvid", "bt709"}}) {
    SCOPED_TRACE(c.source.filename().string() + " to " + c.extension + " " + c.videoCodec);
    EncodeArgs args = Args(c.source, c.source.stem().string() + "-" + c.videoCodec + "." + c.extension, c.videoCodec);
    args.audioCodec = "copy";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    EXPECT_EQ(ProbeValue(args.output, {"-select_streams", "v:0", "-show_entries", "stream=color_space"}), c.matrix);
    const QColor expected = PatchColour(c.source), got = PatchColour(args.output);
    EXPECT_NEAR(got.red(), expected.red(), 2);
    EXPECT_NEAR(got.green(), expected.green(), 2);
    EXPECT_NEAR(got.blue(), expected.blue(), 2);
    EXPECT_TRUE(IsWhiteAround(DecodeFrame(args.output, 1), kMarkerLeft + kMarkerSize / 2, kMarkerTop + kMarkerSize / 2));
  }
}

// H.264 keeps 10-bit and 4:2:2 pictures; a codec that cannot says so.
TEST_F(VencorFidelity, BitDepthAndChromaAreKeptWhereTheCodecCodesThem) {
  const std::vector<std::string> clip = {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=0.5"};
  const auto made = [&](const std::string& name, std::vector<std::string> codec) {
    std::vector<std::string> arguments = clip;
    arguments.insert(arguments.end(), codec.begin(), codec.end());
    return Make(name, arguments);
  };
  const fs::path avc10 = made("avc-420p10.mkv", {"-pix_fmt", "yuv420p10le", "-c:v", "libx264"});
  const fs::path avc422 = made("avc-422p.mkv", {"-pix_fmt", "yuv422p", "-c:v", "libx264"});
  const fs::path hevc10 = made("hevc-420p10.mkv", {"-pix_fmt", "yuv420p10le", "-c:v", "libx265", "-x265-params", "log-level=error"});
  const fs::path hevc422 = made("hevc-422p10.mkv", {"-pix_fmt", "yuv422p10le", "-c:v", "libx265", "-x265-params", "log-level=error"});
  const fs::path rgb = made("rgb.mkv", {"-pix_fmt", "rgb24", "-c:v", "png"});
  struct Case {
    fs::path source;
    const char *extension, *videoCodec, *pixelFormat;
    bool noted;
  };
  for (const Case& c : {Case{avc10, "mp4", "libx264", "yuv420p10le", false}, Case{avc422, "mkv", "libx264", "yuv422p", false},
                        Case{hevc10, "mp4", "libx264", "yuv420p10le", false},
                        Case{hevc422, "mkv", "libx264", "yuv422p10le", false}, Case{rgb, "mp4", "libx264", "yuv444p", false},
                        Case{hevc422, "mkv", "libxvid", "yuv420p", true}, Case{avc10, "vp8", "libvpx", "yuv420p", true}}) {
    SCOPED_TRACE(c.source.filename().string() + " to " + c.extension + " " + c.videoCodec);
    EncodeArgs args = Args(c.source, c.source.stem().string() + "-" + c.videoCodec + "." + c.extension, c.videoCodec);
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    EXPECT_EQ(ProbeValue(args.output, {"-select_streams", "v:0", "-show_entries", "stream=pix_fmt"}), c.pixelFormat);
    EXPECT_EQ(HasNoteWith(result, "is written as"), c.noted) << Joined(result.notes);
    EXPECT_TRUE(IsWhiteAround(DecodeFrame(args.output, 2), kMarkerLeft + kMarkerSize / 2, kMarkerTop + kMarkerSize / 2));
  }
}

// Every entry of one kind of ffprobe section, as "key=value|key=value" lines.
std::vector<std::string> Sections(const fs::path& file, const std::string& entries) {
  std::vector<std::string> lines;
  const ProcessResult run =
      RunProcess({"ffprobe", "-v", "error", "-show_entries", entries, "-of", "compact=p=0:nk=0", file.string()});
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string AllOf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// Container tags, chapters, stream tags, and two audio tracks at their own rates.
TEST_F(VencorFidelity, TagsChaptersAndEachTracksRateAreKept) {
  const fs::path chapters = sources_ / "chapters.txt";
  WriteFile(chapters, ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=500\ntitle=Intro\n"
                      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=500\nEND=1000\ntitle=Main part\n");
  const fs::path source = Make(
      "tagged.mkv",
      {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-f", "lavfi", "-i", "sine=r=48000:d=1", "-f", "lavfi", "-i",
       "sine=r=44100:d=1:f=660", "-i", chapters.string(), "-map", "0", "-map", "1", "-map", "2", "-map_chapters", "3",
       "-metadata", "title=Holiday", "-metadata", "artist=Ann", "-metadata", "comment=First day", "-metadata",
       "creation_time=2020-05-01T10:00:00Z", "-metadata", "location=+48.8577+002.2950/", "-metadata", "make=Acme",
       "-metadata", "model=Cam 1", "-metadata:s:v", "language=fra", "-metadata:s:v", "title=Picture", "-metadata:s:a:0",
       "language=eng", "-metadata:s:a:1", "language=ger", "-metadata:s:a:1", "title=Commentary", "-c:v", "libx264",
       "-c:a", "flac"});
  struct Case {
    const char* extension;
    std::vector<const char*> kept;  // format tags as ffprobe shows them
    bool makeAndModelLost;          // noted: the container has no place for them
  };
  for (const Case& c : {Case{"mkv", {"title=Holiday", "ARTIST=Ann", "COMMENT=First day", "LOCATION=+48.8577", "MAKE=Acme",
                                     "MODEL=Cam 1", "creation_time=2020-05-01T10:00:00"}, false},
                        Case{"mp4", {"title=Holiday", "artist=Ann", "comment=First day", "location=+48.8577",
                                     "creation_time=2020-05-01T10:00:00"}, true}}) {
    SCOPED_TRACE(c.extension);
    EncodeArgs args = Args(source, std::string("tagged.") + c.extension);
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const std::string format = AllOf(Sections(args.output, "format_tags"));
    for (const char* tag : c.kept) EXPECT_TRUE(Contains(format, tag)) << tag << " in " << format;
    EXPECT_EQ(HasNoteWith(result, "make") && HasNoteWith(result, "model"), c.makeAndModelLost) << Joined(result.notes);
    EXPECT_EQ(Sections(args.output, "chapter=start_time:chapter_tags=title"),
              (std::vector<std::string>{"start_time=0.000000|tag:title=Intro", "start_time=0.500000|tag:title=Main part"}));
    // MP4 keeps its chapter titles in a text track of its own.
    auto streams = Sections(args.output, "stream=codec_type,sample_rate:stream_tags=language");
    std::erase_if(streams, [](const std::string& s) { return Contains(s, "codec_type=data"); });
    ASSERT_EQ(streams.size(), 3u) << AllOf(streams);
    EXPECT_TRUE(Contains(streams[0], "language=fra")) << streams[0];
    EXPECT_TRUE(Contains(streams[1], "sample_rate=48000") && Contains(streams[1], "language=eng")) << streams[1];
    EXPECT_TRUE(Contains(streams[2], "sample_rate=44100") && Contains(streams[2], "language=ger")) << streams[2];
  }
  const std::string titles = AllOf(Sections(out_ / "tagged.mkv", "stream_tags=title"));
  EXPECT_TRUE(Contains(titles, "Picture") && Contains(titles, "Commentary")) << titles;

  EncodeArgs avi = Args(source, "tagged.avi", "libxvid");
  avi.audioCodec = "libmp3lame";
  const EncodeResult result = RunVencor(avi.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;
  EXPECT_TRUE(HasNoteWith(result, "holds no chapters")) << Joined(result.notes);
}

// The fonts of styled subtitles and cover art stay where the container holds them.
TEST_F(VencorFidelity, FontAttachmentsAndCoverArtAreKept) {
  const fs::path subtitles = sources_ / "styled.srt";
  WriteFile(subtitles, "1\n00:00:00,100 --> 00:00:00,900\nStyled\n");
  const std::string font = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
  const fs::path styled = Make("styled.mkv", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-i", subtitles.string(),
                                              "-attach", font, "-metadata:s:t", "mimetype=application/x-truetype-font",
                                              "-c:v", "libx264", "-c:s", "ass"});
  const fs::path coverPicture = Make("cover.png", {"-f", "lavfi", "-i", "color=c=red:s=64x64", "-frames:v", "1"});
  const fs::path covered = Make("covered.mp4", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-i",
                                                coverPicture.string(), "-map", "0", "-map", "1", "-c:v:0", "libx264",
                                                "-c:v:1", "png", "-disposition:v:1", "attached_pic"});
  struct Case {
    fs::path source;
    const char* extension;
    const char* kept;  // in ffprobe's streams; empty: left out with a note
  };
  for (const Case& c : {Case{styled, "mkv", "filename=LiberationSans-Regular.ttf"}, Case{styled, "mp4", ""},
                        Case{covered, "mp4", "attached_pic=1"}, Case{covered, "mkv", "attached_pic=1"},
                        Case{covered, "vp8", ""}}) {
    SCOPED_TRACE(c.source.filename().string() + " to " + c.extension);
    EncodeArgs args = Args(c.source, c.source.stem().string() + "." + c.extension,
                           std::string(c.extension) == "vp8" ? "libvpx" : "libx264");
    if (std::string(c.extension) == "vp8") args.audioCodec = "libvorbis";
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const std::string streams = AllOf(Sections(args.output, "stream=codec_type,codec_name:stream_disposition=attached_pic:stream_tags=filename"));
    if (*c.kept) {
      EXPECT_TRUE(Contains(streams, c.kept)) << streams;
      EXPECT_TRUE(result.notes.empty()) << Joined(result.notes);
    } else {
      EXPECT_FALSE(Contains(streams, "attached_pic=1") || Contains(streams, "filename=")) << streams;
      EXPECT_TRUE(HasNoteWith(result, "holds no")) << Joined(result.notes);
    }
  }
  // The picture is the source's.
  const auto coverPixels = [](const fs::path& file) {
    return RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-map", "0:v:1", "-frames:v", "1", "-f",
                       "rawvideo", "-pix_fmt", "rgb24", "-"})
        .out;
  };
  const std::string pixels = coverPixels(out_ / "covered.mp4");
  EXPECT_EQ(pixels.size(), 64u * 64 * 3);
  EXPECT_TRUE(pixels == coverPixels(covered));
}

// A sample rate the audio encoder cannot take is changed with a note, whether
// it was chosen or is the source's own.
TEST_F(VencorFidelity, AChangedSampleRateIsNoted) {
  const fs::path source = Make("rate96k.mkv", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-f", "lavfi", "-i",
                                               "sine=r=96000:d=1", "-c:v", "ffv1", "-c:a", "pcm_s16le"});
  struct Case {
    const char* rate;  // the encoder's -ar; "0k" is the source's
    const char* note;
  };
  for (const Case c : {Case{"0k", "the source's 96000 Hz; using 48000 Hz"}, Case{"96k", "96000 Hz; using 48000 Hz"}}) {
    SCOPED_TRACE(c.rate);
    EncodeArgs args = Args(source, std::string("rate") + c.rate + ".avi", "libxvid");
    args.audioCodec = "libmp3lame";
    args.sampleRate = c.rate;
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    EXPECT_TRUE(HasNoteWith(result, c.note)) << Joined(result.notes);
  }
}

// What an AVI cannot hold is said once each, beside the finished file.
TEST_F(VencorFidelity, WhatTheOutputCannotHoldIsNotedOnceEach) {
  const fs::path subtitles = sources_ / "notes.srt";
  WriteFile(subtitles, "1\n00:00:00,100 --> 00:00:00,900\nHello\n\n2\n00:00:00,900 --> 00:00:01,000\nAgain\n");
  const fs::path source = Make("notes.mov", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-f", "lavfi", "-i",
                                             "sine=r=48000:d=1", "-i", subtitles.string(), "-map", "0", "-map", "1",
                                             "-map", "2", "-vf", "format=rgba", "-c:v", "png", "-c:a", "aac", "-ac",
                                             "6", "-c:s", "mov_text", "-timecode", "01:00:00:00"});
  EncodeArgs args = Args(source, "notes.avi", "libxvid");
  args.audioCodec = "libmp3lame";
  const EncodeResult result = RunVencor(args.Vector());
  ASSERT_EQ(result.code, VENCOR_OK) << result.error;
  for (const char* part : {"subtitles", "mixed down to stereo", "timecode", "alpha"}) {
    int count = 0;
    for (const auto& note : result.notes) count += Contains(note, part);
    EXPECT_EQ(count, 1) << part << ": " << Joined(result.notes);
  }
  EXPECT_TRUE(LogContains("timecode"));
  // MP4 and MKV keep the timecode: a timecode track, a tag.
  for (const char* extension : {"mp4", "mkv"}) {
    const EncodeResult kept = RunVencor(Args(source, std::string("notes.") + extension).Vector());
    ASSERT_EQ(kept.code, VENCOR_OK) << kept.error;
    EXPECT_FALSE(HasNoteWith(kept, "timecode")) << Joined(kept.notes);
    const std::string tags = AllOf(Sections(out_ / (std::string("notes.") + extension), "stream_tags"));
    EXPECT_TRUE(Contains(tags, "=01:00:00:0")) << extension << ": " << tags;  // "timecode" or "TIMECODE"
  }
  // A plain source into MP4 keeps everything: no note.
  ClipSpec plain;
  plain.seconds = 0.5;
  const EncodeResult clean = RunVencor(Args(SampleClip(plain), "plain.mp4").Vector());
  ASSERT_EQ(clean.code, VENCOR_OK) << clean.error;
  EXPECT_TRUE(clean.notes.empty()) << Joined(clean.notes);
}

// A set display aspect shapes the output's pixels; without one the source's stays.
TEST_F(VencorFidelity, ASetDisplayAspectIsTheOutputsShape) {
  ClipSpec spec;
  spec.seconds = 0.4;
  spec.audio = false;
  const fs::path source = SampleClip(spec);  // 320x240, square pixels
  for (const auto& [aspect, expected] : std::vector<std::pair<std::string, std::string>>{
           {"16:9", "16:9"}, {"1.7777", "16:9"}, {"0", "4:3"}}) {
    std::vector<std::string> vector = Args(source, "aspect-" + aspect + ".mkv").Vector();
    vector.insert(vector.end() - 1, {"-aspect", aspect});
    const EncodeResult result = RunVencor(vector);
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    EXPECT_EQ(ProbeValue(out_ / ("aspect-" + aspect + ".mkv"),
                         {"-select_streams", "v:0", "-show_entries", "stream=display_aspect_ratio"}),
              expected)
        << aspect;
  }
}

// HDR stays HDR (10 bits and its tags) where the encoder codes 10 bits, and
// is tone-mapped to SDR, with a note, where it cannot.
TEST_F(VencorFidelity, HdrStaysHdrOrIsToneMappedWithANote) {
  const std::vector<std::string> clip = {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=0.5", "-pix_fmt", "yuv420p10le",
                                         "-color_primaries", "bt2020", "-colorspace", "bt2020nc", "-c:v", "libx265"};
  const auto made = [&](const std::string& name, const std::string& transfer, const std::string& params) {
    std::vector<std::string> arguments = clip;
    arguments.insert(arguments.end(), {"-color_trc", transfer, "-x265-params", "log-level=error" + params});
    return Make(name, arguments);
  };
  const fs::path pq = made("hdr10.mkv", "smpte2084", ":hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)"
                                                     "WP(15635,16450)L(10000000,50):max-cll=1000,400");
  const fs::path hlg = made("hlg.mkv", "arib-std-b67", "");
  struct Case {
    fs::path source;
    const char *extension, *videoCodec, *pixelFormat, *transfer, *primaries;
    bool toneMapped;
  };
  for (const Case& c : {Case{pq, "mp4", "libx264", "yuv420p10le", "smpte2084", "bt2020", false},
                        Case{hlg, "mkv", "libx264", "yuv420p10le", "arib-std-b67", "bt2020", false},
                        Case{pq, "vp8", "libvpx", "yuv420p", "bt709", "bt709", true},
                        Case{hlg, "avi", "libxvid", "yuv420p", "bt709", "bt709", true}}) {
    SCOPED_TRACE(c.source.filename().string() + " to " + c.extension + " " + c.videoCodec);
    EncodeArgs args = Args(c.source, c.source.stem().string() + "-" + c.videoCodec + "." + c.extension, c.videoCodec);
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const std::string stream = ProbeValue(args.output, {"-select_streams", "v:0", "-show_entries",
                                                        "stream=pix_fmt,color_transfer,color_primaries"});
    if (std::string(c.extension) != "avi") {  // AVI has no colour tags; its samples are what counts
      EXPECT_EQ(stream, std::string(c.pixelFormat) + "," + c.transfer + "," + c.primaries);
    }
    EXPECT_EQ(HasNoteWith(result, "tone-mapped"), c.toneMapped) << Joined(result.notes);
    // The tone-mapped picture is a plausible SDR one: the grey background of the test picture is not crushed.
    if (c.toneMapped) {
      const QImage frame = DecodeFrame(args.output, 1);
      ASSERT_FALSE(frame.isNull());
      EXPECT_GT(frame.pixelColor(frame.width() / 2, frame.height() / 2).value(), 8);
    }
  }
}

// The mastering display and content light levels of an HDR10 stream stay with it.
TEST_F(VencorFidelity, HdrMasteringDataIsKept) {
  const fs::path plain = Make("hdr10-plain.mkv", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=0.5", "-pix_fmt",
                                                  "yuv420p10le", "-color_primaries", "bt2020", "-colorspace", "bt2020nc",
                                                  "-color_trc", "smpte2084", "-c:v", "libx265", "-x265-params",
                                                  "log-level=error"});
  const fs::path source = sources_ / "hdr10-mastered.mkv";
  ASSERT_TRUE(RemuxWithHdrMetadata(plain, source));
  for (const char* extension : {"mkv", "mp4"}) {
    SCOPED_TRACE(extension);
    EncodeArgs args = Args(source, std::string("mastered.") + extension);
    const EncodeResult result = RunVencor(args.Vector());
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    const std::string sideData = AllOf(Sections(args.output, "stream_side_data"));
    EXPECT_TRUE(Contains(sideData, "Mastering display metadata")) << sideData;
    EXPECT_TRUE(Contains(sideData, "max_luminance=1000")) << sideData;  // 1000/1 or 10000000/10000
    EXPECT_TRUE(Contains(sideData, "max_content=1000") && Contains(sideData, "max_average=400")) << sideData;
  }
}

// A transport stream whose clock restarts or jumps an hour (recordings cut
// together) plays on as one piece, and so is written; elsewhere a gap a
// constant rate would fill with an hour of copies fails with a reason.
TEST_F(VencorFidelity, BrokenClocksAreMendedOrRefused) {
  const std::vector<std::string> clip = {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-c:v", "libx264", "-f", "mpegts"};
  const fs::path first = Make("first.ts", clip);
  std::vector<std::string> later = clip;
  later.insert(later.end() - 2, {"-output_ts_offset", "3600"});
  const fs::path hourLater = Make("hour-later.ts", later);
  const auto joined = [&](const std::string& name, const fs::path& second) {
    fs::path path = sources_ / name;
    WriteFile(path, ReadFile(first) + ReadFile(second));
    return path;
  };
  for (const fs::path& source : {joined("restart.ts", first), joined("jump.ts", hourLater)}) {
    for (const char* extension : {"mp4", "avi"}) {
      SCOPED_TRACE(source.filename().string() + " to " + extension);
      EncodeArgs args = Args(source, source.stem().string() + "." + extension,
                             std::string(extension) == "avi" ? "libxvid" : "libx264");
      const EncodeResult result = RunVencor(args.Vector());
      ASSERT_EQ(result.code, VENCOR_OK) << result.error;
      const std::vector<double> times = FrameTimes(args.output);
      ASSERT_EQ(times.size(), 20u);
      for (size_t i = 1; i < times.size(); ++i) EXPECT_NEAR(times[i] - times[i - 1], 0.1, 0.011) << "frame " << i;
    }
  }

  const fs::path gap = Make("gap.mkv", {"-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=1", "-vf",
                                        "setpts=PTS+gte(N\\,5)*3600/TB", "-fps_mode", "vfr", "-c:v", "libx264"});
  const EncodeResult refused = RunVencor(Args(gap, "gap.avi", "libxvid").Vector());
  EXPECT_EQ(refused.code, VENCOR_ERROR_INPUT);
  EXPECT_TRUE(Contains(refused.error, "jumps by 3600 s at 0.5 s")) << refused.error;
  EXPECT_FALSE(fs::exists(out_ / "gap.avi"));
}

// A hardware encoder asked for is tried with a real encode session; where it
// codes nothing (no device here) the software encoder of the same codec
// writes the file and a note names the hardware encoder and why it failed.
TEST_F(VencorFidelity, HardwareEncoderThatFailsFallsBackToSoftwareWithANote) {
  ClipSpec spec;
  spec.width = 160;
  spec.height = 120;
  spec.seconds = 0.5;
  spec.audio = false;
  const fs::path source = SampleClip(spec);
  struct Case {
    const char* hw;
    const char* videoCodec;
    const char* output;
    const char* codecName;           // as ffprobe names the output's video
    std::vector<const char*> tried;  // what the note names; none: no note
  };
  const Case cases[] = {
      {"qsv", "libvpx", "qsv.webm", "vp8", {"no hardware encoder codes vp8"}},  // no machine has one
      {"vaapi", "libx264", "vaapi.mp4", "h264", {"h264_vaapi: "}},
      {"nvenc", "libx265", "nvenc.mkv", "hevc", {"hevc_nvenc: "}},
      {"auto", "libx264", "auto.mp4", "h264", {"h264_vaapi: ", "h264_nvenc: ", "h264_qsv: "}},
      {"off", "libx264", "off.mp4", "h264", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hw);
    EncodeArgs args = Args(source, c.output, c.videoCodec);
    std::vector<std::string> vector = args.Vector();
    vector.insert(vector.end() - 1, {"-hw", c.hw});
    const EncodeResult result = RunVencor(vector);
    ASSERT_EQ(result.code, VENCOR_OK) << result.error;
    if (!c.tried.empty() && !HasNoteWith(result, "hardware encoder")) {
      GTEST_SKIP() << "a hardware encoder works on this machine";
    }
    EXPECT_EQ(ProbeValue(out_ / c.output, {"-select_streams", "v:0", "-show_entries", "stream=codec_name"}),
              c.codecName);
    EXPECT_EQ(HasNoteWith(result, "hardware encoder"), !c.tried.empty()) << Joined(result.notes);
    for (const char* part : c.tried) EXPECT_TRUE(HasNoteWith(result, part)) << Joined(result.notes);
    if (!c.tried.empty()) {
      EXPECT_TRUE(HasNoteWith(result, std::string("encoded by ") + c.videoCodec)) << Joined(result.notes);
    }
  }
}

}  // namespace
}  // namespace vidmora::test
