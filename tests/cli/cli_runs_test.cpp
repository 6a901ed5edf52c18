// vidmora-cli as a task of a job array: lists, shards, JSON lines, exit
// codes, resumed runs, several files at once and the watch folder.

#include "tests/cli/cli_program.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Each line of `text` as a JSON object; a line that is not one fails the test.
std::vector<QJsonObject> JsonLines(const std::string& text) {
  std::vector<QJsonObject> objects;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line;
    objects.push_back(document.object());
  }
  return objects;
}

ino_t Inode(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class CliRunTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& name, const fs::path& folder = {}) {
    ClipSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.seconds = 1;
    const fs::path target = (folder.empty() ? folder_ : folder) / name;
    fs::copy_file(SampleClip(spec), target, fs::copy_options::overwrite_existing);
    return target.string();
  }

  TempEnv env_;
  fs::path folder_ = env_.MakeDir("videos");
  fs::path out_ = env_.MakeDir("out");
};

TEST_F(CliRunTest, JsonLinesDescribeEveryFileAndTheExitCodeFollowsTheTable) {
  const std::string good = Source("good.mp4");
  const fs::path bad = folder_ / "bad.mp4";
  WriteFile(bad, "text, not a video");
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<std::string> states;  // of the files, in order; empty for a usage error
  };
  const std::vector<Case> cases = {
      {"done", {"--output-dir", out_.string(), good}, 0, {"done"}},
      {"skipped by the naming rules", {"--keep-name", "--beside", good}, 0, {"skipped"}},
      {"a bad file beside a good one", {"--output-dir", out_.string(), bad.string(), good}, 1, {"failed", "done"}},
      {"usage", {"--shard", "3/3", good}, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = {"--report", "jsonl"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProcessResult result = RunCli(arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    if (c.states.empty()) {
      EXPECT_TRUE(result.out.empty()) << result.out;
      continue;
    }
    const std::vector<QJsonObject> objects = JsonLines(result.out);
    ASSERT_EQ(objects.size(), c.states.size() + 1) << result.out;
    for (size_t i = 0; i < c.states.size(); ++i) {
      const QJsonObject& file = objects[i];
      EXPECT_EQ(file["state"].toString().toStdString(), c.states[i]);
      for (const char* key : {"source", "output", "state", "reason", "notes", "seconds", "frames"})
        EXPECT_TRUE(file.contains(key)) << key;
      if (c.states[i] == "done") {
        EXPECT_EQ(file["source"].toString().toStdString(), good);
        EXPECT_TRUE(Probe(file["output"].toString().toStdString()).ok);
        EXPECT_GE(file["frames"].toInt(), 20);
      }
      if (c.states[i] == "failed") {
        EXPECT_FALSE(file["reason"].toString().isEmpty());
        EXPECT_FALSE(file["retry"].toBool());
      }
    }
    const QJsonObject& summary = objects.back();
    EXPECT_TRUE(summary["summary"].toBool());
    EXPECT_EQ(summary["exit_code"].toInt(), c.exitCode);
    EXPECT_EQ(summary["files"].toInt(), static_cast<int>(c.states.size()));
    // The human lines went to standard error.
    EXPECT_NE(result.err.find("[1/"), std::string::npos) << result.err;
  }
}

// --hw on a machine whose hardware encoders do not work (no device): the file
// is written by the software encoder and its row's notes name the hardware
// encoder that failed and why; off tries none, and a word it does not know is
// refused.
TEST_F(CliRunTest, AHardwareEncoderThatFailsIsNotedAndSoftwareWritesTheFile) {
  const std::string source = Source("clip.mp4");
  struct Case {
    const char* hw;
    std::vector<const char*> noted;  // in the row's notes; none: no hardware note
  };
  for (const Case& c : {Case{"vaapi", {"h264_vaapi: "}}, Case{"auto", {"h264_vaapi: ", "h264_nvenc: ", "h264_qsv: "}},
                        Case{"off", {}}}) {
    SCOPED_TRACE(c.hw);
    const fs::path out = env_.MakeDir(std::string("out-") + c.hw);
    const ProcessResult result = RunCli({"--report", "jsonl", "--hw", c.hw, "--output-dir", out.string(), source});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<QJsonObject> objects = JsonLines(result.out);
    ASSERT_EQ(objects.size(), 2u) << result.out;
    const QJsonObject& file = objects.front();
    EXPECT_EQ(file["state"].toString().toStdString(), "done");
    EXPECT_TRUE(Probe(file["output"].toString().toStdString()).ok);
    // The row's line on standard error and its JSON notes carry the encoder's notes.
    const std::string& row = result.err;
    const bool hardwareNoted = row.find("hardware encoder could not be used") != std::string::npos;
    EXPECT_EQ(file["notes"].toString().contains("hardware encoder could not be used"), hardwareNoted)
        << file["notes"].toString().toStdString();
    if (!c.noted.empty() && !hardwareNoted) {
      GTEST_SKIP() << "a hardware encoder works on this machine";
    }
    EXPECT_EQ(hardwareNoted, !c.noted.empty()) << row;
    for (const char* part : c.noted) EXPECT_NE(row.find(part), std::string::npos) << part << ": " << row;
  }
  const ProcessResult refused = RunCli({"--hw", "cuda", "--output-dir", out_.string(), source});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("--hw: \"cuda\" is not one of auto|off|vaapi|nvenc|qsv"), std::string::npos)
      << refused.err;
}

TEST_F(CliRunTest, AFullDiskGivesSeventyFiveAndNamesTheFileToRetry) {
  const std::string good = Source("good.mp4");
  const fs::path small = env_.MakeDir("small");
  if (geteuid() != 0 || mount("tmpfs", small.c_str(), "tmpfs", 0, "size=4k") != 0)
    GTEST_SKIP() << "a small tmpfs needs root (mount: " << std::generic_category().message(errno) << ")";
  struct Unmount {
    fs::path path;
    ~Unmount() { umount(path.c_str()); }
  } unmount{small};
  const fs::path bad = folder_ / "bad.mp4";
  WriteFile(bad, "text, not a video");

  const ProcessResult result = RunCli({"--report", "jsonl", "--output-dir", small.string(), bad.string(), good});

  EXPECT_EQ(result.exitCode, 75) << result.err;  // wins over the bad file's 1
  const std::vector<QJsonObject> objects = JsonLines(result.out);
  ASSERT_EQ(objects.size(), 3u) << result.out;
  EXPECT_TRUE(objects[1]["retry"].toBool());
  EXPECT_EQ(objects[2]["retry"].toArray().size(), 1);
  EXPECT_EQ(objects[2]["retry"].toArray()[0].toString().toStdString(), good);
  EXPECT_TRUE(NamesIn(small).empty());  // no partial output is left
}

TEST_F(CliRunTest, ShardsOfAListFileCoverEveryFileOnce) {
  std::string list = "# today's clips\n";
  for (int i = 0; i < 5; ++i) list += Source("clip" + std::to_string(i) + ".mp4") + "\n\n";
  const fs::path listFile = env_.MakeDir("lists") / "clips.txt";
  WriteFile(listFile, list);

  std::multiset<std::string> outputs;
  for (int index = 0; index < 2; ++index) {
    const ProcessResult result = RunCli({"--files-from", listFile.string(), "--shard", "auto", "--shards", "2",
                                         "--output-dir", out_.string(), "--report", "jsonl"},
                                        {{"JOB_COMPLETION_INDEX", std::to_string(index)}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("JOB_COMPLETION_INDEX=" + std::to_string(index)), std::string::npos) << result.err;
    for (const QJsonObject& object : JsonLines(result.out))
      if (object.contains("output")) outputs.insert(fs::path(object["output"].toString().toStdString()).filename());
  }
  EXPECT_EQ(outputs, (std::multiset<std::string>{"clip0_new.mp4", "clip1_new.mp4", "clip2_new.mp4", "clip3_new.mp4",
                                                 "clip4_new.mp4"}));
  EXPECT_EQ(NamesIn(out_).size(), 5u);

  // The list on standard input.
  const fs::path piped = env_.MakeDir("piped");
  const ProcessResult result =
      RunProcess({"sh", "-c", "printf '# one\\n%s\\n' \"$1\" | \"$2\" --files-from - --output-dir \"$3\"", "sh",
                  (folder_ / "clip3.mp4").string(), CliPath(), piped.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(NamesIn(piped), std::set<std::string>{"clip3_new.mp4"});
}

TEST_F(CliRunTest, SkipExistingAfterAPartialRunDoesOnlyTheRest) {
  const std::string a = Source("a.mp4");
  const std::string b = Source("b.mp4");
  const std::string c = Source("c.mp4");
  ASSERT_EQ(RunCli({"--output-dir", out_.string(), a}).exitCode, 0);
  const ino_t first = Inode(out_ / "a_new.mp4");

  const ProcessResult result = RunCli({"--skip-existing", "--report", "jsonl", "--output-dir", out_.string(), a, b, c});

  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::vector<QJsonObject> objects = JsonLines(result.out);
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0]["state"].toString(), "skipped");
  EXPECT_EQ(objects[1]["state"].toString(), "done");
  EXPECT_EQ(objects[2]["state"].toString(), "done");
  EXPECT_EQ(Inode(out_ / "a_new.mp4"), first);
  EXPECT_EQ(NamesIn(out_), (std::set<std::string>{"a_new.mp4", "b_new.mp4", "c_new.mp4"}));
  // Another template setting: made again.
  EXPECT_EQ(RunCli({"--skip-existing", "--frame-rate", "12", "--output-dir", out_.string(), a}).exitCode, 0);
  EXPECT_NE(Inode(out_ / "a_new.mp4"), first);
}

TEST_F(CliRunTest, TwoFilesAtOnceWriteWhatOneAtATimeWrites) {
  std::vector<std::string> files;
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) files.push_back(Source(name));
  // Two sources of one name from two folders: numbered, whatever the order of the encodes.
  files.push_back(Source("a.mp4", env_.MakeDir("card2")));
  const fs::path one = env_.MakeDir("one");
  const fs::path two = env_.MakeDir("two");
  for (const auto& [folder, jobs] : {std::pair{one, "1"}, std::pair{two, "2"}}) {
    std::vector<std::string> arguments = {"--jobs", jobs, "--output-dir", folder.string()};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult result = RunCli(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  ASSERT_EQ(NamesIn(one), NamesIn(two));
  EXPECT_EQ(NamesIn(one).size(), 4u);
  for (const std::string& name : NamesIn(one)) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CountFrames(one / name), CountFrames(two / name));
    const QImage a = DecodeFrame(one / name, 5);
    const QImage b = DecodeFrame(two / name, 5);
    ASSERT_EQ(a.size(), b.size());
    long long difference = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) difference += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    EXPECT_LT(difference / (static_cast<long long>(a.width()) * a.height()),
              4);  // the encoders' threads change bits, not pictures
  }
}

