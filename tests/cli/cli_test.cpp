// vidmora-cli as a user runs it: a separate process with a clean home.

#include "tests/cli/cli_program.h"
#include "tests/cli/held_picture.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QColor>
#include <QCryptographicHash>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& name, double seconds = 1) {
    ClipSpec spec;
    spec.seconds = seconds;
    const fs::path target = folder_ / name;
    fs::copy_file(SampleClip(spec), target, fs::copy_options::overwrite_existing);
    checksums_[target] = Checksum(target);
    return target.string();
  }

  // Every source comes out of the test as it went in.
  void TearDown() override {
    for (const auto& [file, sum] : checksums_) EXPECT_EQ(Checksum(file), sum) << file << " was changed";
  }

  static QByteArray Checksum(const fs::path& file) {
    return QCryptographicHash::hash(QByteArray::fromStdString(ReadFile(file)), QCryptographicHash::Sha256);
  }

  TempEnv env_;
  fs::path folder_ = env_.MakeDir("videos");
  std::map<fs::path, QByteArray> checksums_;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  const std::string clip = Source("clip.mp4");
  const std::vector<std::vector<std::string>> cases = {
      Cli({}),
      Cli({"--no-such-option", clip}),
      Cli({"--format", "avi", "--vcodec", "h264", clip}),
      Cli({"--format", "wmv", clip}),
      Cli({"--video-bitrate", "fast", clip}),
      Cli({"--template", "No Such Template", clip}),
      Cli({"--beside", "--output-dir", "/tmp", clip}),
      Cli({"--suffix"}),
      Cli({"render", "--template", "Demo 1"}),
  };
  for (const auto& argv : cases) {
    const ProcessResult result = RunProcess(argv);
    EXPECT_EQ(result.exitCode, 2) << argv[1] << "\n" << result.err;
    EXPECT_FALSE(result.err.empty());
  }
  EXPECT_FALSE(fs::exists(folder_ / "clip_new.mp4"));
}

// A pair the table refuses says why before any file is touched; the newer
// names are taken and listed in the help.
TEST_F(CliTest, ARefusedCodecPairNamesWhy) {
  const std::string clip = Source("clip.mp4");
  const ProcessResult refused = RunCli({"--format", "mov", "--vcodec", "av1", clip});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(
      refused.err.find("MOV does not hold AV1 video: this FFmpeg writes AV1, VP9, Opus and FLAC into MP4 and MKV"),
      std::string::npos)
      << refused.err;
  const ProcessResult audio = RunCli({"--format", "webm", "--acodec", "aac", clip});
  EXPECT_EQ(audio.exitCode, 2);
  EXPECT_NE(audio.err.find("WebM does not hold AAC audio"), std::string::npos) << audio.err;
  const ProcessResult help = RunCli({"--help"});
  for (const char* name : {"hevc", "av1", "vp9", "opus", "flac", "mov", "webm"})
    EXPECT_NE(help.out.find(name), std::string::npos) << name;
  EXPECT_FALSE(fs::exists(folder_ / "clip_new.mov"));
}

TEST_F(CliTest, HelpVersionAndTemplates) {
  const ProcessResult help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: vidmora-cli"), std::string::npos);
  EXPECT_EQ(RunCli({"--version"}).out.rfind("vidmora-cli ", 0), 0u);

  // The first run makes the data folder, the preferences and the demo template.
  const ProcessResult templates = RunCli({"templates"});
  EXPECT_EQ(templates.exitCode, 0);
  EXPECT_EQ(templates.out, "Demo 1\n");
  EXPECT_TRUE(fs::exists(env_.DataHome() / "Vidmora" / "preference.xml"));
}

TEST_F(CliTest, WatermarksEveryFileAndNamesTheLastOutput) {
  const std::string first = Source("first.mp4");
  const std::string second = Source("second.mp4");

  const ProcessResult result = RunCli({first, second});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Probe(folder_ / "first_new.mp4").ok);  // the first start's rule: beside the source, "_new"
  EXPECT_TRUE(Probe(folder_ / "second_new.mp4").ok);
  EXPECT_EQ(LastLine(result.out), "Last output: " + (folder_ / "second_new.mp4").string());
}

