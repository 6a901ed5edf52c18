#include "app/processing/encoder_arguments.h"

#include <gtest/gtest.h>

namespace vidmora {
namespace {

using Arguments = std::vector<std::string>;

// Auto rates are sent as 0: the encoder keeps the source's frame times and
// each track's rate, and chooses the bit rates.
TEST(EncoderArguments, AutoRatesAreLeftToTheEncoder) {
  const Arguments expected = {"ffmpeg", "-i",   "/v/clip.avi", "-vcodec", "libx264",      "-b:v",
                              "0k",     "-r",   "0",           "-acodec", "libvo_aacenc", "-ar",
                              "0k",     "-b:a", "0k",          "-vol",    "256",          "/v/clip_new.mp4"};
  EXPECT_EQ(BuildEncoderArguments("/v/clip.avi", "/v/clip_new.mp4", EncodingSettings{}), expected);
}

TEST(EncoderArguments, SetValuesAreSentAsTheSettingsHoldThem) {
  EncodingSettings settings;
  settings.sampleRateKhz = 48;
  settings.frameRate = 29.97;
  settings.audioBitrateKbps = 192;
  settings.volume = 0;
  settings.videoCodec = VideoCodec::kXvid;
  settings.audioCodec = AudioCodec::kMp3;
  const Arguments args = BuildEncoderArguments("/a.mp4", "/b.avi", settings);
  const Arguments expected = {"ffmpeg",  "-i",         "/a.mp4", "-vcodec", "libxvid", "-b:v", "0k",   "-r", "29.97",
                              "-acodec", "libmp3lame", "-ar",    "48k",     "-b:a",    "192k", "-vol", "0",  "/b.avi"};
  EXPECT_EQ(args, expected);
}

TEST(EncoderArguments, EverySlotIsFilledForCopyAndLongPathsAreKeptWhole) {
  EncodingSettings settings;
  settings.audioCodec = AudioCodec::kCopy;
  const std::string longName = "/v/" + std::string(400, 'x') + "é.mov";
  const Arguments args = BuildEncoderArguments(QString::fromStdString(longName), "/o.mp4", settings);
  ASSERT_EQ(args.size(), 18u);
  EXPECT_EQ(args[2], longName);
  EXPECT_EQ(args[10], "copy");
}

TEST(EncoderArguments, ASetAspectGoesBeforeTheOutputAndAnUnreadableOneCountsAsAuto) {
  for (const auto& [stored, expected] :
       std::vector<std::pair<QString, Arguments>>{{"16:9", {"-aspect", "16:9", "/b.mp4"}},
                                                  {"1.7777", {"-aspect", "1.7777", "/b.mp4"}},
                                                  {"AUTO", {"/b.mp4"}},
                                                  {"wide", {"/b.mp4"}}}) {
    EncodingSettings settings;
    settings.aspect = stored;
    const Arguments args = BuildEncoderArguments("/a.mp4", "/b.mp4", settings);
    EXPECT_EQ(Arguments(args.begin() + 17, args.end()), expected) << stored.toStdString();
  }
}

TEST(EncoderArguments, DisabledAudioAsksForNoAudioBeforeTheOutput) {
  EncodingSettings settings;
  settings.disableAudio = true;
  const Arguments args = BuildEncoderArguments("/a.mp4", "/b.mp4", settings);
  ASSERT_EQ(args.size(), 19u);
  EXPECT_EQ(args[17], "-an");
  EXPECT_EQ(args[18], "/b.mp4");
}

}  // namespace
}  // namespace vidmora
