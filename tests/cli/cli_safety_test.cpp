// vidmora-cli against the files people trust it with: no source or earlier
// output is ever replaced, nothing is reported done without its watermark,
// and bad values are refused before any work. Every source a test makes is
// checked unchanged (by checksum) when the test ends.

#include "tests/cli/cli_program.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QColor>
#include <QCryptographicHash>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Runs the program with `folder` as its working folder.
ProcessResult RunCliIn(const fs::path& folder, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"sh", "-c", "cd \"$1\" && shift && exec \"$@\"", "sh", folder.string(), CliPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProcess(argv);
}

std::string Checksum(const fs::path& file) {
  const std::string bytes = ReadFile(file);
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex().toStdString();
}

// Pixels of the output's first frame that differ clearly from the source's.
int PaintedPixels(const fs::path& source, const fs::path& output) {
  const QImage before = DecodeFrame(source, 0);
  const QImage after = DecodeFrame(output, 0);
  if (before.isNull() || after.isNull() || before.size() != after.size()) return -1;
  int changed = 0;
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x) {
      const QRgb a = before.pixel(x, y);
      const QRgb b = after.pixel(x, y);
      changed += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 120;
    }
  return changed;
}

// True when the output's first frame has the source's colour in its top left corner, away from the watermark.
bool SameCorner(const fs::path& source, const fs::path& output) {
  const QRgb a = DecodeFrame(source, 0).pixel(4, 4);
  const QRgb b = DecodeFrame(output, 0).pixel(4, 4);
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) < 40;
}

class CliSafetyTest : public ::testing::Test {
 protected:
  // A copy of a sample clip at `path` (under the test's folder unless absolute).
  fs::path Source(const fs::path& path, double seconds = 1, const std::string& videoSource = "testsrc2") {
    ClipSpec spec;
    spec.seconds = seconds;
    spec.videoSource = videoSource;
    fs::path target = path.is_absolute() ? path : folder_ / path;
    fs::create_directories(target.parent_path());
    fs::copy_file(SampleClip(spec), target, fs::copy_options::overwrite_existing);
    Keep(target);
    return target;
  }
  // Records a file that must come out of the test as it went in.
  void Keep(const fs::path& file) { kept_[file] = Checksum(file); }

  void TearDown() override {
    for (const auto& [file, sum] : kept_) EXPECT_EQ(Checksum(file), sum) << file << " was changed";
  }

  // The data folder of a first start (made by listing the templates).
  fs::path Templates() {
    EXPECT_EQ(RunCli({"templates"}).exitCode, 0);
    return env_.DataHome() / "Vidmora" / "templates";
  }
  fs::path DemoLayerFile() { return Templates() / "Demo 1_Layer 1.xml"; }
  // Points the demo layer at a picture.
  void SetDemoPicture(const std::string& picture) {
    const fs::path layer = DemoLayerFile();
    std::string text = ReadFile(layer);
    const std::string empty = "<ImagePathName/>";
    const size_t at = text.find(empty);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, empty.size(), "<ImagePathName>" + picture + "</ImagePathName>");
    WriteFile(layer, text);
  }

  TempEnv env_;
  fs::path folder_ = env_.MakeDir("videos");
  std::map<fs::path, std::string> kept_;
};

