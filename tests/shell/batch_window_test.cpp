// The batch driven from the main window, with real encodes of small clips.

#include "app/processing/queue_file.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/output_preferences.h"
#include "app/processing/templates/template_store.h"
#include "app/shell/batch_runner.h"
#include "app/shell/file_list_model.h"
#include "tests/app/modal_driver.h"
#include "tests/shell/window_fixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <latch>
#include <memory>

namespace vidmora::test {

namespace fs = std::filesystem;

namespace {

// Names in the folder other than the sources and the expected outputs:
// what a run would leave behind by mistake (temporary or partial files).
std::vector<std::string> Leftovers(const fs::path& folder, const std::vector<std::string>& expected) {
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(expected.begin(), expected.end(), name) == expected.end()) left.push_back(name);
  }
  return left;
}

// Holds the batch's worker at the first progress of one row until the test
// lets it go: the run is then known to be inside that file, however fast the
// machine encodes. Lets go at the latest when it goes out of scope. The latch
// lives in a state the connection shares, since the worker may still be
// waking from it after the hold is gone.
class WorkerHold {
 public:
  WorkerHold(BatchRunner& runner, int row) : state_(std::make_shared<State>()) {
    connection_ = QObject::connect(
        &runner.Events(), &BatchSignals::rowProgressed, &runner.Events(),
        [state = state_, row](int progressedRow, const EncodeProgress&) {
          if (progressedRow != row || state->holding.exchange(true)) return;
          state->released.wait();  // on the worker's thread
        },
        Qt::DirectConnection);
  }
  ~WorkerHold() {
    Release();
    QObject::disconnect(connection_);
  }
  WorkerHold(const WorkerHold&) = delete;
  WorkerHold& operator=(const WorkerHold&) = delete;

  bool Holding() const { return state_->holding.load(); }
  void Release() {
    if (!state_->releasedOnce.exchange(true)) state_->released.count_down();
  }

 private:
  struct State {
    std::atomic<bool> holding{false};
    std::atomic<bool> releasedOnce{false};
    std::latch released{1};
  };
  std::shared_ptr<State> state_;
  QMetaObject::Connection connection_;
};

}  // namespace

TEST_F(WindowTest, ARunOverThreeClipsMarksThemDoneWithProgressAndLeavesThreeOutputs) {
  window_->AddFiles({MakeSource("a.mp4"), MakeSource("b.mp4", LongClip()), MakeSource("c.mp4")});
  // Progress of the running row as the list saw it.
  std::vector<double> progress;
  QObject::connect(&window_->Files(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
    if (window_->Files().StateAt(index.row()) == RowState::Doing) {
      progress.push_back(index.data(FileListModel::ProgressRole).toDouble());
    }
  });
  bool checkedRunningState = false;
  QObject::connect(&window_->Files(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
    if (checkedRunningState || window_->Files().StateAt(index.row()) != RowState::Doing) return;
    checkedRunningState = true;
    EXPECT_FALSE(Button("process_toolbar_btn")->isEnabled());
    EXPECT_FALSE(Button("remove_toolbar_btn")->isEnabled());
    EXPECT_FALSE(Button("preview_toolbar_btn")->isEnabled());
    EXPECT_TRUE(Button("stop_toolbar_btn")->isEnabled());
    EXPECT_TRUE(Button("add_toolbar_btn")->isEnabled());
    // The worker reads the rows: the Delete key removes none of them.
    auto* list = window_->findChild<QListView*>("file_list");
    list->setCurrentIndex(window_->Files().index(2));
    QTest::keyClick(list, Qt::Key_Delete);
    window_->RemoveSelectedFile();
    EXPECT_EQ(window_->Files().rowCount(), 3);
  });

  RunToTheEnd();

  EXPECT_TRUE(checkedRunningState);
  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Done, Done}));
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) {
    EXPECT_EQ(Probe(OutputOf(name)).Count("video"), 1) << name;
  }
  EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) { return p > 0 && p < 1; }))
      << "no progress of a running row was shown";
  EXPECT_EQ(window_->findChild<QLabel*>("status_label")->text(), "Finished: 3 done, 0 failed, 0 skipped.");
  EXPECT_TRUE(Button("process_toolbar_btn")->isEnabled());
  EXPECT_FALSE(Button("stop_toolbar_btn")->isEnabled());
}