// What the output cannot hold is said on the file's line, once each.
TEST_F(CliTest, TheDoneLineGivesTheNotesOfWhatCouldNotBeKept) {
  const fs::path subtitles = env_.MakeDir("subs") / "clip.srt";
  WriteFile(subtitles, "1\n00:00:00,100 --> 00:00:00,900\nHello\n");
  const fs::path source = folder_ / "surround.mkv";
  const ProcessResult made = RunProcess({"ffmpeg",
                                         "-v",
                                         "error",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "testsrc2=s=160x120:r=10:d=1",
                                         "-f",
                                         "lavfi",
                                         "-i",
                                         "sine=r=48000:d=1",
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
                                         "-c:a",
                                         "aac",
                                         "-ac",
                                         "6",
                                         "-c:s",
                                         "srt",
                                         source.string()});
  ASSERT_EQ(made.exitCode, 0) << made.err;

  const ProcessResult result = RunCli({"--format", "avi", "--vcodec", "xvid", "--acodec", "mp3", source.string()});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  const size_t line = result.out.find(": done, 2 notes: ");
  ASSERT_NE(line, std::string::npos) << result.out;
  const std::string done = result.out.substr(line, result.out.find('\n', line) - line);
  EXPECT_NE(done.find("subrip subtitles"), std::string::npos) << done;
  EXPECT_NE(done.find("mixed down to stereo"), std::string::npos) << done;
}

// Started without a session (ssh, cron, CI): nothing about a runtime folder is
// printed and none is left behind; outputs beside the sources make no
// documents folder.
TEST_F(CliTest, WithoutASessionItSaysNothingExtraAndMakesOnlyWhatItUses) {
  const std::string clip = Source("clip.mp4");
  unsetenv("XDG_RUNTIME_DIR");
  const ProcessResult result = RunCli({"--quiet", clip});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(Probe(folder_ / "clip_new.mp4").ok);
  EXPECT_TRUE(fs::is_empty(env_.Tmp()));
  EXPECT_FALSE(fs::exists(env_.Documents() / "Vidmora"));
}

// A line break or a "%2" in a file name never splits or rewrites its line.
TEST_F(CliTest, EachFileKeepsToOneLineWhateverItsName) {
  const std::string broken = Source("line\nbreak.mp4");
  const std::string percent = Source("100%2 sure.mp4");
  const ProcessResult result = RunCli({broken, percent});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("\n[1/2] line\\nbreak.mp4: done\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\n[2/2] 100%2 sure.mp4: done\n"), std::string::npos) << result.out;
  EXPECT_TRUE(Probe(folder_ / "line\nbreak_new.mp4").ok);
}

TEST_F(CliTest, AFailedFileGivesOneAndTheOthersAreStillDone) {
  const std::string good = Source("good.mp4");
  WriteFile(folder_ / "bad.mp4", "text, not video");

  const ProcessResult result = RunCli({(folder_ / "bad.mp4").string(), good});

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("failed"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_ / "bad_new.mp4"));
  EXPECT_TRUE(Probe(folder_ / "good_new.mp4").ok);
}

TEST_F(CliTest, OptionsApplyToThisRunOnlyAndChangeNothingStored) {
  const std::string clip = Source("clip.mp4");
  ASSERT_EQ(RunCli({"templates"}).exitCode, 0);  // the first start's files
  const fs::path preferences = env_.DataHome() / "Vidmora" / "preference.xml";
  const fs::path profile = env_.ConfigHome() / "VIDMORA" / "Vidmora.conf";
  const std::string preferencesBefore = ReadFile(preferences);
  const bool profileExisted = fs::exists(profile);
  const fs::path out = env_.MakeDir("out");

  const ProcessResult result = RunCli({"--output-dir", out.string(), "--suffix", "_x", "--format", "mkv", "--acodec",
                                       "mp3", "--frame-rate", "15", "--no-audio", "--quiet", clip});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  const ProbeResult probe = Probe(out / "clip_x.mkv");
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.Count("audio"), 0);
  EXPECT_NEAR(probe.First("video")->frameRate, 15, 0.01);
  EXPECT_EQ(ReadFile(preferences), preferencesBefore);
  EXPECT_EQ(fs::exists(profile), profileExisted);
  EXPECT_EQ(LastLine(result.out), "Last output: " + (out / "clip_x.mkv").string());
}

TEST_F(CliTest, RenderPaintsTheTemplateOverAPicture) {
  QImage picture(400, 300, QImage::Format_RGB32);
  picture.fill(QColor(128, 128, 128));
  const fs::path in = folder_ / "in.png";
  const fs::path out = folder_ / "out.png";
  ASSERT_TRUE(picture.save(QString::fromStdString(in.string())));

  const ProcessResult result =
      RunCli({"render", "--template", "Demo 1", "--image", in.string(), "--out", out.string()});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  const QImage painted(QString::fromStdString(out.string()));
  ASSERT_EQ(painted.size(), picture.size());
  int changed = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) changed += painted.pixel(x, y) != picture.pixel(x, y);
  EXPECT_GT(changed, 100);
  EXPECT_EQ(RunCli({"render", "--template", "Nope", "--image", in.string(), "--out", out.string()}).exitCode, 1);
}

