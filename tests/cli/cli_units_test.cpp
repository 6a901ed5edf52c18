// The command line's parts that need no process: options, lists and shards.

#include "cli/cli_options.h"
#include "cli/file_list.h"
#include "cli/overridden_settings.h"

#include "shared/program_profile.h"
#include "tests/support/temp_env.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vidmora::cli {
namespace {

TEST(CliShards, EveryFileOfTheListIsInExactlyOneShard) {
  QStringList files;
  for (int i = 0; i < 10; ++i) files << QString("/v/clip%1.mp4").arg(i);
  for (const int count : {1, 3, 10}) {
    std::multiset<QString> covered;
    for (int index = 0; index < count; ++index) {
      QString error;
      const std::optional<Shard> shard = ParseShard(QString("%1/%2").arg(index).arg(count), error);
      ASSERT_TRUE(shard) << error.toStdString();
      for (const QString& file : FilesOfShard(files, *shard)) covered.insert(file);
    }
    EXPECT_EQ(covered, std::multiset<QString>(files.begin(), files.end())) << "N = " << count;
  }
  QString error;
  EXPECT_EQ(FilesOfShard(files, *ParseShard("1/3", error)), QStringList({files[1], files[4], files[7]}));
  for (const char* bad : {"3/3", "-1/3", "1/0", "1", "a/b", "1/2/3", ""}) {
    EXPECT_FALSE(ParseShard(bad, error)) << bad;
    EXPECT_TRUE(error.contains("K/N")) << error.toStdString();
  }
}

TEST(CliShards, AutoTakesTheSchedulersVariables) {
  struct Case {
    const char* name;
    std::map<std::string, QString> environment;
    std::optional<int> shards;
    int index, count;  // -1: refused
    const char* said;  // in the origin, or in the error
  };
  const Case cases[] = {
      {"Slurm",
       {{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_MIN", "4"}},
       {},
       1,
       3,
       "SLURM_ARRAY_TASK_ID=5"},
      {"Slurm without a minimum",
       {{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "3"}},
       {},
       2,
       3,
       "SLURM_ARRAY_TASK_COUNT=3"},
      {"Slurm beyond its count",
       {{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_COUNT", "3"}},
       {},
       -1,
       -1,
       "give no task"},
      {"Kubernetes", {{"JOB_COMPLETION_INDEX", "6"}}, 7, 6, 7, "JOB_COMPLETION_INDEX=6"},
      {"Kubernetes without --shards", {{"JOB_COMPLETION_INDEX", "6"}}, {}, -1, -1, "--shards N"},
      {"Kubernetes beyond --shards", {{"JOB_COMPLETION_INDEX", "7"}}, 7, -1, -1, "not below --shards 7"},
      {"AWS Batch", {{"AWS_BATCH_JOB_ARRAY_INDEX", "0"}}, 2, 0, 2, "AWS_BATCH_JOB_ARRAY_INDEX=0"},
      {"AWS Batch, not a number", {{"AWS_BATCH_JOB_ARRAY_INDEX", "x"}}, 2, -1, -1, "is not a number"},
      {"none", {}, 4, -1, -1, "no job array found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    const auto environment = [&](const char* name) {
      const auto found = c.environment.find(name);
      return found == c.environment.end() ? QString() : found->second;
    };
    const std::optional<Shard> shard = ShardFromEnvironment(environment, c.shards, error);
    if (c.index < 0) {
      EXPECT_FALSE(shard);
      EXPECT_TRUE(error.contains(c.said)) << error.toStdString();
      continue;
    }
    ASSERT_TRUE(shard) << error.toStdString();
    EXPECT_EQ(shard->index, c.index);
    EXPECT_EQ(shard->count, c.count);
    EXPECT_TRUE(shard->origin.contains(c.said)) << shard->origin.toStdString();
  }
}

TEST(CliFileList, SkipsBlankAndCommentLinesAndKeepsNamesWhole) {
  test::TempEnv env;
  const auto list = env.MakeDir("lists") / "files.txt";
  test::WriteFile(list, "# clips of Monday\n/v/a.mp4\n\n   \r\n/v/with  spaces .mp4\r\n#/v/skipped.mp4\n/v/last.mp4");
  QString error;
  const std::optional<QStringList> files = ReadFileList(QString::fromStdString(list.string()), error);
  ASSERT_TRUE(files) << error.toStdString();
  EXPECT_EQ(*files, QStringList({"/v/a.mp4", "/v/with  spaces .mp4", "/v/last.mp4"}));
  EXPECT_FALSE(ReadFileList(QString::fromStdString((list.parent_path() / "none.txt").string()), error));
  EXPECT_TRUE(error.contains("none.txt")) << error.toStdString();
}

TEST(CliOptions, NewOptionsAreCheckedAndTheHelpNamesEveryOption) {
  const std::vector<std::pair<QStringList, QString>> refused = {
      {{"--existing", "maybe", "a.mp4"}, "--existing: \"maybe\" is not one of keep-both|replace|skip"},
      {{"--jobs", "0", "a.mp4"}, "--jobs: \"0\" is not a whole number from 1 to 64"},
      {{"--shards", "3", "a.mp4"}, "--shards goes with --shard auto"},
      {{"--report", "xml", "a.mp4"}, "--report: \"xml\" is not jsonl"},
      {{"--smart", "yes", "a.mp4"}, "--smart: \"yes\" is not on or off"},
      {{"watch", "in"}, "watch needs --output-dir OUT"},
      {{"watch", "--output-dir", "out"}, "watch needs one folder"},
      {{"templates", "--jobs", "2"}, "are for a batch of files"},
      {{"--image", "x.png", "a.mp4"}, "unknown option --image"},
      {{"--poll-interval", "0", "watch", "in", "--output-dir", "o"}, "--poll-interval"},
      {{"--no-such"}, "Unknown option 'no-such'"},
  };
  for (const auto& [arguments, message] : refused) {
    QString error;
    EXPECT_FALSE(ParseCommandLine(arguments, error)) << arguments.join(' ').toStdString();
    EXPECT_TRUE(error.contains(message)) << error.toStdString();
  }

  QString error;
  const std::optional<CliOptions> options =
      ParseCommandLine({"--existing", "keep-both", "--skip-existing", "--files-from", "-", "--shard", "auto",
                        "--shards", "4", "--report", "jsonl", "--jobs", "2", "--", "--odd.mp4"},
                       error);
  ASSERT_TRUE(options) << error.toStdString();
  EXPECT_EQ(options->existing, ExistingOutputs::KeepBoth);
  EXPECT_TRUE(options->skipExisting);
  EXPECT_EQ(options->filesFrom, "-");
  EXPECT_EQ(options->shard, "auto");
  EXPECT_EQ(options->shards, 4);
  EXPECT_EQ(options->report, ReportFormat::JsonLines);
  EXPECT_EQ(options->jobs, 2);
  EXPECT_EQ(options->files, QStringList({"--odd.mp4"}));
  EXPECT_FALSE(options->overrides.onlyReencodeMarked);  // the stored choice stays
  for (const auto& [word, on] : {std::pair{"on", true}, {"off", false}}) {
    const std::optional<CliOptions> smart = ParseCommandLine({"--smart", word, "a.mp4"}, error);
    ASSERT_TRUE(smart) << error.toStdString();
    EXPECT_EQ(smart->overrides.onlyReencodeMarked, on);
  }

  const std::optional<CliOptions> watch = ParseCommandLine({"watch", "in", "--output-dir", "out"}, error);
  ASSERT_TRUE(watch) << error.toStdString();
  EXPECT_EQ(watch->command, Command::Watch);
  EXPECT_EQ(watch->watchFolder, "in");

  const QString help = UsageText();
  for (const char* option : {"--template NAME", "--existing WHAT", "--files-from FILE", "--shard K/N", "--shards N",
                             "--report jsonl", "--jobs N", "--skip-existing", "--volume N", "--version"})
    EXPECT_TRUE(help.contains(option)) << option;
}

// The encoding names scripts depend on: --vcodec same, --acodec same (copy),
// --quality and --speed, applied over the stored settings.
TEST(CliOptions, QualitySpeedAndSameReachTheSettings) {
  QString error;
  const std::optional<CliOptions> options =
      ParseCommandLine({"--format", "webm", "--vcodec", "av1", "--acodec", "same", "--quality", "like-source",
                        "--speed", "faster", "--hw", "vaapi", "a.mp4"},
                       error);
  ASSERT_TRUE(options) << error.toStdString();
  JobSettings settings;
  ApplyOverrides(options->overrides, settings);
  EXPECT_EQ(settings.encoding.container, Container::kWebm);
  EXPECT_EQ(settings.encoding.videoCodec, VideoCodec::kAv1);
  EXPECT_EQ(settings.encoding.audioCodec, AudioCodec::kCopy);
  EXPECT_EQ(settings.encoding.quality, QualityChoice::kLikeSource);
  EXPECT_EQ(settings.encoding.speed, SpeedChoice::kFaster);
  EXPECT_EQ(settings.encoding.hardware, HardwareChoice::kVaapi);
  EXPECT_TRUE(CheckCodecChoice(options->overrides, settings.encoding).isEmpty());

  const std::optional<CliOptions> level = ParseCommandLine({"--vcodec", "same", "--quality", "30", "a.mp4"}, error);
  ASSERT_TRUE(level) << error.toStdString();
  ApplyOverrides(level->overrides, settings);
  EXPECT_EQ(settings.encoding.quality, QualityChoice::kLevel);
  EXPECT_EQ(settings.encoding.qualityLevel, 30);
  EXPECT_EQ(settings.encoding.videoCodec, VideoCodec::kSame);

  const std::optional<CliOptions> sized = ParseCommandLine({"--target-size", "9.5", "a.mp4"}, error);
  ASSERT_TRUE(sized) << error.toStdString();
  ApplyOverrides(sized->overrides, settings);
  EXPECT_EQ(settings.encoding.targetSizeMb, 9.5);
  ApplyOverrides(ParseCommandLine({"--target-size", "none", "a.mp4"}, error)->overrides, settings);
  EXPECT_FALSE(settings.encoding.targetSizeMb);
  // A size given replaces the stored one whole (a stored box, enlarged).
  settings.encoding.outputWidth = 800;
  settings.encoding.outputHeight = 600;
  settings.encoding.enlargeOutput = true;
  ApplyOverrides(ParseCommandLine({"--width", "1280", "a.mp4"}, error)->overrides, settings);
  EXPECT_EQ(settings.encoding.outputWidth, 1280);
  EXPECT_EQ(settings.encoding.outputHeight, 0);
  EXPECT_FALSE(settings.encoding.enlargeOutput);
  ApplyOverrides(ParseCommandLine({"--height", "720", "--enlarge", "a.mp4"}, error)->overrides, settings);
  EXPECT_EQ(settings.encoding.outputWidth, 0);
  EXPECT_EQ(settings.encoding.outputHeight, 720);
  EXPECT_TRUE(settings.encoding.enlargeOutput);

  for (const QStringList& refused :
       {QStringList{"--quality", "52", "a.mp4"}, QStringList{"--quality", "best", "a.mp4"},
        QStringList{"--speed", "slow", "a.mp4"}, QStringList{"--target-size", "0", "a.mp4"},
        QStringList{"--target-size", "big", "a.mp4"}, QStringList{"--width", "16385", "a.mp4"},
        QStringList{"--height", "auto", "a.mp4"}, QStringList{"--hw", "cuda", "a.mp4"}}) {
    EXPECT_FALSE(ParseCommandLine(refused, error)) << refused.join(' ').toStdString();
    EXPECT_TRUE(error.contains(refused[0] + ": \"" + refused[1] + "\"")) << error.toStdString();
  }
}

// A preset sets its values first; options given beside it win, and a size
// given replaces its size. The user's presets are found too.
TEST(CliOptions, APresetSetsItsValuesAndTheOtherOptionsWin) {
  test::TempEnv env;
  QString error;
  JobSettings settings;
  settings.encoding.videoBitrateKbps = 3000;
  ApplyOverrides(ParseCommandLine({"--preset", "webm av1", "a.mp4"}, error)->overrides, settings);
  EXPECT_EQ(settings.encoding.container, Container::kWebm);
  EXPECT_EQ(settings.encoding.videoCodec, VideoCodec::kAv1);
  EXPECT_EQ(settings.encoding.audioCodec, AudioCodec::kOpus);
  EXPECT_EQ(settings.encoding.quality, QualityChoice::kStandard);
  EXPECT_FALSE(settings.encoding.videoBitrateKbps);

  const std::optional<CliOptions> web =
      ParseCommandLine({"--quality", "high", "--preset", "Web H.264 1080p", "--width", "1280", "a.mp4"}, error);
  ASSERT_TRUE(web) << error.toStdString();
  ApplyOverrides(web->overrides, settings);
  EXPECT_EQ(settings.encoding.container, Container::kMp4);
  EXPECT_EQ(settings.encoding.videoCodec, VideoCodec::kH264);
  EXPECT_EQ(settings.encoding.quality, QualityChoice::kHigh);
  EXPECT_EQ(settings.encoding.outputWidth, 1280);
  EXPECT_EQ(settings.encoding.outputHeight, 0);
  ApplyOverrides(ParseCommandLine({"--preset", "Web H.264 1080p", "a.mp4"}, error)->overrides, settings);
  EXPECT_EQ(settings.encoding.outputWidth, 1920);
  EXPECT_EQ(settings.encoding.outputHeight, 1080);

  // A codec the preset's container does not hold is refused as any other.
  const std::optional<CliOptions> refused =
      ParseCommandLine({"--preset", "WebM AV1", "--vcodec", "h264", "a.mp4"}, error);
  ASSERT_TRUE(refused) << error.toStdString();
  ApplyOverrides(refused->overrides, settings);
  EXPECT_FALSE(CheckCodecChoice(refused->overrides, settings.encoding).isEmpty());

  EXPECT_FALSE(ParseCommandLine({"--preset", "Mine", "a.mp4"}, error));
  EXPECT_TRUE(error.contains("--preset: \"Mine\" is no preset")) << error.toStdString();
  EXPECT_TRUE(error.contains("\"Archive: same as source\"")) << error.toStdString();
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    WriteUserPresets(profile, {{"Mine", Container::kMkv, VideoCodec::kVp9, AudioCodec::kFlac, QualityChoice::kSmall, 23,
                                SpeedChoice::kFaster, 0, 480}});
  }
  const std::optional<CliOptions> mine = ParseCommandLine({"--preset", "mine", "a.mp4"}, error);
  ASSERT_TRUE(mine) << error.toStdString();
  ApplyOverrides(mine->overrides, settings);
  EXPECT_EQ(settings.encoding.container, Container::kMkv);
  EXPECT_EQ(settings.encoding.audioCodec, AudioCodec::kFlac);
  EXPECT_EQ(settings.encoding.speed, SpeedChoice::kFaster);
  EXPECT_EQ(settings.encoding.outputHeight, 480);
}

}  // namespace
}  // namespace vidmora::cli