TEST_F(WindowTest, StopDuringTheSecondOfThreeFilesFinishesItAndLeavesTheThirdReady) {
  window_->AddFiles({MakeSource("a.mp4"), MakeSource("b.mp4"), MakeSource("c.mp4")});
  WorkerHold hold(window_->Runner(), /*row=*/1);
  Button("process_toolbar_btn")->click();
  ASSERT_TRUE(WaitFor([&] { return hold.Holding() || !window_->Runner().IsRunning(); }));
  ASSERT_TRUE(hold.Holding()) << window_->Files().index(1).data(Qt::ToolTipRole).toString().toStdString();
  ASSERT_TRUE(WaitFor([&] { return window_->Files().StateAt(1) == RowState::Doing; }));
  RunSummary summary;
  QObject::connect(window_.get(), &CMainDlgUI::runEnded, [&](const RunSummary& ended) { summary = ended; });

  Button("stop_toolbar_btn")->click();
  EXPECT_FALSE(Button("stop_toolbar_btn")->isEnabled());
  hold.Release();
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));

  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Done, Ready}));
  EXPECT_EQ(Probe(OutputOf("a.mp4")).Count("video"), 1);
  EXPECT_EQ(Probe(OutputOf("b.mp4")).Count("video"), 1);
  EXPECT_FALSE(fs::exists(OutputOf("c.mp4")));
  EXPECT_EQ(Leftovers(sources_, {"a.mp4", "b.mp4", "c.mp4", OutputOf("a.mp4").filename().string(),
                                 OutputOf("b.mp4").filename().string()}),
            std::vector<std::string>{});
  EXPECT_EQ(summary.outcome, RunOutcome::Stopped);
  EXPECT_EQ(summary.notProcessed, 1);
  EXPECT_EQ(summary.lastOutputPath, QString::fromStdString(OutputOf("b.mp4").string()));
  EXPECT_EQ(window_->findChild<QLabel*>("status_label")->text(),
            "Stopped: 2 done, 0 failed, 0 skipped, 1 not processed.");

  // The next run starts every row afresh and does them all.
  RunToTheEnd();
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Done, Done}));
}

// "Files at once" in the preferences: while the first row is held inside its
// encode, the second is already being encoded beside it.
TEST_F(WindowTest, TwoFilesAtOnceEncodeTwoRowsSideBySide) {
  const QString preferences = DataFile(kPreferencesFileName);
  OutputPreferences chosen = ReadOutputPreferences(preferences);
  chosen.filesAtOnce = 2;
  ASSERT_TRUE(UpdateOutputPreferences(preferences, chosen));
  window_->AddFiles({MakeSource("a.mp4", LongClip()), MakeSource("b.mp4"), MakeSource("c.mp4")});
  std::vector<double> runProgress;
  QObject::connect(&window_->Runner(), &BatchRunner::batchProgressed,
                   [&](double fraction, double) { runProgress.push_back(fraction); });
  {
    WorkerHold hold(window_->Runner(), /*row=*/0);
    Button("process_toolbar_btn")->click();
    ASSERT_TRUE(WaitFor([&] { return hold.Holding() || !window_->Runner().IsRunning(); }));
    ASSERT_TRUE(hold.Holding());
    EXPECT_TRUE(WaitFor([&] { return window_->Files().StateAt(1) != RowState::Ready; }))
        << "the second file waited for the first";
  }
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));
  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Done, Done}));
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) EXPECT_EQ(Probe(OutputOf(name)).Count("video"), 1) << name;
  // The run's progress counts both rows being encoded and never goes back
  // (beyond the rounding of summing the rows' parts in another order).
  const auto goesBack = [](double before, double after) { return after < before - 1e-9; };
  EXPECT_EQ(std::adjacent_find(runProgress.begin(), runProgress.end(), goesBack), runProgress.end())
      << ::testing::PrintToString(runProgress);
  ASSERT_FALSE(runProgress.empty());
  EXPECT_DOUBLE_EQ(runProgress.back(), 1.0);
}

TEST_F(WindowTest, ACorruptClipFailsWithItsReasonAndTheRunGoesOn) {
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video at all");
  window_->AddFiles({QString::fromStdString(bad.string()), MakeSource("good.mp4")});

  RunToTheEnd();

  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Failed, Done}));
  const QString reason = window_->Files().index(0).data(Qt::ToolTipRole).toString();
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_NE(reason, QString::fromStdString(bad.string())) << "the tool tip should say why, not repeat the path";
  // A done row keeps its output: the tool tip names it.
  const QString good = QString::fromStdString(OutputOf("good.mp4").string());
  EXPECT_EQ(window_->Files().index(1).data(FileListModel::OutputPathRole).toString(), good);
  EXPECT_TRUE(window_->Files().index(1).data(Qt::ToolTipRole).toString().contains(good));
  EXPECT_FALSE(fs::exists(OutputOf("bad.mp4")));
  EXPECT_EQ(Probe(OutputOf("good.mp4")).Count("video"), 1);
  EXPECT_EQ(window_->findChild<QLabel*>("status_label")->text(), "Finished: 1 done, 1 failed, 0 skipped.");
}

TEST_F(WindowTest, ClosingDuringARunAsksAndOnYesLeavesNoPartialOutput) {
  window_->AddFiles({MakeSource("a.mp4", LongClip()), MakeSource("b.mp4")});
  WorkerHold hold(window_->Runner(), /*row=*/0);
  Button("process_toolbar_btn")->click();
  ASSERT_TRUE(WaitFor([&] { return hold.Holding() || !window_->Runner().IsRunning(); }));
  ASSERT_TRUE(hold.Holding()) << window_->Files().index(0).data(Qt::ToolTipRole).toString().toStdString();

  // "No" keeps the window and the run.
  OnNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->Runner().IsRunning());

  // "Yes" abandons the file being encoded and waits for the worker: it goes
  // on from its first frame as the window asks it to stop, so the long clip
  // is far from its end when the abandon comes.
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->objectName(), "close_question_box");
    hold.Release();
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_TRUE(window_->close());
  QApplication::processEvents();
  EXPECT_FALSE(window_->Runner().IsRunning());

  EXPECT_EQ(Leftovers(sources_, {"a.mp4", "b.mp4"}), std::vector<std::string>{});
}

}  // namespace vidmora::test

