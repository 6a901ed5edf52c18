#include "app/processing/encoding_settings.h"
#include "app/processing/encoding_choices.h"
#include "app/processing/job_settings.h"
#include "tests/support/temp_env.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vidmora {
namespace {

TEST(EncodingSettings, FirstStartGivesMp4H264AacAndAutoEverywhere) {
  test::TempEnv env;
  QSettings profile(kProfileOrganization, kProfileApplication);
  const EncodingSettings settings = ReadEncodingSettings(profile);
  EXPECT_EQ(settings.container, Container::kMp4);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kH264);
  EXPECT_EQ(settings.audioCodec, AudioCodec::kAac);
  EXPECT_FALSE(settings.videoBitrateKbps || settings.frameRate || settings.sampleRateKhz || settings.audioBitrateKbps ||
               settings.volume);
  EXPECT_EQ(settings.aspect, "auto");
  EXPECT_FALSE(settings.disableAudio);
}

TEST(EncodingSettings, WriteThenReadKeepsEveryStoredValueUnderItsKey) {
  test::TempEnv env;
  EncodingSettings written;
  written.container = Container::kVp8;
  written.videoCodec = VideoCodec::kVp8;
  written.videoBitrateKbps = 2000;
  written.frameRate = 29.97;
  written.aspect = "16:9";
  written.audioCodec = AudioCodec::kVorbis;
  written.sampleRateKhz = 11.025;
  written.audioBitrateKbps = 128;
  written.volume = 0;
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, written);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadEncodingSettings(profile), written);

  // The keys of the profile group hold the texts they always held.
  profile.beginGroup("CodeSettings");
  EXPECT_EQ(profile.value("output_format").toInt(), 5);
  EXPECT_EQ(profile.value("video_bitrate").toString(), "2000");
  EXPECT_EQ(profile.value("video_framerate").toString(), "29.97");
  EXPECT_EQ(profile.value("audio_sample").toString(), "11.025");
  EXPECT_EQ(profile.value("audio_volume").toString(), "0");
  // the first nine, video_quality, video_speed, video_target_size, preset, video_hardware
  EXPECT_EQ(profile.allKeys().size(), 14);
  profile.endGroup();

  written.frameRate.reset();
  WriteEncodingSettings(profile, written);
  EXPECT_EQ(profile.value("CodeSettings/video_framerate").toString(), "auto");
}

TEST(EncodingSettings, StoredTextsAndIndicesAsOtherVersionsLeftThem) {
  struct Case {
    const char* key;
    QVariant stored;
    bool unreadable;
  };
  const Case cases[] = {
      {"video_bitrate", "AUTO", false}, {"video_framerate", "Auto", false}, {"video_framerate", "23.976", false},
      {"audio_sample", "44.1", false},  {"video_bitrate", "garbage", true}, {"audio_bitrate", "-5", true},
      {"video_bitrate", "12.5", true},  {"audio_volume", "", true},
  };
  test::TempEnv env;
  QSettings profile(kProfileOrganization, kProfileApplication);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.stored.toString().toStdString());
    const QString key = QString("CodeSettings/") + c.key;
    profile.clear();
    profile.setValue(key, c.stored);
    QStringList unreadable;
    const EncodingSettings settings = ReadEncodingSettings(profile, &unreadable);
    EXPECT_EQ(unreadable, c.unreadable ? QStringList{c.key} : QStringList{});
    WriteEncodingSettings(profile, settings);
    // A readable value is written back as it stood; an unreadable one as auto.
    EXPECT_EQ(profile.value(key).toString().toLower(), c.unreadable ? "auto" : c.stored.toString().toLower());
  }

  // Indices that name nothing: the encoder's choices for them.
  profile.clear();
  profile.setValue("CodeSettings/output_format", 9);
  profile.setValue("CodeSettings/video_codec", 0);
  profile.setValue("CodeSettings/audio_codec", 7);
  const EncodingSettings settings = ReadEncodingSettings(profile);
  EXPECT_EQ(settings.container, Container::kMp4);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kH264);
  EXPECT_EQ(settings.audioCodec, AudioCodec::kCopy);
}

