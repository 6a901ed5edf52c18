#include "app/processing/batch.h"

#include "app/processing/encoding_settings.h"
#include "tests/app/engine_fixture.h"

#include <QSettings>

#include <algorithm>
#include <tuple>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

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

// One event as the observer received it, with the thread that called it.
struct Event {
  enum Kind { Started, State, Progress, Finished };
  Event(Kind kind, int row, RowStatus status = {}, RunSummary summary = {})
      : kind(kind), row(row), status(std::move(status)), summary(std::move(summary)) {}
  Kind kind;
  int row;
  RowStatus status;
  RunSummary summary;
  std::thread::id thread = std::this_thread::get_id();
};

// Records what the batch reports; `onState` and `onProgress` let a test act at
// a given moment (on the worker thread).
class RecordingObserver : public BatchObserver {
 public:
  void RunStarted(int rows) override { Add(Event(Event::Started, rows)); }
  void RowStateChanged(int row, const RowStatus& status) override {
    Add(Event(Event::State, row, status));
    std::lock_guard lock(mutex);
    changes.push_back({row, status.state});
    if (status.state == RowState::Failed) failureReason = status.reason;
    if (onState) onState(row, status.state);
  }
  void RowProgressed(int row, const EncodeProgress& progress) override {
    Add(Event(Event::Progress, row));
    if (onProgress) onProgress(progress);
  }
  void RunFinished(const RunSummary& summary) override {
    Add(Event(Event::Finished, -1, {}, summary));
    std::lock_guard lock(mutex);
    ++finishedRuns;
    finishedWith = summary.lastOutputPath;
    finishedCondition.notify_all();
  }
  std::vector<Event> Events() {
    std::lock_guard lock(mutex);
    return events;
  }

  std::mutex mutex;
  std::condition_variable finishedCondition;
  std::vector<Event> events;
  std::vector<std::pair<int, RowState>> changes;
  std::function<void(int, RowState)> onState;
  std::function<void(const EncodeProgress&)> onProgress;
  QString failureReason;
  QString finishedWith;
  int finishedRuns = 0;

 private:
  void Add(Event event) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(event));
  }
};

class BatchTest : public EngineTest {
 protected:
  std::vector<RowState> States(const Batch& batch, int rows) {
    std::vector<RowState> states;
    states.reserve(static_cast<size_t>(std::max(rows, 0)));
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

TEST_F(BatchTest, EventsOfADoneAFailedASkippedAndAStoppedFileInOrderOnTheWorker) {
  const fs::path out = env_.MakeDir("out");
  JobSettings job = Settings(0);  // keep the name: an existing output is kept
  job.output.outputFolderOpts = 1;
  job.output.outputFolderPath = QString::fromStdString(out.string());
  FixedSettings settings(job);
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  batch.AddFile(MakeSource("good.mp4"));
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video");
  batch.AddFile(QString::fromStdString(bad.string()));
  batch.AddFile(MakeSource("kept.mp4"));
  WriteFile(out / "kept.mp4", "an earlier output");
  batch.AddFile(MakeSource("later.mp4"));
  observer.onState = [&](int row, RowState state) {
    if (row == 2 && state == RowState::Skipped) batch.Stop();
  };

  ASSERT_TRUE(batch.StartProcessing());
  batch.Wait();

  const auto path = [&](const char* name) { return QString::fromStdString((out / name).string()); };
  struct Expected {
    Event::Kind kind;
    int row;
    RowState state;
    QString outputPath;
  };
  using enum RowState;
  const std::vector<Expected> expected = {
      {Event::Started, 4, Ready, {}},
      {Event::State, 0, Ready, {}},
      {Event::State, 1, Ready, {}},
      {Event::State, 2, Ready, {}},
      {Event::State, 3, Ready, {}},
      {Event::State, 0, Doing, path("good.mp4")},
      {Event::State, 0, Done, path("good.mp4")},
      {Event::State, 1, Doing, path("bad.mp4")},
      {Event::State, 1, Failed, path("bad.mp4")},
      {Event::State, 2, Skipped, path("kept.mp4")},
      {Event::Finished, -1, Ready, {}},
  };
  std::vector<Event> events = observer.Events();
  ASSERT_FALSE(events.empty());
  const std::thread::id worker = events.front().thread;
  EXPECT_NE(worker, std::this_thread::get_id());
  std::vector<Event> withoutProgress;
  for (const Event& e : events) {
    EXPECT_EQ(e.thread, worker);
    if (e.kind == Event::Progress) {
      EXPECT_TRUE(e.row == 0 || e.row == 1) << e.row;  // only while a row is being encoded
    } else {
      withoutProgress.push_back(e);
    }
  }
  ASSERT_EQ(withoutProgress.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const Event& e = withoutProgress[i];
    EXPECT_EQ(e.kind, expected[i].kind);
    EXPECT_EQ(e.row, expected[i].row);
    if (e.kind != Event::State) continue;
    EXPECT_EQ(e.status.state, expected[i].state);
    EXPECT_EQ(e.status.outputPath, expected[i].outputPath);
    const bool hasReason = e.status.state == Failed || e.status.state == Skipped;
    EXPECT_EQ(!e.status.reason.isEmpty(), hasReason) << e.status.reason.toStdString();
    EXPECT_FALSE(e.status.reason.contains('\n'));
  }
  const RunSummary& summary = withoutProgress.back().summary;
  EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
  EXPECT_EQ(std::tuple(summary.done, summary.failed, summary.skipped), std::tuple(1, 1, 1));
  EXPECT_EQ(ReadFile(out / "kept.mp4"), "an earlier output");
  EXPECT_FALSE(fs::exists(out / "later.mp4"));
  EXPECT_EQ(batch.State(3), Ready);
}

TEST_F(BatchTest, AbandonDuringAnEncodeLeavesNoOutputAndReturnsWithinASecond) {
  FixedSettings settings(Settings(1, "_wm"));
  RecordingObserver observer;
  Batch batch(settings, observer, &sink_, ProgramFolder());
  ClipSpec spec = SmallClip();
  spec.seconds = 20;
  batch.AddFile(MakeSource("long.mp4", spec));
  batch.AddFile(MakeSource("next.mp4"));
  std::promise<void> encoding;
  bool told = false;
  observer.onProgress = [&](const EncodeProgress& progress) {
    if (progress.frames > 0 && !told) {
      told = true;
      encoding.set_value();
    }
  };

  ASSERT_TRUE(batch.StartProcessing());
  ASSERT_EQ(encoding.get_future().wait_for(std::chrono::minutes(2)), std::future_status::ready);
  const auto start = std::chrono::steady_clock::now();
  batch.Abandon();
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_FALSE(batch.IsRunning());
  EXPECT_EQ(batch.State(0), RowState::Failed);
  EXPECT_EQ(batch.State(1), RowState::Ready);
  const std::vector<Event> events = observer.Events();
  ASSERT_EQ(events.back().kind, Event::Finished);
  EXPECT_EQ(events.back().summary.outcome, RunOutcome::Abandoned);
  EXPECT_EQ(events.back().summary.failed, 1);
  // Nothing is left of the abandoned output, not even its hidden temporary.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(sources_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"long.mp4", "next.mp4"}));
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
      changed.container = Container::kMkv;
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
