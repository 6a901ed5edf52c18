#include "app/processing/media_probe.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using vidmora::ConvertMediaTexts;
using vidmora::MediaProbe;
using vidmora::MediaTexts;
using vidmora::ProbeError;
using vidmora::test::ClipSpec;
using vidmora::test::SampleClip;

namespace {

QString PathText(const fs::path& path) { return QString::fromStdString(path.string()); }

ClipSpec WithAudio(int fps, int sampleRate, std::vector<std::string> extraArgs = {}) {
  ClipSpec spec;
  spec.fps = fps;
  spec.sampleRate = sampleRate;
  spec.audioBitrate = "128k";
  spec.extraArgs = std::move(extraArgs);
  return spec;
}

ClipSpec Silent(int rotation = 0) {
  ClipSpec spec;
  spec.audio = false;
  spec.rotation = rotation;
  return spec;
}

TEST(MediaProbeTexts, ConvertLikeTheCRuntime) {
  MediaTexts texts;
  texts.width = u"1920";
  texts.height = u" 1080 pixels";
  texts.frameRate = u"29.970";
  texts.rotation = u"-90.000";
  texts.samplingRate = u"44100";
  texts.duration = u"83500.000";
  const vidmora::MediaValues values = ConvertMediaTexts(texts);
  EXPECT_EQ(values.storedWidth, 1920);
  EXPECT_EQ(values.storedHeight, 1080);
  EXPECT_DOUBLE_EQ(values.frameRate, 29.97);
  EXPECT_EQ(values.rotationDegrees, 270);
  EXPECT_DOUBLE_EQ(values.samplingRateKhz, 44.1);
  EXPECT_DOUBLE_EQ(values.durationSeconds, 83.5);

  const vidmora::MediaValues empty = ConvertMediaTexts(MediaTexts());
  EXPECT_EQ(empty.storedWidth, 0);
  EXPECT_EQ(empty.frameRate, 0);
  EXPECT_EQ(empty.samplingRateKhz, 0);
  EXPECT_EQ(empty.rotationDegrees, 0);

  // A rate that is not a finite number above 0 is no rate.
  for (const char16_t* text : {u"nan", u"inf", u"-25", u"-inf"}) {
    MediaTexts odd;
    odd.frameRate = text;
    odd.samplingRate = text;
    EXPECT_EQ(ConvertMediaTexts(odd).frameRate, 0) << QString::fromStdU16String(text).toStdString();
    EXPECT_EQ(ConvertMediaTexts(odd).samplingRateKhz, 0);
  }
}

TEST(MediaProbe, ReadsWhatTheFilesCarry) {
  struct Case {
    ClipSpec spec;
    double frameRate;
    double samplingRateKhz;
  } cases[] = {
      {WithAudio(25, 44100), 25, 44.1},
      {WithAudio(30, 22050, {"-r", "30000/1001"}), 29.97, 22.05},
  };
  for (const auto& c : cases) {
    const fs::path clip = SampleClip(c.spec);
    SCOPED_TRACE(clip.string());
    MediaProbe probe;
    ASSERT_EQ(probe.Open(PathText(clip)), ProbeError::kNone);
    EXPECT_EQ(probe.FrameSize(), QSize(320, 240));
    EXPECT_EQ(probe.StoredFrameSize(), QSize(320, 240));
    EXPECT_NEAR(probe.FrameRate(), c.frameRate, 1e-9);
    EXPECT_NEAR(probe.SamplingRateKhz(), c.samplingRateKhz, 1e-9);
  }
}

TEST(MediaProbe, NoAudioReadsZeroRates) {
  MediaProbe probe;
  ASSERT_EQ(probe.Open(PathText(SampleClip(Silent()))), ProbeError::kNone);
  EXPECT_EQ(probe.FrameSize(), QSize(320, 240));
  EXPECT_EQ(probe.SamplingRateKhz(), 0);
}

TEST(MediaProbe, SidewaysVideosSwapTheDisplayedSize) {
  for (int rotation : {0, 90, 180, 270}) {
    SCOPED_TRACE(rotation);
    MediaProbe probe;
    ASSERT_EQ(probe.Open(PathText(SampleClip(Silent(rotation)))), ProbeError::kNone);
    const bool sideways = rotation % 180 == 90;
    EXPECT_EQ(probe.RotationDegrees() % 180, sideways ? 90 : 0);
    EXPECT_EQ(probe.StoredFrameSize(), QSize(320, 240));
    EXPECT_EQ(probe.FrameSize(), sideways ? QSize(240, 320) : QSize(320, 240));
  }
}

TEST(MediaProbe, UnreadableFilesAreReportedAndReadAsZero) {
  vidmora::test::TempEnv env;
  const fs::path text = env.Root() / "notes.mp4";
  vidmora::test::WriteFile(text, "this is a text file, not a video\n");
  for (const fs::path& file : {text, env.Root() / "missing.mp4"}) {
    SCOPED_TRACE(file.string());
    MediaProbe probe;
    EXPECT_EQ(probe.Open(PathText(file)), ProbeError::kNotMedia);
    EXPECT_EQ(vidmora::ProbeErrorMessage(ProbeError::kNotMedia, PathText(file)), "Can't open file " + PathText(file));
    EXPECT_EQ(probe.FrameSize(), QSize(0, 0));
    EXPECT_EQ(probe.FrameRate(), 0);
    EXPECT_EQ(probe.SamplingRateKhz(), 0);
  }
  EXPECT_EQ(vidmora::ProbeErrorMessage(ProbeError::kNone, "x"), "");
}

TEST(MediaProbe, RefusesAndUnloadsALibraryLackingAnEntryPoint) {
  const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
  const std::string incomplete = (folder / "libfake_mediainfo_incomplete.so").string();
  const std::string complete = (folder / "libfake_mediainfo_complete.so").string();
  EXPECT_FALSE(vidmora::CanBindMediaInfo(incomplete.c_str()));
  EXPECT_EQ(dlopen(incomplete.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "left loaded";
  EXPECT_TRUE(vidmora::CanBindMediaInfo(complete.c_str()));
  EXPECT_FALSE(vidmora::CanBindMediaInfo((folder / "libno_such_library.so").c_str()));
  EXPECT_TRUE(vidmora::CanBindMediaInfo("libmediainfo.so.0"));
}

TEST(MediaProbe, ProbesOnSeveralThreadsAtOnce) {
  const QString clip = PathText(SampleClip({}));
  std::vector<QSize> sizes(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < sizes.size(); ++i)
    threads.emplace_back([&, i] {
      MediaProbe probe;
      probe.Open(clip);
      sizes[i] = probe.FrameSize();
    });
  for (auto& thread : threads) thread.join();
  for (const QSize& size : sizes) EXPECT_EQ(size, QSize(320, 240));
}

}  // namespace