// Runs with a template whose logo is a held picture: each file waits at its
// first frame until the test releases the logo, so a signal sent meanwhile
// always finds the first file still encoding.
class CliInterruptTest : public CliTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCli({"templates"}).exitCode, 0);  // the first start's files
    WritePictureTemplate(env_.DataHome() / "Vidmora" / "templates", u"Held", logo_.Path());
  }

  std::vector<std::string> HeldCli(std::initializer_list<std::string> files) {
    std::vector<std::string> argv = Cli({"--template", "Held"});
    argv.insert(argv.end(), files);
    return argv;
  }

  // What the sources' folder holds: the sources and whatever a run left.
  std::vector<fs::path> FolderEntries() const {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder_)) entries.push_back(entry.path());
    return entries;
  }

  HeldPicture logo_{env_.MakeDir("logo") / "logo.png"};
};

TEST_F(CliInterruptTest, CtrlCOnceStopsAfterTheCurrentFile) {
  const std::string first = Source("first.mp4");
  const std::string second = Source("second.mp4");
  RunningProcess cli(HeldCli({first, second}));
  ASSERT_TRUE(cli.WaitForOutput("[1/2] first.mp4: encoding", 60'000));

  cli.Signal(SIGINT);
  ASSERT_TRUE(cli.WaitForError("Stopping after the current file", 60'000));
  logo_.Release(BlueLogo());
  const ProcessResult result = cli.Finish();

  EXPECT_EQ(result.exitCode, 75) << result.err;                    // interrupted: a retry does the rest
  const QImage frame = DecodeFrame(folder_ / "first_new.mp4", 0);  // finished, and painted with the logo
  ASSERT_FALSE(frame.isNull());
  const QColor corner = frame.pixelColor(12, 12);
  EXPECT_LT(corner.red() + corner.green(), 60) << corner.name().toStdString();
  EXPECT_GT(corner.blue(), 200) << corner.name().toStdString();
  EXPECT_FALSE(fs::exists(folder_ / "second_new.mp4"));
  EXPECT_EQ(result.out.find("[2/2]"), std::string::npos);
  EXPECT_NE(result.err.find("1 file(s) not processed"), std::string::npos);
}

TEST_F(CliInterruptTest, CtrlCTwiceAbandonsTheCurrentFileAndLeavesNothing) {
  const std::string clip = Source("clip.mp4");
  RunningProcess cli(HeldCli({clip}));
  ASSERT_TRUE(cli.WaitForOutput("encoding", 60'000));

  // A second signal sent before the first is read would merge with it.
  cli.Signal(SIGINT);
  ASSERT_TRUE(cli.WaitForError("Ctrl-C again abandons it", 60'000));
  cli.Signal(SIGINT);
  ASSERT_TRUE(cli.WaitForError("Abandoning the current file", 60'000));
  logo_.Release(BlueLogo());
  const ProcessResult result = cli.Finish();

  EXPECT_EQ(result.exitCode, 75) << result.err;
  EXPECT_EQ(FolderEntries(), std::vector<fs::path>{fs::path(clip)});
}

TEST_F(CliInterruptTest, AHangUpOrATerminationAbandonsTheCurrentFileLeavesNothingAndAsksForARetry) {
  // The terminal was closed, or a scheduler ends the task: the run ends at
  // once, and exit status 75 tells the scheduler that a retry may succeed.
  const std::string clip = Source("clip.mp4");
  for (const auto& [signal, name] : {std::pair{SIGHUP, "hangup"}, std::pair{SIGTERM, "term"}}) {
    SCOPED_TRACE(name);
    HeldPicture logo(env_.MakeDir(name) / "logo.png");
    const std::u16string templateName = u"Held " + QString(name).toStdU16String();
    WritePictureTemplate(env_.DataHome() / "Vidmora" / "templates", templateName, logo.Path());
    RunningProcess cli(Cli({"--template", QString::fromStdU16String(templateName).toStdString(), clip}));
    ASSERT_TRUE(cli.WaitForOutput("encoding", 60'000));

    cli.Signal(signal);
    ASSERT_TRUE(cli.WaitForError("Abandoning the current file", 60'000));
    logo.Release(BlueLogo());
    const ProcessResult result = cli.Finish();

    EXPECT_EQ(result.exitCode, 75) << result.err;
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{fs::path(clip)});
  }
}

}  // namespace
}  // namespace vidmora::test