// Numbers the encoder would refuse become auto, and the next run's warning
// names the value, the setting and the file.
// The quality and speed keys come after the first program's nine; a profile
// without them reads as auto and balanced, unreadable values too (named).
TEST(EncodingSettings, QualityAndSpeedAreLaterKeysReadAsAutoWhenMissingOrUnreadable) {
  test::TempEnv env;
  EncodingSettings written;
  written.quality = QualityChoice::kLevel;
  written.qualityLevel = 31;
  written.speed = SpeedChoice::kSmaller;
  written.targetSizeMb = 9.5;
  written.hardware = HardwareChoice::kNvenc;
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, written);
  }
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    EXPECT_EQ(ReadEncodingSettings(profile), written);
    profile.beginGroup(kEncodingSettingsGroup);
    const QStringList keys = profile.childKeys();
    EXPECT_EQ(profile.value("video_quality").toString(), "31");
    EXPECT_EQ(profile.value("video_speed").toString(), "smaller");
    EXPECT_EQ(profile.value("video_target_size").toString(), "9.5");
    EXPECT_EQ(profile.value("video_hardware").toString(), "nvenc");
    EXPECT_EQ(keys.size(), 14);
    profile.endGroup();
  }
  for (const auto& [quality, speed] : {std::pair{"52", "slow"}, {"best", "faster "}, {"HIGH", "Balanced"}}) {
    QSettings profile(kProfileOrganization, kProfileApplication);
    profile.setValue("CodeSettings/video_quality", quality);
    profile.setValue("CodeSettings/video_speed", speed);
    QStringList unreadable;
    const EncodingSettings read = ReadEncodingSettings(profile, &unreadable);
    SCOPED_TRACE(quality);
    if (std::string(quality) == "HIGH") {
      EXPECT_EQ(read.quality, QualityChoice::kHigh);
      EXPECT_EQ(read.speed, SpeedChoice::kBalanced);
      EXPECT_TRUE(unreadable.isEmpty());
    } else {
      EXPECT_EQ(read.quality, QualityChoice::kAuto);
      EXPECT_TRUE(unreadable.contains("video_quality"));
      EXPECT_EQ(read.speed == SpeedChoice::kFaster, std::string(speed) == "faster ");
    }
  }
  for (const char* hardware : {"cuda", "", "on"}) {
    QSettings profile(kProfileOrganization, kProfileApplication);
    profile.setValue("CodeSettings/video_hardware", hardware);
    QStringList unreadable;
    EXPECT_EQ(ReadEncodingSettings(profile, &unreadable).hardware, HardwareChoice::kOff) << hardware;
    EXPECT_TRUE(unreadable.contains("video_hardware")) << hardware;
  }
  for (const char* size : {"0", "big", "auto", "-3"}) {
    QSettings profile(kProfileOrganization, kProfileApplication);
    profile.setValue("CodeSettings/video_target_size", size);
    QStringList unreadable;
    EXPECT_FALSE(ReadEncodingSettings(profile, &unreadable).targetSizeMb) << size;
    EXPECT_TRUE(unreadable.contains("video_target_size")) << size;
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  profile.remove("CodeSettings/video_quality");
  profile.remove("CodeSettings/video_speed");
  profile.remove("CodeSettings/video_target_size");
  profile.remove("CodeSettings/video_hardware");
  QStringList unreadable;
  const EncodingSettings old = ReadEncodingSettings(profile, &unreadable);
  EXPECT_EQ(old.quality, QualityChoice::kAuto);
  EXPECT_EQ(old.speed, SpeedChoice::kBalanced);
  EXPECT_FALSE(old.targetSizeMb);
  EXPECT_EQ(old.hardware, HardwareChoice::kOff);
  EXPECT_TRUE(unreadable.isEmpty());
}

