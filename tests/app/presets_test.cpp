// Presets: the built-in ones, the user's in the profile, and a preset chosen
// in the stored settings as the engine reads them for each file.

#include "app/processing/presets.h"
#include "app/processing/encoding_settings.h"
#include "app/processing/job_settings.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/resizing_settings.h"
#include "tests/support/temp_env.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace vidmora {
namespace {

TEST(Presets, TheBuiltInOnesAreOfferedPairsAndSetTheirQualityInPlaceOfRates) {
  QStringList names;
  for (const Preset& preset : BuiltInPresets()) {
    SCOPED_TRACE(preset.name.toStdString());
    names << preset.name;
    EXPECT_TRUE(Offers(Info(preset.container), preset.videoCodec));
    EXPECT_TRUE(Offers(Info(preset.container), preset.audioCodec));
    EncodingSettings settings;
    settings.videoBitrateKbps = 2000;
    settings.targetSizeMb = 25;
    settings.frameRate = 25;
    EXPECT_FALSE(HoldsPreset(settings, preset));
    ApplyPreset(preset, settings);
    EXPECT_TRUE(HoldsPreset(settings, preset));
    EXPECT_FALSE(settings.videoBitrateKbps || settings.targetSizeMb);
    EXPECT_EQ(settings.frameRate, 25);  // not a preset's
    EXPECT_EQ(settings.preset, preset.name);
  }
  EXPECT_EQ(names, (QStringList{"Web H.264 1080p", "Small HEVC", "WebM AV1", "Archive: same as source"}));
  const Preset web = *FindPreset(BuiltInPresets(), " web h.264 1080P");
  EXPECT_EQ(web.width, 1920);
  EXPECT_EQ(web.height, 1080);
  const Preset archive = *FindPreset(BuiltInPresets(), "Archive: same as source");
  EXPECT_EQ(archive.videoCodec, VideoCodec::kSame);
  EXPECT_EQ(archive.audioCodec, AudioCodec::kCopy);
  EXPECT_EQ(archive.quality, QualityChoice::kLikeSource);
  EXPECT_FALSE(FindPreset(BuiltInPresets(), "Web"));
}

// Chosen and stored, a preset reads back with its values and its size, until
// the settings no longer hold it or the Resize settings are on.
TEST(Presets, AChosenPresetRoundTripsThroughTheStoredSettings) {
  test::TempEnv env;
  EncodingSettings chosen;
  chosen.audioBitrateKbps = 96;
  ApplyPreset(*FindPreset(BuiltInPresets(), "Web H.264 1080p"), chosen);
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, chosen);
    EXPECT_EQ(profile.value("CodeSettings/preset").toString(), "Web H.264 1080p");
    // The older program's keys hold what they always held.
    EXPECT_EQ(profile.value("CodeSettings/output_format").toInt(), 1);
    EXPECT_EQ(profile.value("CodeSettings/video_codec").toInt(), 1);
    EXPECT_EQ(profile.value("CodeSettings/video_bitrate").toString(), "auto");
  }
  JobSettings loaded = StoredJobSettings(QString()).Load();
  EXPECT_EQ(loaded.encoding, chosen);
  EXPECT_EQ(loaded.encoding.outputWidth, 1920);
  EXPECT_EQ(loaded.encoding.outputHeight, 1080);

  // The Resize settings, while on, size the videos instead.
  ResizingSettings resizing;
  resizing.targetWidth = 640;
  resizing.resizeEveryTime = true;
  ASSERT_TRUE(WriteResizingSettings(DataFile(kResizingSettingsFileName), resizing));
  loaded = StoredJobSettings(QString()).Load();
  EXPECT_EQ(loaded.encoding.outputWidth, 640);
  EXPECT_EQ(loaded.encoding.outputHeight, 0);
  resizing.resizeEveryTime = false;
  ASSERT_TRUE(WriteResizingSettings(DataFile(kResizingSettingsFileName), resizing));

  // Another codec chosen since: the preset's size no longer applies.
  chosen.videoCodec = VideoCodec::kHevc;
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteEncodingSettings(profile, chosen);
  }
  loaded = StoredJobSettings(QString()).Load();
  EXPECT_EQ(loaded.encoding.videoCodec, VideoCodec::kHevc);
  EXPECT_EQ(loaded.encoding.outputWidth, 0);
  EXPECT_EQ(loaded.encoding.outputHeight, 0);
}

TEST(Presets, TheUsersOwnRoundTripThroughTheProfileAfterTheBuiltInOnes) {
  test::TempEnv env;
  const std::vector<Preset> mine = {
      {"Phone clips", Container::kMp4, VideoCodec::kHevc, AudioCodec::kOpus, QualityChoice::kLevel, 30,
       SpeedChoice::kFaster, 0, 720},
      {"Upload", Container::kWebm, VideoCodec::kVp9, AudioCodec::kOpus, QualityChoice::kHigh, 23, SpeedChoice::kSmaller,
       1280, 0},
  };
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteUserPresets(profile, mine);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadUserPresets(profile), mine);
  const std::vector<Preset> all = AllPresets(profile);
  ASSERT_EQ(all.size(), BuiltInPresets().size() + 2);
  EXPECT_EQ(all.back(), mine.back());
  EXPECT_EQ(FindPreset(all, "phone CLIPS"), mine.front());

  // Written again, fewer replace more; stored by hand, names that are taken
  // or missing are left out, and a pair the container does not hold is fitted.
  WriteUserPresets(profile, {mine.back()});
  EXPECT_EQ(ReadUserPresets(profile), std::vector<Preset>{mine.back()});
  profile.beginWriteArray(kPresetsGroup, 4);
  const char* names[] = {"small hevc", "", "Upload", "Odd pair"};
  for (int i = 0; i < 4; ++i) {
    profile.setArrayIndex(i);
    profile.setValue("name", names[i]);
    profile.setValue("output_format", StoredIndex(Container::kWebm));
    profile.setValue("video_codec", StoredIndex(VideoCodec::kH264));
    profile.setValue("video_quality", "best");
  }
  profile.endArray();
  const std::vector<Preset> read = ReadUserPresets(profile);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name, "Upload");
  EXPECT_EQ(read[1].name, "Odd pair");
  EXPECT_EQ(read[1].container, Container::kWebm);
  EXPECT_EQ(read[1].videoCodec, VideoCodec::kVp9);  // WebM's first
  EXPECT_EQ(read[1].audioCodec, AudioCodec::kOpus);
  EXPECT_EQ(read[1].quality, QualityChoice::kStandard);
  EXPECT_EQ(read[1].width, 0);
}

}  // namespace
}  // namespace vidmora
