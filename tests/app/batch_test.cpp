#include "app/processing/batch.h"

#include "app/processing/encoding_settings.h"
#include "tests/app/engine_fixture.h"

#include <QSettings>

#include <condition_variable>
#include <filesystem>
#include <functional>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Settings handed out as the test wants them; counts the reads.
class FixedSettings : public JobSettingsSource {
 public:
  explicit FixedSettings(JobSettings settings) : settings_(std::move(settings)) {}
  JobSettings Load() override {
    ++loads;
    return settings_;
  }
  int loads = 0;

 private:
  JobSettings settings_;
};

// Records what the batch reports; `onState` lets a test act at a given moment.
class RecordingObserver : public BatchObserver {
 public:
  void RowStateChanged(int row, RowState state, const QString& detail) override {
    std::lock_guard lock(mutex);
    changes.push_back({row, state});
    if (state == RowState::Failed) failureReason = detail;
    if (onState) onState(row, state);
  }
  void RowProgressed(int, const EncodeProgress&) override {}
  void RunFinished(const QString& lastOutputPath) override {
    std::lock_guard lock(mutex);
    ++finishedRuns;
    finishedWith = lastOutputPath;
  }

  std::mutex mutex;
  std::vector<std::pair<int, RowState>> changes;
  std::function<void(int, RowState)> onState;
  QString failureReason;
  QString finishedWith;
  int finishedRuns = 0;
};

class BatchTest : public EngineTest {
 protected:
  std::vector<RowState> States(const Batch& batch, int rows) {
    std::vector<RowState> states;
    for (int row = 0; row < rows; ++row) states.push_back(batch.State(row));
    return states;
  }
};

TEST_F(BatchTest, AnEmptyListEndsAtOnceWithTheLastOutputSoFar) {
  FixedSettings settings(Settings());
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  EXPECT_EQ(observer.finishedRuns, 1);
  EXPECT_EQ(observer.finishedWith, "");
  EXPECT_EQ(settings.loads, 0);
  EXPECT_FALSE(batch.IsRunning());
}

TEST_F(BatchTest, StopDuringTheThirdOfFiveFinishesTheThirdAndLeavesTheRest) {
  FixedSettings settings(Settings(1, "_wm"));
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  for (int i = 1; i <= 5; ++i) batch.AddFile(MakeSource(QString("clip%1.mp4").arg(i)));
  observer.onState = [&](int row, RowState state) {
    if (row == 2 && state == RowState::Doing) batch.Stop();
  };

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  using enum RowState;
  EXPECT_EQ(States(batch, 5), (std::vector{Done, Done, Done, Ready, Ready}));
  EXPECT_EQ(observer.finishedWith, QString::fromStdString((sources_ / "clip3_wm.mp4").string()));
  EXPECT_FALSE(fs::exists(sources_ / "clip4_wm.mp4"));

  // A second run turns every row back to ready first, then does them all.
  observer.onState = nullptr;
  {
    std::lock_guard lock(observer.mutex);
    observer.changes.clear();
  }
  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();
  ASSERT_GE(observer.changes.size(), 5u);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(observer.changes[row], std::make_pair(row, Ready));
  EXPECT_EQ(States(batch, 5), (std::vector{Done, Done, Done, Done, Done}));
  EXPECT_EQ(observer.finishedRuns, 2);
}

TEST_F(BatchTest, AStopDuringTheLastFileDoesNotStopTheNextRun) {
  FixedSettings settings(Settings(1, "_wm"));
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  batch.AddFile(MakeSource("only.mp4"));
  observer.onState = [&](int, RowState state) {
    if (state == RowState::Doing) batch.Stop();
  };
  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();
  ASSERT_EQ(batch.State(0), RowState::Done);

  observer.onState = nullptr;
  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();
  EXPECT_EQ(settings.loads, 2);  // the second run did its file
  EXPECT_EQ(batch.State(0), RowState::Done);
}

TEST_F(BatchTest, AFailedFileGetsItsOwnStateAndTheRunGoesOn) {
  FixedSettings settings(Settings(1, "_wm"));
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  batch.AddFile(MakeSource("good1.mp4"));
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video");
  batch.AddFile(QString::fromStdString(bad.string()));
  batch.AddFile(MakeSource("good2.mp4"));

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  using enum RowState;
  EXPECT_EQ(States(batch, 3), (std::vector{Done, Failed, Done}));
  EXPECT_FALSE(observer.failureReason.isEmpty());
}

TEST_F(BatchTest, ASettingsChangeBetweenTwoFilesTakesEffectOnTheSecond) {
  StoredJobSettings settings("Demo 1");
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  batch.AddFile(MakeSource("first.mp4"));
  batch.AddFile(MakeSource("second.mp4"));
  // The stored preferences write beside the source with "_new"; after the
  // first file the stored container becomes MKV.
  observer.onState = [&](int row, RowState state) {
    if (row == 0 && state == RowState::Done) {
      QSettings profile(kProfileOrganization, kProfileApplication);
      EncodingSettings changed = ReadEncodingSettings(profile);
      changed.outputFormat = 3;
      WriteEncodingSettings(profile, changed);
    }
  };

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  EXPECT_TRUE(fs::exists(sources_ / "first_new.mp4"));
  EXPECT_TRUE(fs::exists(sources_ / "second_new.mkv"));
  EXPECT_EQ(Probe(sources_ / "second_new.mkv").First("video")->codec, "h264");
}

TEST_F(BatchTest, EverySourceIsLoggedOnce) {
  FixedSettings settings(Settings(1, "_wm"));
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  const QString source = MakeSource("logged.mp4");
  batch.AddFile(source);

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  const std::string log = ReadFile(env_.DataHome() / "Vidmora" / "log" / "Vidmora.log");
  EXPECT_NE(log.find(source.toStdString()), std::string::npos) << log;
}

}  // namespace
}  // namespace vidmora::test