TEST_F(CliSafetyTest, AnOutputNeverReplacesAnotherSourceOfTheRun) {
  // "b.mp4" with the first start's suffix "_new" would be written over the source "b_new.mp4".
  const fs::path b = Source("b.mp4");
  const fs::path bNew = Source("b_new.mp4");
  const fs::path viaLink = folder_ / "link" / "b_new.mp4";
  fs::create_directories(viaLink.parent_path());
  fs::create_symlink(bNew, viaLink);

  for (const auto& second : {bNew, viaLink}) {
    SCOPED_TRACE(second);
    const ProcessResult result = RunCli({b.string(), second.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("b.mp4: skipped: The output would replace"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("a source of this run"), std::string::npos) << result.out;
  }
  EXPECT_TRUE(Probe(folder_ / "b_new_new.mp4").ok);
}

TEST_F(CliSafetyTest, SameNamesFromTwoFoldersGetNumberedOutputsInOneFolder) {
  const fs::path first = Source("one/a.mp4", 1, "color=c=gray");
  const fs::path second = Source("two/a.mp4");
  const fs::path out = env_.MakeDir("out");

  const ProcessResult result = RunCli({"--output-dir", out.string(), first.string(), second.string()});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(NamesIn(out), (std::set<std::string>{"a_new.mp4", "a_new (2).mp4"}));
  // The first output is the first source's, not replaced by the second's.
  EXPECT_TRUE(SameCorner(first, out / "a_new.mp4"));
  EXPECT_TRUE(SameCorner(second, out / "a_new (2).mp4"));
  EXPECT_FALSE(SameCorner(second, out / "a_new.mp4"));
  EXPECT_NE(result.out.find("done (written as a_new (2).mp4"), std::string::npos) << result.out;
  EXPECT_EQ(LastLine(result.out), "Last output: " + (out / "a_new (2).mp4").string());
}

TEST_F(CliSafetyTest, FilesThatCannotBeWatermarkedFailAndLeaveNothing) {
  using Arguments = std::vector<std::string>;
  struct Case {
    std::string name;
    std::function<Arguments(const fs::path& folder)> setUp;  // makes the case; the options before the source
    std::string source;                                      // in the case's folder
    std::string expected;                                    // in the failure's line
  };
  const fs::path pictures = env_.MakeDir("pictures");
  const std::vector<Case> cases = {
      {"no layer file",
       [&](const fs::path&) {
         fs::remove(DemoLayerFile());
         return Arguments{};
       },
       "clip.mp4", "Demo 1_Layer 1.xml is missing"},
      {"empty layer file",
       [&](const fs::path&) {
         WriteFile(DemoLayerFile(), "");
         return Arguments{};
       },
       "clip.mp4", "Demo 1_Layer 1.xml is empty"},
      {"garbage layer file",
       [&](const fs::path&) {
         WriteFile(DemoLayerFile(), "<WatermarkConf><Text>");
         return Arguments{};
       },
       "clip.mp4", "Demo 1_Layer 1.xml cannot be read as XML"},
      {"missing picture",
       [&](const fs::path&) {
         SetDemoPicture((pictures / "gone.png").string());
         return Arguments{};
       },
       "clip.mp4", "gone.png of the template \"Demo 1\" is missing"},
      {"picture is a folder",
       [&](const fs::path&) {
         SetDemoPicture(pictures.string());
         return Arguments{};
       },
       "clip.mp4", "of the template \"Demo 1\" is a folder"},
      {"picture that does not decode",
       [&](const fs::path&) {
         WriteFile(pictures / "bad.png", "\x89PNG\r\n\x1a\n and then nothing");
         SetDemoPicture((pictures / "bad.png").string());
         return Arguments{};
       },
       "clip.mp4", "bad.png of the template \"Demo 1\" cannot be loaded"},
      {"a still picture as source",
       [&](const fs::path& folder) {
         QImage image(64, 48, QImage::Format_RGB32);
         image.fill(Qt::gray);
         image.save(QString::fromStdString((folder / "still.png").string()));
         Keep(folder / "still.png");
         return Arguments{};
       },
       "still.png", "is not a video"},
      {"a frame rate that keeps no frame",
       [&](const fs::path&) {
         return Arguments{"--frame-rate", "0.1"};
       },
       "clip.mp4", "no video frame"},
      {"a folder at the kept output name",
       [&](const fs::path& folder) {
         fs::create_directories(folder / "out" / "clip.mp4");
         return Arguments{"--keep-name", "--output-dir", (folder / "out").string()};
       },
       "clip.mp4", "clip.mp4 is a folder"},
      {"an output name too long",
       [&](const fs::path&) {
         return Arguments{"--suffix", std::string(300, 'x')};
       },
       "clip.mp4", "the file system takes at most"},
      {"an output folder that cannot be made",
       [&](const fs::path& folder) {
         return Arguments{"--output-dir", (folder / "clip.mp4" / "sub").string()};
       },
       "clip.mp4", "/clip.mp4/sub cannot be created: Not a directory"},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(env_.DataHome() / "Vidmora");  // a fresh demo template for each case
    const fs::path folder = env_.MakeDir("case" + std::to_string(++number));
    if (c.source == "clip.mp4") Source(folder / "clip.mp4", 3);
    Arguments arguments = c.setUp(folder);
    const std::set<std::string> before = NamesIn(folder);
    arguments.push_back((folder / c.source).string());

    const ProcessResult result = RunCli(arguments);

    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.err.find("failed: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find(": done"), std::string::npos) << result.out;
    EXPECT_EQ(LastLine(result.out), "Last output: (none)");
    EXPECT_EQ(NamesIn(folder), before);
  }
}

TEST_F(CliSafetyTest, SourcesThatAreNotRegularFilesAreRefusedUnopened) {
  const fs::path fifo = folder_ / "pipe.mp4";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path missing = folder_ / "missing.mp4";
  const fs::path good = Source("good.mp4");

  // A FIFO with no writer would block whoever opens it for reading.
  const ProcessResult result = RunCli({fifo.string(), "/dev/zero", "/dev/stdin", missing.string(), good.string()});

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("pipe.mp4 is a pipe (FIFO), not a video file"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("/dev/zero is a character device"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("missing.mp4 cannot be read: No such file or directory"), std::string::npos) << result.err;
  EXPECT_TRUE(Probe(folder_ / "good_new.mp4").ok);
  EXPECT_EQ(NamesIn(folder_), (std::set<std::string>{"pipe.mp4", "good.mp4", "good_new.mp4"}));
}

TEST_F(CliSafetyTest, NonAsciiNamesAreWatermarkedUnderAnyLocale) {
  const fs::path source = Source("été à Zürich.mp4");
  for (const char* locale : {"C", "C.UTF-8"}) {
    SCOPED_TRACE(locale);
    const ProcessResult result = RunCli({"--suffix", std::string("_") + locale, source.string()}, {{"LC_ALL", locale}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_GT(PaintedPixels(source, folder_ / (std::string("été à Zürich_") + locale + ".mp4")), 50);
  }
}

TEST_F(CliSafetyTest, BadValuesAreRefusedBeforeAnyWork) {
  const fs::path clip = Source("clip.mp4");
  const fs::path picture = folder_ / "in.png";
  QImage(32, 32, QImage::Format_RGB32).save(QString::fromStdString(picture.string()));
  Keep(picture);
  Templates();
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;  // in the message
  };
  const std::vector<Case> cases = {
      {{"--video-bitrate", "20000000", clip}, "from 1 to 10000000 kbit/s"},
      {{"--audio-bitrate", "0", clip}, "from 1 to 10000000 kbit/s"},
      {{"--frame-rate", "1001", clip}, "above 0 to 1000 frames per second"},
      {{"--frame-rate", "0", clip}, "above 0 to 1000"},
      {{"--volume", "65537", clip}, "from 0 to 65536"},
      {{"--volume", "-5", clip}, "\"-5\" is not a whole number from 0 to 65536"},
      {{"--sample-rate", "800000", clip}, "to 768 kHz"},
      {{"--suffix", "a/b", clip}, "cannot be part of a file name"},
      {{"--suffix", "a\tb", clip}, "cannot be part of a file name"},
      {{"--output-dir", "", clip}, "--output-dir needs a folder"},
      {{"--template", "Demo 1_Layer 1", clip}, "there is no template \"Demo 1_Layer 1\""},
      {{"--template", "qthumb", clip}, "there is no template \"qthumb\""},
      {{"--template", "../preference", clip}, "there is no template \"../preference\""},
      {{(folder_ / "latin1-\xe9t\xe9.mp4").string()}, "is not valid UTF-8"},
      {{"render", "--template", "Demo 1", "--image", picture, "--out", picture}, "never painted over"},
      {{"render", "--template", "Demo 1", "--image", picture, "--out", (folder_ / "." / "in.png").string()},
       "never painted over"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " ... " + c.expected);
    const ProcessResult result = RunCli(c.arguments);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
    // Said once, on one line of its own.
    EXPECT_EQ(result.err.find("vidmora-cli: "), result.err.rfind("vidmora-cli: ")) << result.err;
  }
  EXPECT_EQ(NamesIn(folder_), (std::set<std::string>{"clip.mp4", "in.png"}));
}

TEST_F(CliSafetyTest, AFolderNameLikeAnOptionAndASampleRateInHzWork) {
  const fs::path clip = Source("clip.mp4");

  const ProcessResult result = RunCliIn(folder_, {"--output-dir", "-odd", "--sample-rate", "22050", clip.string()});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  const ProbeResult probe = Probe(folder_ / "-odd" / "clip_new.mp4");
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.First("audio")->sampleRate, 22050);
}

TEST_F(CliSafetyTest, TheLastOutputIsTheLastFileWritten) {
  const fs::path good = Source("good.mp4");
  WriteFile(folder_ / "bad.mp4", "not a video");
  Keep(folder_ / "bad.mp4");

  // Under its own name beside itself, the output would be the source: skipped.
  const ProcessResult skipped = RunCli({"--keep-name", good.string()});
  EXPECT_EQ(skipped.exitCode, 0) << skipped.err;
  EXPECT_EQ(LastLine(skipped.out), "Last output: (none)");

  const ProcessResult failedLast = RunCli({good.string(), (folder_ / "bad.mp4").string()});
  EXPECT_EQ(failedLast.exitCode, 1);
  EXPECT_EQ(LastLine(failedLast.out), "Last output: " + (folder_ / "good_new.mp4").string());
}

TEST_F(CliSafetyTest, ADamagedPreferenceFileIsKeptAsideAndTheFirstStartValuesApply) {
  const fs::path clip = Source("clip.mp4");
  const fs::path data = env_.DataHome() / "Vidmora";
  for (const std::string& damaged : {std::string(), std::string("<?xml version=\"1.0\"?>\r\n<Preferences>\r\n<Outp"),
                                     std::string("\x01\x02 garbage \xff")}) {
    SCOPED_TRACE(damaged.size());
    fs::remove_all(data);
    WriteFile(data / "preference.xml", damaged);
    fs::remove(folder_ / "clip_new.mp4");

    const ProcessResult result = RunCli({clip.string()});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("warning: " + (data / "preference.xml").string() + " is damaged"), std::string::npos)
        << result.err;
    EXPECT_TRUE(fs::exists(data / "preference.xml.bak"));
    EXPECT_EQ(ReadFile(data / "preference.xml.bak"), damaged);
    EXPECT_NE(ReadFile(data / "preference.xml").find("<OutputFileNameSuffix>_new<"), std::string::npos);
    EXPECT_TRUE(Probe(folder_ / "clip_new.mp4").ok);
  }
  // A second damage keeps the first copy too.
  WriteFile(data / "preference.xml", "again");
  EXPECT_EQ(RunCli({"templates"}).exitCode, 0);
  EXPECT_EQ(ReadFile(data / "preference.xml.bak.2"), "again");
}

TEST_F(CliSafetyTest, UnreadableStoredRatesAreNamedOnceAndTakenAsAuto) {
  const fs::path first = Source("first.mp4");
  const fs::path second = Source("second.mp4");
  const fs::path profile = env_.ConfigHome() / "VIDMORA" / "Vidmora.conf";
  WriteFile(profile, "[CodeSettings]\nvideo_bitrate=garbage\naudio_volume=-5\nvideo_framerate=25\n");

  const ProcessResult result = RunCli({first.string(), second.string()});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  for (const std::string key : {"video_bitrate", "audio_volume"}) {
    const std::string warning =
        profile.string() + ": the value of CodeSettings/" + key + " is neither a number nor auto";
    const size_t at = result.err.find(warning);
    EXPECT_NE(at, std::string::npos) << result.err;
    EXPECT_EQ(result.err.rfind(warning), at) << "said more than once:\n" << result.err;
  }
  EXPECT_EQ(result.err.find("video_framerate"), std::string::npos);
  EXPECT_TRUE(Probe(folder_ / "first_new.mp4").ok);
  EXPECT_TRUE(Probe(folder_ / "second_new.mp4").ok);
}

TEST_F(CliSafetyTest, ADataFolderThatCannotBeMadeIsNamed) {
  const fs::path clip = Source("clip.mp4");
  const fs::path data = env_.DataHome() / "Vidmora";
  WriteFile(data, "a file where the data folder belongs");

  const ProcessResult result = RunCli({clip.string()});

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("The data folder " + data.string() + " cannot be created"), std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find("there is no template"), std::string::npos) << result.err;
  EXPECT_EQ(NamesIn(folder_), (std::set<std::string>{"clip.mp4"}));
}

TEST_F(CliSafetyTest, ConcurrentFirstStartsAllSeeTheDemoTemplate) {
  for (int round = 0; round < 3; ++round) {
    fs::remove_all(env_.DataHome() / "Vidmora");
    std::vector<std::unique_ptr<RunningProcess>> starts;
    starts.reserve(4);
    for (int i = 0; i < 4; ++i) starts.push_back(std::make_unique<RunningProcess>(Cli({"templates"})));
    for (auto& start : starts) {
      const ProcessResult result = start->Finish();
      EXPECT_EQ(result.exitCode, 0) << result.err;
      EXPECT_EQ(result.out, "Demo 1\n");
    }
  }
}

TEST_F(CliSafetyTest, TheTemplateListNamesADamagedTemplate) {
  const fs::path templates = Templates();
  fs::remove(templates / "Demo 1.xml");

  const ProcessResult list = RunCli({"templates"});
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_EQ(list.out, "Demo 1\n");
  EXPECT_NE(list.err.find("Demo 1.xml is missing"), std::string::npos) << list.err;

  const fs::path clip = Source("clip.mp4");
  const ProcessResult run = RunCli({clip.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Demo 1.xml is missing"), std::string::npos) << run.err;
}

TEST_F(CliSafetyTest, TheTemporaryOfAKilledRunIsRemovedByTheNextButNeverALiveOne) {
  const fs::path quick = Source("quick.mp4");
  // A killed run leaves its temporary unlocked (the system drops a dead process's locks);
  // a live run holds the lock on its own for as long as it writes.
  const fs::path dead = folder_ / ".killed_new.mp4.k1ll3d00.part";
  const fs::path live = folder_ / ".live_new.mp4.l1v3r000.part";
  const fs::path notOurs = folder_ / ".notes.part";
  WriteFile(dead, "half an mp4");
  WriteFile(live, "a quarter of an mp4");
  WriteFile(notOurs, "someone's file");
  Keep(notOurs);
  const int liveFd = open(live.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(liveFd, 0);
  ASSERT_EQ(flock(liveFd, LOCK_EX), 0);

  const ProcessResult next = RunCli({quick.string()});

  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_EQ(NamesIn(folder_),
            (std::set<std::string>{"quick.mp4", "quick_new.mp4", live.filename().string(), ".notes.part"}));

  // Once its writer is gone, the next run removes it too.
  close(liveFd);
  EXPECT_EQ(RunCli({"--suffix", "_again", quick.string()}).exitCode, 0);
  EXPECT_EQ(NamesIn(folder_), (std::set<std::string>{"quick.mp4", "quick_new.mp4", "quick_again.mp4", ".notes.part"}));
}

}  // namespace
}  // namespace vidmora::test