namespace vidmora::test {

// The list kept in the data folder: after a restart the rows come back with
// their states, outputs and reasons, and Process encodes only the rows not
// done yet.
TEST_F(WindowTest, TheListSurvivesARestartAndProcessSkipsTheDoneRows) {
  const QString queue = DataFile(QString::fromLatin1(kQueueFileName));
  EXPECT_EQ(window_->KeepQueueIn(queue), "");
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video at all");
  window_->AddFiles({MakeSource("a.mp4"), QString::fromStdString(bad.string())});
  RunToTheEnd();
  using enum RowState;
  ASSERT_EQ(States(window_->Files()), (std::vector{Done, Failed}));
  const QString reason = window_->Files().StatusAt(1).reason;
  const auto written = fs::last_write_time(OutputOf("a.mp4"));

  // A second start of the program.
  window_ = std::make_unique<CMainDlgUI>();
  window_->SetRevealOutputAtEnd(false);
  window_->SetNotifyAtEnd(false);
  window_->SetTemplateNames(ReadTemplateNames(TemplatesFolder()), 0);
  window_->show();
  EXPECT_EQ(window_->KeepQueueIn(queue), "");
  ASSERT_EQ(States(window_->Files()), (std::vector{Done, Failed}));
  EXPECT_EQ(window_->Files().index(0).data(FileListModel::OutputPathRole).toString(),
            QString::fromStdString(OutputOf("a.mp4").string()));
  EXPECT_EQ(window_->Files().StatusAt(1).reason, reason);

  window_->AddFiles({MakeSource("c.mp4")});
  RunToTheEnd();
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Failed, Done}));
  EXPECT_EQ(fs::last_write_time(OutputOf("a.mp4")), written) << "a done row was encoded again";
  EXPECT_EQ(Probe(OutputOf("c.mp4")).Count("video"), 1);
  EXPECT_EQ(window_->findChild<QLabel*>("status_label")->text(), "Finished: 1 done, 1 failed, 0 skipped.");

  // Every row done: Process asks first, and "No" runs nothing.
  auto* list = window_->findChild<QListView*>("file_list");
  list->selectionModel()->select(window_->Files().index(1), QItemSelectionModel::ClearAndSelect);
  window_->RemoveSelectedFile();
  ASSERT_EQ(States(window_->Files()), (std::vector{Done, Done}));
  OnNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::No)->click();
  });
  Button("process_toolbar_btn")->click();
  EXPECT_FALSE(window_->Runner().IsRunning());
  EXPECT_EQ(fs::last_write_time(OutputOf("a.mp4")), written);
}

TEST_F(WindowTest, ADamagedListIsKeptAsideAndTheWindowStartsEmpty) {
  const QString queue = DataFile(QString::fromLatin1(kQueueFileName));
  WriteFile(queue.toStdString(), "{\"version\": 1, \"rows\": [{\"sou");
  const QString warning = window_->KeepQueueIn(queue);
  EXPECT_TRUE(warning.contains(queue + ".bak")) << warning.toStdString();
  EXPECT_EQ(window_->Files().rowCount(), 0);
  EXPECT_EQ(ReadFile(queue.toStdString() + ".bak"), "{\"version\": 1, \"rows\": [{\"sou");
  // The next change writes a sound file again.
  window_->AddFiles({MakeSource("a.mp4")});
  QApplication::processEvents();  // changes are written when the event loop next runs
  EXPECT_EQ(ReadQueue(queue).rows.size(), 1u);
}

TEST_F(WindowTest, SelectedRowsAreRemovedTogetherAndTheListCommandsKeepTheRest) {
  window_->AddFiles({MakeSource("a.mp4"), MakeSource("b.mp4"), MakeSource("c.mp4"), MakeSource("d.mp4")});
  auto* list = window_->findChild<QListView*>("file_list");
  list->selectionModel()->select(window_->Files().index(0), QItemSelectionModel::Select);
  list->selectionModel()->select(window_->Files().index(2), QItemSelectionModel::Select);
  window_->RemoveSelectedFile();
  const auto names = [&] {
    QStringList names;
    for (const QString& path : window_->Files().Paths()) names << QFileInfo(path).fileName();
    return names.join(' ').toStdString();
  };
  EXPECT_EQ(names(), "b.mp4 d.mp4");
  // Ctrl+A selects every row.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list->selectionModel()->selectedRows().size(), 2);

  RunToTheEnd();
  window_->AddFiles({MakeSource("e.mp4")});
  window_->RemoveDoneFiles();
  EXPECT_EQ(names(), "e.mp4");
  window_->ClearFiles();
  EXPECT_EQ(window_->Files().rowCount(), 0);
}

}  // namespace vidmora::test