TEST(EncodingSettings, StoredNumbersAboveWhatTheEncoderTakesAreNamedAndTakenAsAuto) {
  struct Case {
    const char* key;
    const char* stored;
    bool tooLarge;
  };
  const Case cases[] = {
      {"audio_sample", "999999", true},   {"audio_sample", "768", false},      {"video_framerate", "5000", true},
      {"video_framerate", "1000", false}, {"video_bitrate", "20000000", true}, {"audio_bitrate", "320", false},
      {"audio_volume", "70000", true},    {"audio_volume", "65536", false},
  };
  test::TempEnv env;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
    {
      QSettings profile(kProfileOrganization, kProfileApplication);
      profile.clear();
      profile.setValue(QString("CodeSettings/") + c.key, c.stored);
    }
    const JobSettings settings = StoredJobSettings("Demo 1").Load();
    if (!c.tooLarge) {
      EXPECT_TRUE(settings.warnings.isEmpty()) << settings.warnings.join("\n").toStdString();
      continue;
    }
    ASSERT_EQ(settings.warnings.size(), 1);
    const QString& warning = settings.warnings[0];
    EXPECT_TRUE(warning.contains(QString("the value %1 of CodeSettings/%2").arg(c.stored, c.key)))
        << warning.toStdString();
    EXPECT_TRUE(warning.contains("Vidmora.conf")) << warning.toStdString();
    EXPECT_EQ(settings.encoding, [&] {
      QSettings profile(kProfileOrganization, kProfileApplication);
      profile.clear();
      EncodingSettings all = ReadEncodingSettings(profile);
      all.disableAudio = settings.encoding.disableAudio;
      return all;
    }()) << "not read as auto";
  }
}

TEST(EncodingChoices, OneEntryPerValueWithItsNames) {
  std::set<std::string> extensions;
  for (const ContainerInfo& c : Containers()) {
    EXPECT_EQ(&Info(c.container), &c);
    EXPECT_EQ(ContainerFromIndex(StoredIndex(c.container)), c.container);
    EXPECT_EQ(ContainerFromOptionName(QString(c.optionName).toUpper()), c.container);
    EXPECT_FALSE(c.videoCodecs.empty() || c.audioCodecs.empty()) << c.text;
    extensions.insert(c.extension);
  }
  EXPECT_EQ(extensions.size(), 7u);  // VP8 and WebM both write .webm
  EXPECT_STREQ(Info(Container::kMov).extension, ".mov");
  EXPECT_STREQ(Info(VideoCodec::kVp9).encoderName, "libvpx-vp9");
  EXPECT_STREQ(Info(Container::k3gp).extension, ".3gp");
  EXPECT_STREQ(Info(VideoCodec::kDivx).encoderName, "msmpeg4");
  EXPECT_STREQ(Info(VideoCodec::kH263).encoderName, "flv");
  EXPECT_STREQ(Info(AudioCodec::kAac).encoderName, "libvo_aacenc");
  EXPECT_STREQ(Info(AudioCodec::kCopy).encoderName, "copy");
  EXPECT_EQ(AudioCodecFromIndex(99), AudioCodec::kCopy);
  EXPECT_EQ(VideoCodecFromIndex(99), std::nullopt);
  EXPECT_EQ(VideoCodecFromOptionName("mpeg2"), std::nullopt);
}

