#include "app/processing/encoding_choices.h"
#include "app/processing/encoding_settings.h"
#include "tests/support/temp_env.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace vidmora {
namespace {

TEST(EncodingSettings, FirstStartGivesMp4H264AacAndAutoEverywhere) {
  test::TempEnv env;
  QSettings profile(kProfileOrganization, kProfileApplication);
  const EncodingSettings settings = ReadEncodingSettings(profile);
  EXPECT_EQ(settings.outputFormat, 1);
  EXPECT_EQ(VideoEncoderName(settings.videoCodec), "libx264");
  EXPECT_EQ(AudioEncoderName(settings.audioCodec), "libvo_aacenc");
  for (const QString& value : {settings.videoBitrate, settings.frameRate, settings.aspect, settings.audioSampleRate,
                               settings.audioBitrate, settings.audioVolume})
    EXPECT_EQ(value, "auto");
  EXPECT_FALSE(settings.disableAudio);
}

TEST(EncodingSettings, WriteThenReadKeepsEveryStoredValueUnderItsKey) {
  test::TempEnv env;
  EncodingSettings written;
  written.outputFormat = 5;
  written.videoCodec = 5;
  written.videoBitrate = "2000";
  written.frameRate = "29.97";
  written.aspect = "16:9";
  written.audioCodec = 3;
  written.audioSampleRate = "44.1";
  written.audioBitrate = "128";
  written.audioVolume = "0";
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, written);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadEncodingSettings(profile), written);

  // The keys of the profile group, as other tools may read them.
  profile.beginGroup("CodeSettings");
  EXPECT_EQ(profile.value("output_format").toInt(), 5);
  EXPECT_EQ(profile.value("video_framerate").toString(), "29.97");
  EXPECT_EQ(profile.value("audio_sample").toString(), "44.1");
  EXPECT_EQ(profile.value("audio_volume").toString(), "0");
  EXPECT_EQ(profile.allKeys().size(), 9);
}

TEST(EncodingSettings, NamesAndExtensionsOfEveryIndex) {
  struct Case {
    int index;
    const char* video;
    const char* audio;
    const char* extension;
  };
  const Case cases[] = {
      {1, "libx264", "libvo_aacenc", ".mp4"}, {2, "libxvid", "libmp3lame", ".avi"}, {3, "msmpeg4", "libvorbis", ".mkv"},
      {4, "flv", "copy", ".3gp"},             {5, "libvpx", "copy", ".vp8"},        {6, "libx264", "copy", ".m4v"},
      {0, "libx264", "copy", ".mp4"},         {99, "libx264", "copy", ".mp4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(VideoEncoderName(c.index), c.video);
    EXPECT_EQ(AudioEncoderName(c.index), c.audio);
    EXPECT_EQ(OutputExtension(c.index), c.extension);
  }
}

TEST(EncodingSettings, AutoIsRecognisedInAnyCase) {
  for (const char* text : {"auto", "AUTO", "Auto", "aUtO"}) EXPECT_TRUE(IsAuto(text)) << text;
  for (const char* text : {"", "0", "autox", "800"}) EXPECT_FALSE(IsAuto(text)) << text;
}

TEST(EncodingChoices, ChangingTheContainerMakesTheStoredCodecsFit) {
  EncodingSettings settings;  // MP4, H264, AAC
  settings.outputFormat = 2;  // AVI offers Xvid, Divx and MP3 only
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, 2);
  EXPECT_EQ(settings.audioCodec, 2);

  settings.videoCodec = 3;  // Divx is offered by AVI and stays
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, 3);

  settings.outputFormat = 5;
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, 5);
  EXPECT_EQ(settings.audioCodec, 3);
}

TEST(EncodingChoices, EveryValueListStartsWithAuto) {
  for (const QStringList& list : {FrameRateChoices(), VideoBitrateChoices(), AspectChoices(), SampleRateChoices(),
                                  AudioBitrateChoices(), VolumeChoices()})
    EXPECT_EQ(list.value(0), "Auto");
  EXPECT_EQ(Containers().size(), 6u);
}

}  // namespace
}  // namespace vidmora