TEST_F(CliRunTest, TheWatchFolderTakesAFileOnceItIsCompleteAndNeverTwice) {
  const fs::path in = env_.MakeDir("in");
  const std::string clip = ReadFile(Source("clip.mp4"));
  const auto watch = [&] {
    return std::make_unique<RunningProcess>(
        Cli({"watch", in.string(), "--output-dir", out_.string(), "--poll-interval", "0.2"}));
  };

  auto watcher = watch();
  ASSERT_TRUE(watcher->WaitForError("watching", 60'000));
  // Copied in slowly, a piece at a time.
  {
    std::ofstream file(in / "slow.mp4", std::ios::binary);
    for (size_t at = 0; at < clip.size(); at += clip.size() / 8 + 1) {
      file.write(clip.data() + at, static_cast<std::streamsize>(std::min(clip.size() - at, clip.size() / 8 + 1)));
      file.flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      EXPECT_FALSE(fs::exists(out_ / "slow_new.mp4"));
    }
  }
  ASSERT_TRUE(watcher->WaitForOutput("slow.mp4: done", 60'000));
  WriteFile(in / "notes.mp4", "not a video");
  ASSERT_TRUE(watcher->WaitForError("notes.mp4: failed", 60'000));
  watcher->Signal(SIGTERM);
  const ProcessResult first = watcher->Finish();
  EXPECT_EQ(first.exitCode, 0) << first.err;
  const ino_t made = Inode(out_ / "slow_new.mp4");
  ASSERT_TRUE(Probe(out_ / "slow_new.mp4").ok);

  // After a restart: nothing twice, the failure not reported again; a new file is taken.
  watcher = watch();
  ASSERT_TRUE(watcher->WaitForError("watching", 60'000));
  fs::copy_file(folder_ / "clip.mp4", in / "later.mp4");
  ASSERT_TRUE(watcher->WaitForOutput("later.mp4: done", 60'000));
  watcher->Signal(SIGTERM);
  const ProcessResult second = watcher->Finish();
  EXPECT_EQ(second.out.find("slow.mp4"), std::string::npos) << second.out;
  EXPECT_EQ(second.err.find("notes.mp4"), std::string::npos) << second.err;
  EXPECT_EQ(Inode(out_ / "slow_new.mp4"), made);
  EXPECT_EQ(NamesIn(out_), (std::set<std::string>{"later_new.mp4", "slow_new.mp4"}));
}

}  // namespace
}  // namespace vidmora::test
