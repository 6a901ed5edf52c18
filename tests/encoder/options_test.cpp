#include "encoder/options.h"
#include "encoder/output_format.h"
#include "encoder/video_quality.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vencor {
namespace {

std::optional<TranscodeOptions> Parse(std::vector<std::string> arguments, std::string& error) {
  arguments.insert(arguments.begin(), "ffmpeg.exe");
  std::vector<const char*> argv;
  argv.reserve(arguments.size());
  for (const auto& a : arguments) argv.push_back(a.c_str());
  return ParseArguments(static_cast<int>(argv.size()), argv.data(), error);
}

TEST(VencorArguments, ReadsTheApplicationsVector) {
  std::string error;
  const auto options = Parse({"-i", "/v/a b.avi", "-vcodec", "libxvid", "-b:v", "1500k", "-r", "29.97", "-acodec",
                              "libmp3lame", "-ar", "44.1k", "-b:a", "128k", "-vol", "128", "/out/a b.mp4"},
                             error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->sourcePath, "/v/a b.avi");
  EXPECT_EQ(options->outputPath, "/out/a b.mp4");
  EXPECT_EQ(options->videoCodec, "libxvid");
  EXPECT_EQ(options->audioCodec, "libmp3lame");
  EXPECT_EQ(options->videoBitRate, 1500000);
  EXPECT_EQ(options->frameRate.num, 30000);
  EXPECT_EQ(options->frameRate.den, 1001);
  EXPECT_EQ(options->sampleRate, 44100);
  EXPECT_EQ(options->audioBitRate, 128000);
  EXPECT_EQ(options->volume, 128);
  EXPECT_FALSE(options->noAudio);
}

struct ValueCase {
  std::vector<std::string> arguments;
  int64_t videoBitRate, audioBitRate;
  int sampleRate, rateNum, rateDen, volume;
  bool noAudio;
};

TEST(VencorArguments, ValuesAndSuffixes) {
  const std::vector<ValueCase> cases = {
      // "0" in every form means "not set".
      {{"-b:v", "0k", "-b:a", "0k", "-ar", "0k", "-r", "0"}, 0, 0, 0, 0, 1, 256, false},
      {{"-b:v", "0", "-ar", "0", "-r", "0/1"}, 0, 0, 0, 0, 1, 256, false},
      {{"-ar", "22.05k", "-b:v", "1.5M", "-b:a", "96000"}, 1500000, 96000, 22050, 0, 1, 256, false},
      {{"-ar", "11.025k", "-r", "23.976"}, 0, 0, 11025, 24000, 1001, 256, false},
      {{"-ar", "48000", "-r", "25", "-vol", "0", "-an"}, 0, 0, 48000, 25, 1, 0, true},
      {{"-r", "12.5", "-vol", "280"}, 0, 0, 0, 25, 2, 280, false},
      {{"-r", "30000/1001"}, 0, 0, 0, 30000, 1001, 256, false},
      {{"-b:v", "800k", "-b:v", "1000k"}, 1000000, 0, 0, 0, 1, 256, false},  // the later one wins
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"-i", "in.mp4"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.push_back("out.mp4");
    std::string error;
    const auto options = Parse(arguments, error);
    ASSERT_TRUE(options) << c.arguments[1] << ": " << error;
    EXPECT_EQ(options->videoBitRate, c.videoBitRate) << c.arguments[1];
    EXPECT_EQ(options->audioBitRate, c.audioBitRate) << c.arguments[1];
    EXPECT_EQ(options->sampleRate, c.sampleRate) << c.arguments[1];
    EXPECT_EQ(options->frameRate.num, c.rateNum) << c.arguments[1];
    EXPECT_EQ(options->frameRate.den, c.rateDen) << c.arguments[1];
    EXPECT_EQ(options->volume, c.volume) << c.arguments[1];
    EXPECT_EQ(options->noAudio, c.noAudio) << c.arguments[1];
  }
}

TEST(VencorArguments, AspectIsAWidthToHeightOrANumber) {
  for (const auto& [text, aspect] : std::vector<std::pair<std::string, double>>{
           {"16:9", 16.0 / 9}, {"4:3", 4.0 / 3}, {"1.7777", 1.7777}, {"0", 0}}) {
    std::string error;
    const auto options = Parse({"-i", "a.mp4", "-aspect", text, "out.mp4"}, error);
    ASSERT_TRUE(options) << text << ": " << error;
    EXPECT_DOUBLE_EQ(options->displayAspect, aspect) << text;
  }
}

TEST(VencorArguments, ContainerTagsAndThreads) {
  std::string error;
  const auto options = Parse({"-i", "a.mp4", "-metadata", "comment=a=b; c", "-metadata", "title=x", "-metadata",
                              "comment=last", "-metadata", "empty=", "-threads", "3", "out.mp4"},
                             error);
  ASSERT_TRUE(options) << error;
  using Tags = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(options->metadata, (Tags{{"title", "x"}, {"comment", "last"}, {"empty", ""}}));
  EXPECT_EQ(options->threads, 3);
}

TEST(VencorArguments, QualityAndSpeed) {
  std::string error;
  auto options = Parse({"-i", "a.mp4", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->quality, kStandardQuality);
  EXPECT_FALSE(options->qualitySet || options->qualityLikeSource);
  EXPECT_EQ(options->speed, EncodeSpeed::kBalanced);
  options = Parse({"-i", "a.mp4", "-quality", "like-source", "-speed", "smaller", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->qualityLikeSource && options->qualitySet);
  EXPECT_EQ(options->speed, EncodeSpeed::kSmaller);
  options = Parse({"-i", "a.mp4", "-quality", "like-source", "-quality", "0", "-speed", "faster", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_FALSE(options->qualityLikeSource);  // the later one wins
  EXPECT_EQ(options->quality, 0);
  EXPECT_EQ(options->speed, EncodeSpeed::kFaster);
  EXPECT_EQ(options->targetSize, 0);
  options = Parse({"-i", "a.mp4", "-target-size", "25M", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->targetSize, 25000000);
  EXPECT_EQ(options->pass, 0);  // the passes are the encode's own business
}

TEST(VencorArguments, HardwareChoice) {
  std::string error;
  auto options = Parse({"-i", "a.mp4", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->hardware, HardwareChoice::kOff);
  const std::pair<const char*, HardwareChoice> kWords[] = {{"auto", HardwareChoice::kAuto},
                                                           {"vaapi", HardwareChoice::kVaapi},
                                                           {"nvenc", HardwareChoice::kNvenc},
                                                           {"qsv", HardwareChoice::kQsv},
                                                           {"off", HardwareChoice::kOff}};
  for (const auto& [word, choice] : kWords) {
    options = Parse({"-i", "a.mp4", "-hw", "qsv", "-hw", word, "out.mp4"}, error);  // the later one wins
    ASSERT_TRUE(options) << word << ": " << error;
    EXPECT_EQ(options->hardware, choice) << word;
  }
}

TEST(VencorArguments, OutputSize) {
  std::string error;
  auto options = Parse({"-i", "a.mp4", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->width, 0);
  EXPECT_EQ(options->height, 0);
  EXPECT_FALSE(options->enlarge);
  options = Parse({"-i", "a.mp4", "-width", "1280", "-height", "16384", "-enlarge", "out.mp4"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->width, 1280);
  EXPECT_EQ(options->height, 16384);
  EXPECT_TRUE(options->enlarge);
  for (const char* refused : {"16385", "-2", "1.5", "1k", ""}) {
    const bool read = Parse({"-i", "a.mp4", "-width", refused, "out.mp4"}, error).has_value();
    EXPECT_FALSE(read) << refused;
    EXPECT_NE(error.find("for -width"), std::string::npos) << error;
  }
}

// Sizing keeps the shape: a width alone, a height alone, or the box's
// narrower side decides; sides are even; a smaller picture keeps its size
// unless enlarged; no size or no picture gives nothing.
TEST(VencorOutputFormat, ScaledOutputSizeKeepsTheShapeWithEvenSides) {
  struct Case {
    double aspect;
    int shownHeight, width, height;
    bool enlarge;
    std::optional<std::pair<int, int>> expected;
  };
  const double wide = 16.0 / 9;
  const std::vector<Case> cases = {
      {wide, 1080, 1280, 0, false, {{1280, 720}}},
      {wide, 1080, 0, 480, false, {{852, 480}}},       // 853.3 rounds to 853, made even
      {wide, 1080, 1000, 1000, false, {{1000, 562}}},  // the width is the narrower side
      {wide, 1080, 4000, 400, false, {{710, 400}}},    // the height is
      {wide, 1080, 1921, 0, false, {}},                // larger than the source
      {wide, 1080, 1921, 0, true, {{1920, 1080}}},
      {wide, 1080, 3840, 0, true, {{3840, 2160}}},
      {wide, 1080, 16384, 0, true, {{16384, 9216}}},
      {1.0 / 10, 1080, 0, 16384, true, {{1638, 16384}}},
      {10, 1080, 0, 16384, true, {{16384, 1638}}},  // brought within the largest side
      {wide, 1080, 1, 0, false, {{2, 2}}},
      {wide, 1080, 0, 0, false, {}},
      {0, 1080, 640, 0, false, {}},
      {wide, 0, 640, 0, true, {}},
  };
  for (const Case& c : cases) {
    const auto size = ScaledOutputSize(c.aspect, c.shownHeight, c.width, c.height, c.enlarge);
    const std::string name = std::to_string(c.aspect) + " " + std::to_string(c.width) + "x" + std::to_string(c.height);
    ASSERT_EQ(size.has_value(), c.expected.has_value()) << name;
    if (size) {
      EXPECT_EQ(std::make_pair(size->width, size->height), *c.expected) << name;
    }
  }
}

TEST(VencorArguments, RefusesBadVectorsWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-i", "a.mp4", "-crf", "20", "out.mp4"}, "unknown option -crf"},
      {{"-i", "a.mp4", "-vol"}, "missing value after -vol"},
      {{"-i", "a.mp4", "out.mp4", "-an"}, "unexpected argument 'out.mp4'"},
      {{"-i"}, "missing value after -i"},
      {{"-i", "a.mp4", "-b:v", "12x", "out.mp4"}, "malformed value '12x' for -b:v"},
      {{"-i", "a.mp4", "-b:v", "-5k", "out.mp4"}, "malformed value '-5k' for -b:v"},
      {{"-i", "a.mp4", "-b:v", "k", "out.mp4"}, "malformed value 'k' for -b:v"},
      {{"-i", "a.mp4", "-ar", "44.1kk", "out.mp4"}, "malformed value '44.1kk' for -ar"},
      {{"-i", "a.mp4", "-ar", " 44100", "out.mp4"}, "malformed value ' 44100' for -ar"},
      {{"-i", "a.mp4", "-ar", "1e5", "out.mp4"}, "malformed value '1e5' for -ar"},
      {{"-i", "a.mp4", "-ar", "inf", "out.mp4"}, "malformed value 'inf' for -ar"},
      {{"-i", "a.mp4", "-r", "25k", "out.mp4"}, "malformed value '25k' for -r"},
      {{"-i", "a.mp4", "-r", "1/0", "out.mp4"}, "malformed value '1/0' for -r"},
      {{"-i", "a.mp4", "-vol", "1.5", "out.mp4"}, "malformed value '1.5' for -vol"},
      {{"-i", "a.mp4", "-smart", "1:x", "out.mp4"}, "malformed value '1:x' for -smart"},
      {{"-i", "a.mp4", "-aspect", "16:0", "out.mp4"}, "malformed value '16:0' for -aspect"},
      {{"-i", "a.mp4", "-aspect", "wide", "out.mp4"}, "malformed value 'wide' for -aspect"},
      {{"-i", "a.mp4", "-aspect", "50", "out.mp4"}, "malformed value '50' for -aspect"},
      {{"-i", "a.mp4", "-vol", "-1", "out.mp4"}, "malformed value '-1' for -vol"},
      {{"-i", "a.mp4", "-vcodec", "", "out.mp4"}, "malformed value '' for -vcodec"},
      {{"-i", "a.mp4", "stray", "out.mp4"}, "unexpected argument 'stray'"},
      {{"-i", "a.mp4", "-metadata", "novalue", "out.mp4"}, "malformed value 'novalue' for -metadata"},
      {{"-i", "a.mp4", "-metadata", "=x", "out.mp4"}, "malformed value '=x' for -metadata"},
      {{"-i", "a.mp4", "-threads", "-2", "out.mp4"}, "malformed value '-2' for -threads"},
      {{"-i", "a.mp4", "-quality", "52", "out.mp4"}, "malformed value '52' for -quality"},
      {{"-i", "a.mp4", "-quality", "high", "out.mp4"}, "malformed value 'high' for -quality"},
      {{"-i", "a.mp4", "-speed", "fast", "out.mp4"}, "malformed value 'fast' for -speed"},
      {{"-i", "a.mp4", "-hw", "cuda", "out.mp4"}, "malformed value 'cuda' for -hw"},
      {{"-i", "a.mp4", "-target-size", "-1M", "out.mp4"}, "malformed value '-1M' for -target-size"},
      {{"-i", "a.mp4"}, "no output path given"},
      {{"-vcodec", "libx264", "out.mp4"}, "no source given"},
  };
  for (const auto& [arguments, reason] : cases) {
    std::string error;
    EXPECT_FALSE(Parse(arguments, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << "got: " << error;
  }
}

TEST(VencorOutputFormat, MuxerByExtension) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/a/b.mp4", "mp4"},  {"/a/b.M4V", "mp4"}, {"/a/b.avi", "avi"}, {"/a/b.mkv", "matroska"}, {"/a/b.3gp", "3gp"},
      {"/a/b.vp8", "webm"}, {"/a.b/c", ""},      {"/a/b.mov", "mov"}, {"/a/b.webm", "webm"},    {"/a/b.mpg", ""},
  };
  for (const auto& [path, muxer] : cases) {
    const AVOutputFormat* format = MuxerForPath(path);
    EXPECT_EQ(format ? format->name : "", muxer) << path;
  }
}

TEST(VencorOutputFormat, H263SizeNearestInAreaAndFitKeepsAspect) {
  const std::vector<std::pair<PictureSize, PictureSize>> sizes = {
      {{320, 240}, {352, 288}}, {{641, 359}, {704, 576}}, {{1920, 1080}, {1408, 1152}},
      {{160, 120}, {176, 144}}, {{16, 16}, {128, 96}},    {{4000, 3000}, {1408, 1152}},
  };
  for (const auto& [source, expected] : sizes) {
    const PictureSize chosen = NearestH263Size(source.width, source.height);
    EXPECT_EQ(chosen.width, expected.width) << source.width << "x" << source.height;
    EXPECT_EQ(chosen.height, expected.height) << source.width << "x" << source.height;
  }
  const PictureSize wide = FitInside(16.0 / 9, {352, 288});
  EXPECT_EQ(wide.width, 352);
  EXPECT_EQ(wide.height, 198);
  const PictureSize tall = FitInside(9.0 / 16, {352, 288});
  EXPECT_EQ(tall.width, 162);
  EXPECT_EQ(tall.height, 288);
}

TEST(VencorOutputFormat, SorensonH263BecomesPlainH263Where3gpCannotHoldIt) {
  const AVOutputFormat* threeGp = MuxerForPath("x.3gp");
  const AVCodec* codec = FindVideoEncoder("flv", threeGp);
  ASSERT_NE(codec, nullptr);
  EXPECT_EQ(codec->id, AV_CODEC_ID_H263);
  const AVCodec* aac = FindAudioEncoder("libvo_aacenc");
  ASSERT_NE(aac, nullptr);
  EXPECT_EQ(aac->id, AV_CODEC_ID_AAC);
  EXPECT_EQ(FindVideoEncoder("nonesuch", threeGp), nullptr);
}

// The one level scale reaches each encoder on its own scale: the standard
// level is what every encoder was given before levels existed, finer levels
// give finer settings, and every value stays within the encoder's range.
TEST(VencorVideoQuality, EachEncoderGetsTheLevelOnItsOwnScale) {
  struct Case {
    const char* encoder;
    const char* option;
    int standard;
    int lowest, highest;
  };
  for (const Case& c :
       {Case{"libx264", "crf", 23, 0, 51}, Case{"libx265", "crf", 28, 0, 51}, Case{"libsvtav1", "crf", 34, 1, 63},
        Case{"libvpx-vp9", "crf", 33, 0, 63}, Case{"libvpx", "crf", 10, 4, 63}, Case{"mpeg4", "qscale", 3, 2, 31},
        Case{"msmpeg4", "qscale", 3, 2, 31}, Case{"h264_vaapi", "qp", 23, 1, 51}, Case{"hevc_nvenc", "cq", 23, 1, 51},
        Case{"h264_qsv", "global_quality", 23, 1, 51}}) {
    SCOPED_TRACE(c.encoder);
    const AVCodec* codec = avcodec_find_encoder_by_name(c.encoder);
    ASSERT_NE(codec, nullptr);
    EXPECT_STREQ(QualityFor(*codec, kStandardQuality).option, c.option);
    EXPECT_EQ(QualityFor(*codec, kStandardQuality).value, c.standard);
    EXPECT_LT(QualityFor(*codec, kHighQuality).value, c.standard);
    EXPECT_GT(QualityFor(*codec, kSmallQuality).value, c.standard);
    for (const int level : {kFinestQuality - 5, kFinestQuality, kCoarsestQuality, kCoarsestQuality + 9}) {
      EXPECT_GE(QualityFor(*codec, level).value, c.lowest) << level;
      EXPECT_LE(QualityFor(*codec, level).value, c.highest) << level;
    }
  }
  // Speed presets: faster and smaller differ from the default where the encoder has presets.
  const AVCodec* x265 = avcodec_find_encoder_by_name("libx265");
  EXPECT_EQ(SpeedFor(*x265, EncodeSpeed::kFaster).value, "veryfast");
  EXPECT_EQ(SpeedFor(*x265, EncodeSpeed::kSmaller).value, "slow");
  EXPECT_STREQ(SpeedFor(*avcodec_find_encoder_by_name("mpeg4"), EncodeSpeed::kFaster).option, "");
  EXPECT_EQ(SpeedFor(*avcodec_find_encoder_by_name("h264_nvenc"), EncodeSpeed::kFaster).value, "p2");
  EXPECT_EQ(SpeedFor(*avcodec_find_encoder_by_name("hevc_qsv"), EncodeSpeed::kSmaller).value, "veryslow");
}

TEST(VencorVideoQuality, LikeTheSourceFollowsItsBitsPerPixelAndCodec) {
  // H.264 at 0.1 bit per pixel is the standard level; twice the bits six levels finer.
  EXPECT_EQ(LevelLikeSource(AV_CODEC_ID_H264, 0.1), kStandardQuality);
  EXPECT_EQ(LevelLikeSource(AV_CODEC_ID_H264, 0.2), kStandardQuality - 6);
  // The same bits in HEVC or AV1 carry more: a finer level keeps them.
  EXPECT_LT(LevelLikeSource(AV_CODEC_ID_HEVC, 0.1), kStandardQuality);
  EXPECT_LT(LevelLikeSource(AV_CODEC_ID_AV1, 0.1), LevelLikeSource(AV_CODEC_ID_HEVC, 0.1));
  EXPECT_GT(LevelLikeSource(AV_CODEC_ID_MPEG4, 0.1), kStandardQuality);
  // A few kbit/s of a still picture or a camera's 100 Mbit/s stay within reason.
  EXPECT_EQ(LevelLikeSource(AV_CODEC_ID_H264, 0.0001), kSmallQuality + 2);
  EXPECT_EQ(LevelLikeSource(AV_CODEC_ID_H264, 50), kHighQuality - 1);
  EXPECT_EQ(LevelLikeSource(AV_CODEC_ID_H264, 0), kStandardQuality);  // rate unknown

  EXPECT_STREQ(SameFamilyEncoder(AV_CODEC_ID_HEVC), "libx265");
  EXPECT_STREQ(SameFamilyEncoder(AV_CODEC_ID_AV1), "libsvtav1");
  EXPECT_STREQ(SameFamilyEncoder(AV_CODEC_ID_H264), "libx264");
  EXPECT_STREQ(SameFamilyEncoder(AV_CODEC_ID_VP8), "libx264");
}

}  // namespace
}  // namespace vencor