TEST(EncodingChoices, ChangingTheContainerMakesTheStoredCodecsFit) {
  EncodingSettings settings;             // MP4, H264, AAC
  settings.container = Container::kAvi;  // AVI offers Xvid, Divx and MP3 only
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kXvid);
  EXPECT_EQ(settings.audioCodec, AudioCodec::kMp3);

  settings.videoCodec = VideoCodec::kDivx;  // offered by AVI and stays
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kDivx);

  settings.container = Container::kVp8;
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kVp8);
  EXPECT_EQ(settings.audioCodec, AudioCodec::kVorbis);

  EXPECT_TRUE(Offers(Info(Container::k3gp), AudioCodec::kCopy));
  EXPECT_FALSE(Offers(Info(Container::k3gp), AudioCodec::kMp3));

  // Copy is a choice of its own now and survives a change of container.
  settings.audioCodec = AudioCodec::kCopy;
  settings.container = Container::kWebm;
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kVp8);  // WebM holds VP8 too
  settings.videoCodec = VideoCodec::kH264;
  FitCodecsToContainer(settings);
  EXPECT_EQ(settings.videoCodec, VideoCodec::kVp9);
  EXPECT_EQ(settings.audioCodec, AudioCodec::kCopy);
}

// Every pair the table refuses names the container, the codec, the reason and
// what the container holds; offered pairs give no reason.
TEST(EncodingChoices, ARefusedPairSaysWhyAndWhatTheContainerHolds) {
  int refused = 0;
  for (const ContainerInfo& c : Containers()) {
    for (const VideoCodecInfo& v : VideoCodecs()) {
      const QString reason = RefusalReason(c, v.codec);
      EXPECT_EQ(reason.isEmpty(), Offers(c, v.codec)) << c.text << "/" << v.text;
      if (reason.isEmpty()) continue;
      ++refused;
      EXPECT_TRUE(reason.startsWith(QString("%1 does not hold %2 video: ").arg(c.text, v.text)))
          << reason.toStdString();
      EXPECT_TRUE(reason.contains(c.limits)) << reason.toStdString();
      EXPECT_TRUE(reason.contains(Info(c.videoCodecs.front()).text)) << reason.toStdString();
    }
    for (const AudioCodecInfo& a : AudioCodecs()) {
      const QString reason = RefusalReason(c, a.codec);
      EXPECT_EQ(reason.isEmpty(), Offers(c, a.codec)) << c.text << "/" << a.text;
      if (!reason.isEmpty()) {
        EXPECT_TRUE(reason.contains(QString("%1 audio").arg(a.text))) << reason.toStdString();
      }
    }
  }
  EXPECT_GT(refused, 20);
  EXPECT_EQ(RefusalReason(Info(Container::kMov), VideoCodec::kAv1),
            "MOV does not hold AV1 video: this FFmpeg writes AV1, VP9, Opus and FLAC into MP4 and MKV files, not "
            "MOV. It holds H264, HEVC, Xvid.");
  EXPECT_TRUE(RefusalReason(Info(Container::kWebm), AudioCodec::kCopy).isEmpty());
}

// A profile of this version read by the first program's rules: the new
// values are new indices, so an older program takes its defaults for them
// (MP4, H264, copy) and reads every other key as before.
TEST(EncodingChoices, NewChoicesAreNewIndicesAfterTheFirstProgramsOnes) {
  EXPECT_EQ(StoredIndex(Container::kM4v), 6);
  EXPECT_GT(StoredIndex(Container::kMov), 6);
  EXPECT_GT(StoredIndex(Container::kWebm), 6);
  for (const VideoCodec v : {VideoCodec::kHevc, VideoCodec::kAv1, VideoCodec::kVp9}) EXPECT_GT(StoredIndex(v), 5);
  for (const AudioCodec a : {AudioCodec::kOpus, AudioCodec::kFlac}) EXPECT_GT(StoredIndex(a), 3);
  test::TempEnv env;
  EncodingSettings written;
  written.container = Container::kWebm;
  written.videoCodec = VideoCodec::kAv1;
  written.audioCodec = AudioCodec::kOpus;
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, written);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadEncodingSettings(profile), written);
}

TEST(EncodingChoices, EveryValueListStartsWithAuto) {
  for (const QStringList& list : {FrameRateChoices(), VideoBitrateChoices(), AspectChoices(), SampleRateChoices(),
                                  AudioBitrateChoices(), VolumeChoices()})
    EXPECT_EQ(list.value(0), "Auto");
}

}  // namespace
}  // namespace vidmora
