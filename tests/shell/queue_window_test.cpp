// The main window's list as a queue: rows moved by drag, probed as they come,
// results within reach, and the window at home on the desktop.

#include "app/processing/job_settings.h"
#include "app/processing/queue_file.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/shell/batch_runner.h"
#include "app/shell/file_list_model.h"
#include "app/shell/file_row_delegate.h"
#include "app/shell/single_instance.h"
#include "tests/app/modal_driver.h"
#include "tests/shell/desktop_stand_ins.h"
#include "tests/shell/window_fixture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace vidmora::test {

namespace fs = std::filesystem;

namespace {

std::string Names(const QStringList& paths) {
  QStringList names;
  for (const QString& path : paths) names << QFileInfo(path).fileName();
  return names.join(' ').toStdString();
}

// A drag of `actions` that enters `target` at `at` and ends there as a move;
// whether the drop was taken.
bool DragAndDrop(QWidget* target, const QMimeData& data, QPoint at, Qt::DropActions actions) {
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// Drags the list's rows `rows` onto the top edge of the row `onto`.
void DropRows(QListView* list, const std::vector<int>& rows, int onto) {
  QModelIndexList indexes;
  for (int row : rows) indexes << list->model()->index(row, 0);
  std::unique_ptr<QMimeData> data(list->model()->mimeData(indexes));
  DragAndDrop(list->viewport(), *data, list->visualRect(list->model()->index(onto, 0)).topLeft() + QPoint(4, 1),
              Qt::MoveAction);
}

// Opens the list's menu on `row` and runs `act` on it while it is shown;
// the menu is closed afterwards if `act` left it open.
void WithRowMenu(QListView* list, int row, const std::function<void(QMenu*)>& act) {
  auto* timer = new QTimer(list);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !menu->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(menu);
    if (menu->isVisible()) menu->close();
  });
  timer->start(0);
  emit list->customContextMenuRequested(list->visualRect(list->model()->index(row, 0)).center());
}

// The menu's action of that name, triggered; false when it is missing or disabled.
bool Choose(QMenu* menu, const char* name) {
  auto* action = menu->findChild<QAction*>(QString::fromLatin1(name));
  if (action == nullptr || !action->isEnabled()) return false;
  menu->close();
  action->trigger();
  return true;
}

}  // namespace

// A row dragged to another place moves in the batch too: the run's results
// land on the rows they belong to, and the kept list has the new order.
TEST_F(WindowTest, RowsDraggedToAnotherPlaceAreRunInTheirNewOrder) {
  const QString queue = DataFile(QString::fromLatin1(kQueueFileName));
  EXPECT_EQ(window_->KeepQueueIn(queue), "");
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video at all");
  window_->AddFiles({MakeSource("a.mp4"), MakeSource("b.mp4"), QString::fromStdString(bad.string())});
  auto* list = window_->findChild<QListView*>("file_list");
  ASSERT_NE(list, nullptr);

  DropRows(list, {2}, 0);
  EXPECT_EQ(Names(window_->Files().Paths()), "bad.mp4 a.mp4 b.mp4");
  // A view moving a row itself (a drag inside the list) goes the same way.
  EXPECT_TRUE(window_->Files().moveRow({}, 1, {}, 3));
  EXPECT_EQ(Names(window_->Files().Paths()), "bad.mp4 b.mp4 a.mp4");
  // Several rows dragged together keep their order.
  DropRows(list, {0, 2}, 1);
  EXPECT_EQ(Names(window_->Files().Paths()), "bad.mp4 a.mp4 b.mp4");
  QApplication::processEvents();  // the list is written when the event loop next runs
  QStringList kept;
  for (const QueuedRow& row : ReadQueue(queue).rows) kept << row.sourcePath;
  EXPECT_EQ(Names(kept), "bad.mp4 a.mp4 b.mp4");

  // Files dragged onto the list from outside are added.
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(MakeSource("c.mp4"))});
  EXPECT_TRUE(DragAndDrop(list->viewport(), files, QPoint(4, 4), Qt::CopyAction | Qt::MoveAction));
  EXPECT_EQ(Names(window_->Files().Paths()), "bad.mp4 a.mp4 b.mp4 c.mp4");

  // Not during a run: the worker reads the rows.
  Button("process_toolbar_btn")->click();
  ASSERT_TRUE(window_->Runner().IsRunning());
  EXPECT_FALSE(list->dragEnabled());
  DropRows(list, {2}, 0);
  EXPECT_FALSE(window_->Files().moveRow({}, 2, {}, 0));
  EXPECT_EQ(Names(window_->Files().Paths()), "bad.mp4 a.mp4 b.mp4 c.mp4");
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));
  EXPECT_TRUE(list->dragEnabled());

  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Failed, Done, Done, Done}));
  EXPECT_EQ(window_->Files().index(1).data(FileListModel::OutputPathRole).toString(),
            QString::fromStdString(OutputOf("a.mp4").string()));
  EXPECT_FALSE(window_->Files().StatusAt(0).reason.isEmpty());
}

// Each row is read as it is added, off the window's thread: a file that is
// not a video says so on its row before any run, the others show their
// length and size, and a done row its output's name.
TEST_F(WindowTest, AddedRowsAreReadInTheBackgroundAndAFileThatIsNoVideoSaysSo) {
  const fs::path notes = sources_ / "notes.mp4";
  WriteFile(notes, "a shopping list, not a video");
  ASSERT_EQ(window_->AddFiles({MakeSource("a.mp4"), QString::fromStdString(notes.string())}), 2);
  const FileListModel& files = window_->Files();
  // Adding did not wait for the files to be read.
  EXPECT_FALSE(files.index(0).data(FileListModel::ProbedRole).toBool());
  ASSERT_TRUE(WaitFor([&] {
    return files.index(0).data(FileListModel::ProbedRole).toBool() &&
           files.index(1).data(FileListModel::ProbedRole).toBool();
  }));
  EXPECT_EQ(RowDetailsText(files.index(0)).toStdString(), "0:01 · 320 × 240");
  EXPECT_EQ(files.index(0).data(FileListModel::NotVideoRole).toString(), "");
  const QString notVideo = RowDetailsText(files.index(1));
  EXPECT_TRUE(notVideo.startsWith("Not a video: ")) << notVideo.toStdString();
  EXPECT_TRUE(files.index(1)
                  .data(Qt::ToolTipRole)
                  .toString()
                  .contains(files.index(1).data(FileListModel::NotVideoRole).toString()));

  RunToTheEnd();
  EXPECT_EQ(RowDetailsText(files.index(0)).toStdString(), "0:01 · 320 × 240 · → a_new.mp4");
  EXPECT_EQ(files.StateAt(1), RowState::Failed);
}

// With a recipient list the running row names the recipient whose output it
// makes, and the done row counts its outputs and names the last.
TEST_F(WindowTest, ARowShowsTheRecipientOfTheOutputItMakes) {
  const fs::path list = sources_ / "viewers.csv";
  WriteFile(list, "name,company\nAnn,North\nBob,South\n");
  ASSERT_TRUE(window_->UseRecipients(QString::fromStdString(list.string())));
  window_->AddFiles({MakeSource("a.mp4")});
  const FileListModel& files = window_->Files();
  ASSERT_TRUE(WaitFor([&] { return files.index(0).data(FileListModel::ProbedRole).toBool(); }));
  QStringList whileDoing;  // the row's details each time it changed while encoding
  QObject::connect(&files, &QAbstractItemModel::dataChanged, [&] {
    const QString details = RowDetailsText(files.index(0));
    if (files.StateAt(0) == RowState::Doing && !whileDoing.contains(details)) whileDoing << details;
  });
  RunToTheEnd();
  ASSERT_EQ(files.StateAt(0), RowState::Done) << files.StatusAt(0).reason.toStdString();
  EXPECT_EQ(whileDoing.join(" | ").toStdString(),
            "0:01 · 320 × 240 · for Ann (1 of 2) | 0:01 · 320 × 240 · for Bob (2 of 2)");
  const QString output = QFileInfo(files.StatusAt(0).outputPath).fileName();
  EXPECT_TRUE(output.contains("Bob")) << output.toStdString();
  EXPECT_EQ(RowDetailsText(files.index(0)),
            QStringLiteral("0:01 · 320 × 240 · → 2 outputs, one per recipient, the last %1").arg(output));
}

// A done row's menu plays its output with the desktop's player and shows it
// in the file manager (over D-Bus; the folder opened when no file manager
// answers); a double click plays it too. A row not done has neither entry.
TEST_F(WindowTest, ADoneRowsOutputIsPlayedAndShownInTheFileManager) {
  PrivateBus bus;
  ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
  ASSERT_TRUE(bus.Connect("window").isConnected());
  window_->SetDesktopBus("window");
  OpenedUrls opened;
  window_->AddFiles({MakeSource("a.mp4")});
  RunToTheEnd();
  window_->AddFiles({MakeSource("b.mp4")});
  const QUrl output = QUrl::fromLocalFile(QString::fromStdString(OutputOf("a.mp4").string()));
  auto* list = window_->findChild<QListView*>("file_list");
  auto* status = window_->findChild<QLabel*>("status_label");

  bool offered = true;
  WithRowMenu(list, 1, [&](QMenu* menu) {
    offered = menu->findChild<QAction*>("play_output_action") || menu->findChild<QAction*>("show_in_folder_action");
  });
  EXPECT_FALSE(offered) << "a ready row offers its output";

  bool chosen = false;
  WithRowMenu(list, 0, [&](QMenu* menu) { chosen = Choose(menu, "play_output_action"); });
  EXPECT_TRUE(chosen);
  EXPECT_EQ(opened.Urls(), QList<QUrl>{output});
  list->setCurrentIndex(window_->Files().index(0));
  emit list->doubleClicked(window_->Files().index(0));
  EXPECT_EQ(opened.Urls(), (QList<QUrl>{output, output}));

  {
    RecordingService fileManager(bus.Connect("file_manager"), "org.freedesktop.FileManager1",
                                 "/org/freedesktop/FileManager1");
    WithRowMenu(list, 0, [&](QMenu* menu) { chosen = Choose(menu, "show_in_folder_action"); });
    EXPECT_TRUE(chosen);
    ASSERT_TRUE(WaitFor([&] { return !fileManager.Calls().empty(); }, 10000));
    EXPECT_EQ(fileManager.Calls()[0].member(), "ShowItems");
    EXPECT_EQ(fileManager.Calls()[0].arguments().value(0).toStringList(), QStringList{output.toString()});
    EXPECT_EQ(opened.Urls().size(), 2) << "the folder was opened as well";
  }

  // No file manager on the bus: the folder is opened.
  const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(sources_.string()));
  WithRowMenu(list, 0, [&](QMenu* menu) { chosen = Choose(menu, "show_in_folder_action"); });
  EXPECT_TRUE(chosen);
  ASSERT_TRUE(WaitFor([&] { return opened.Urls().size() == 3; }, 10000));
  EXPECT_EQ(opened.Urls().last(), folder);

  // An output that has gone is said in the status line.
  fs::remove(OutputOf("a.mp4"));
  WithRowMenu(list, 0, [&](QMenu* menu) { chosen = Choose(menu, "play_output_action"); });
  EXPECT_TRUE(status->text().contains("no longer there")) << status->text().toStdString();
  EXPECT_EQ(opened.Urls().size(), 3);
}

// The end of a run is told to the desktop with the counts; the
// notification's "Show in Folder" shows the last output. Without a
// notification service nothing is said.
TEST_F(WindowTest, TheEndOfARunIsNotifiedWithTheCountsAndShowInFolder) {
  PrivateBus bus;
  ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
  ASSERT_TRUE(bus.Connect("window").isConnected());
  window_->SetDesktopBus("window");
  window_->SetNotifyAtEnd(true);
  const fs::path bad = sources_ / "bad.mp4";
  WriteFile(bad, "not a video at all");
  window_->AddFiles({MakeSource("a.mp4"), QString::fromStdString(bad.string())});
  RunToTheEnd();  // nobody listens: nothing to see, nothing goes wrong
  EXPECT_EQ(window_->findChild<QLabel*>("status_label")->text(), "Finished: 1 done, 1 failed, 0 skipped.");

  QDBusConnection service = bus.Connect("notifications");
  RecordingService notifications(service, "org.freedesktop.Notifications", "/org/freedesktop/Notifications");
  window_->RetryFailedFiles();
  OpenedUrls opened;
  RunToTheEnd();
  ASSERT_TRUE(WaitFor([&] { return !notifications.Calls().empty(); }, 10000));
  const QDBusMessage notify = notifications.Calls()[0];
  EXPECT_EQ(notify.member(), "Notify");
  const QList<QVariant> arguments = notify.arguments();
  ASSERT_EQ(arguments.size(), 8);
  EXPECT_EQ(arguments[0].toString(), "Vidmora");
  EXPECT_EQ(arguments[3].toString(), "Watermarking finished");
  EXPECT_EQ(arguments[4].toString(), "Finished: 0 done, 1 failed, 0 skipped.");
  // The failed row alone was run again: no output written, nothing to show.
  EXPECT_EQ(arguments[5].toStringList(), QStringList{});

  window_->findChild<QListView*>("file_list")->selectAll();
  window_->RunSelectedAgain();
  RunToTheEnd();
  ASSERT_TRUE(WaitFor([&] { return notifications.Calls().size() == 2; }, 10000));
  EXPECT_EQ(notifications.Calls()[1].arguments()[4].toString(), "Finished: 1 done, 1 failed, 0 skipped.");
  EXPECT_EQ(notifications.Calls()[1].arguments()[5].toStringList(), (QStringList{"show-in-folder", "Show in Folder"}));
  QApplication::processEvents();  // the notification's id arrives

  // The user clicks "Show in Folder" on the notification (no file manager runs:
  // the folder opens).
  QDBusMessage clicked =
      QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
  clicked << 1u << QStringLiteral("show-in-folder");
  ASSERT_TRUE(service.send(clicked));
  ASSERT_TRUE(WaitFor([&] { return !opened.Urls().empty(); }, 10000));
  EXPECT_EQ(opened.Urls()[0], QUrl::fromLocalFile(QString::fromStdString(sources_.string())));
}

// `vidmora a.mp4` while a window runs with b.mp4: the second start hands its
// file (given relative to its folder) to the window and ends; one window,
// two rows. A socket left by a program that ended is taken over.
TEST_F(WindowTest, ASecondStartHandsItsFilesToTheRunningWindow) {
  const QString socket = InstanceSocketPath();
  EXPECT_TRUE(socket.startsWith(QString::fromStdString(env_.Runtime().string()))) << socket.toStdString();
  WriteFile(socket.toStdString(), "");  // left behind
  InstanceServer instances;
  ASSERT_TRUE(instances.Listen(socket));
  QStringList handed;
  QObject::connect(&instances, &InstanceServer::filesHanded, [&](const QStringList& files) {
    handed = files;
    window_->AddFiles(files);
  });
  window_->AddFiles({MakeSource("b.mp4")});
  const QString a = MakeSource("a.mp4");

  QProcess second;
  second.setWorkingDirectory(QString::fromStdString(sources_.string()));
  second.start(QCoreApplication::applicationDirPath() + "/vidmora", {"a.mp4"});
  ASSERT_TRUE(WaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  ASSERT_TRUE(WaitFor([&] { return window_->Files().rowCount() == 2; }, 10000));
  EXPECT_EQ(handed, QStringList{a});
  EXPECT_EQ(Names(window_->Files().Paths()), "b.mp4 a.mp4");
  EXPECT_EQ(FilesOfCommandLine({"file:///tmp/x%20y.mkv", "--option"}), QStringList{"/tmp/x y.mkv"});
}

// The window comes back at the size and place it had; the window's keys add,
// process and open the quick start.
TEST_F(WindowTest, TheWindowKeepsItsPlaceAndAnswersItsKeys) {
  const QString place = QString::fromStdString((env_.Root() / "window.ini").string());
  window_->resize(910, 640);
  window_->move(40, 30);
  const QRect was = window_->geometry();
  window_->StorePlace(place);
  window_ = std::make_unique<CMainDlgUI>();
  window_->SetRevealOutputAtEnd(false);
  window_->SetNotifyAtEnd(false);
  window_->SetTemplateNames(ReadTemplateNames(TemplatesFolder()), 0);
  window_->RestorePlace(place);
  window_->show();
  EXPECT_EQ(window_->geometry(), was);

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  bool dialogShown = false;
  OnNextModal([&](QWidget* modal) {
    dialogShown = qobject_cast<QFileDialog*>(modal) != nullptr;
    modal->close();
  });
  QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(dialogShown) << "Ctrl+O did not open the file dialog";

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  bool quickStart = false;
  QObject::connect(window_->Help().quickStart, &QAction::triggered, [&] { quickStart = true; });
  QTest::keyClick(window_.get(), Qt::Key_F1);
  EXPECT_TRUE(quickStart);

  window_->AddFiles({MakeSource("a.mp4")});
  QTest::keyClick(window_.get(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(window_->Runner().IsRunning());
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));
  EXPECT_EQ(window_->Files().StateAt(0), RowState::Done);
}

// Under the list, the settings in one line, which opens the preferences; the
// chosen template stays selected when the selection is cleared.
TEST_F(WindowTest, TheSettingsLineOpensThePreferencesAndTheTemplateStaysSelected) {
  auto* summary = window_->findChild<QAbstractButton*>("settings_summary_btn");
  ASSERT_NE(summary, nullptr);
  EXPECT_TRUE(summary->isVisible());
  EXPECT_EQ(summary->text().toStdString(), "beside each source · MP4 H264 · bit rate auto");
  JobSettings settings;
  settings.output.outputFolderOpts = 1;
  settings.output.outputFolderPath = QDir::homePath() + "/Videos/out/";
  settings.encoding.videoBitrateKbps = 2500;
  EXPECT_EQ(SettingsSummaryText(settings).toStdString(), "~/Videos/out · MP4 H264 · 2500 kbit/s");
  bool opened = false;
  QObject::connect(window_.get(), &CMainDlgUI::preferencesRequested, [&] { opened = true; });
  summary->click();
  EXPECT_TRUE(opened);

  auto* templates = window_->findChild<QListView*>("template_list");
  ASSERT_TRUE(templates->selectionModel()->hasSelection());
  templates->selectionModel()->clearSelection();
  EXPECT_TRUE(templates->selectionModel()->isSelected(templates->currentIndex()));
  EXPECT_FALSE(window_->SelectedTemplateName().isEmpty());
}

// A long list scrolls to the row being encoded.
TEST_F(WindowTest, TheRowBeingEncodedStaysInView) {
  QStringList paths;
  for (int i = 0; i < 29; ++i) {
    const fs::path bad = sources_ / ("bad" + std::to_string(i) + ".mp4");
    WriteFile(bad, "not a video");
    paths << QString::fromStdString(bad.string());
  }
  paths << MakeSource("last.mp4");
  window_->resize(700, 420);
  ASSERT_EQ(window_->AddFiles(paths), 30);
  auto* list = window_->findChild<QListView*>("file_list");
  QApplication::processEvents();
  ASSERT_EQ(list->verticalScrollBar()->value(), 0);
  bool lastInView = false;
  QObject::connect(&window_->Files(), &QAbstractItemModel::dataChanged, list, [&] {
    if (window_->Files().StateAt(29) != RowState::Doing) return;
    // After the window has had its turn.
    QTimer::singleShot(0, list, [&] {
      lastInView |= list->viewport()->rect().intersects(list->visualRect(window_->Files().index(29)));
    });
  });
  RunToTheEnd();
  QApplication::processEvents();
  EXPECT_TRUE(lastInView);
  EXPECT_GT(list->verticalScrollBar()->value(), 0);
}

}  // namespace vidmora::test

namespace vidmora::test {
namespace {

// The question about an existing output, once it is on screen; null when none.
QMessageBox* ExistingOutputBox(QWidget* window) {
  auto* box = window->findChild<QMessageBox*>(QStringLiteral("existing_output_box"));
  return box != nullptr && box->isVisible() ? box : nullptr;
}

}  // namespace

// An output name taken by another file asks the user, once per file until
// "for all" is ticked: Replace puts the new output in its place, Skip keeps
// it and writes nothing, Keep both writes beside it under a free name. An
// answer for all answers the rest of the run without asking.
TEST_F(WindowTest, AnExistingFileAtAnOutputIsReplacedSkippedOrKeptAsTheUserAnswers) {
  const std::string foreign = "someone else's file";
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4", "d.mp4"}) WriteFile(OutputOf(name), foreign);
  window_->AddFiles({MakeSource("a.mp4"), MakeSource("b.mp4"), MakeSource("c.mp4"), MakeSource("d.mp4")});

  struct Answer {
    const char* button;
    bool forAll;
  };
  const std::vector<Answer> answers = {{"replace_btn", false}, {"skip_btn", false}, {"keep_both_btn", true}};
  QStringList asked;  // the files named by the questions, in order
  bool keepBothIsDefault = false;
  bool forAllOffered = true;
  QTimer answering;
  QObject::connect(&answering, &QTimer::timeout, [&] {
    QMessageBox* box = ExistingOutputBox(window_.get());
    if (box == nullptr || asked.size() >= static_cast<int>(answers.size())) return;
    const Answer& answer = answers[asked.size()];
    asked << box->text().section(QLatin1Char(' '), 0, 0);
    if (asked.size() == 1) keepBothIsDefault = box->defaultButton()->objectName() == "keep_both_btn";
    auto* forAll = box->findChild<QCheckBox*>(QStringLiteral("for_all_check"));
    forAllOffered = forAllOffered && forAll != nullptr;
    if (forAll != nullptr) forAll->setChecked(answer.forAll);
    box->findChild<QAbstractButton*>(QString::fromLatin1(answer.button))->click();
  });
  answering.start(10);
  RunToTheEnd();
  answering.stop();

  EXPECT_EQ(asked.join(' ').toStdString(), "a_new.mp4 b_new.mp4 c_new.mp4");
  EXPECT_EQ(window_->Runner().Question().TimesShown(), 3) << "asked again after an answer for all";
  EXPECT_TRUE(keepBothIsDefault);
  EXPECT_TRUE(forAllOffered);
  using enum RowState;
  EXPECT_EQ(States(window_->Files()), (std::vector{Done, Skipped, Done, Done}));
  // Replaced: the new output in the old one's place.
  EXPECT_EQ(Probe(OutputOf("a.mp4")).Count("video"), 1);
  EXPECT_FALSE(fs::exists(sources_ / "a_new (2).mp4"));
  // Skipped: the other file as it was, nothing beside it.
  EXPECT_EQ(ReadFile(OutputOf("b.mp4")), foreign);
  EXPECT_FALSE(fs::exists(sources_ / "b_new (2).mp4"));
  // Kept both, the second time without a question.
  for (const char* name : {"c", "d"}) {
    EXPECT_EQ(ReadFile(sources_ / (std::string(name) + "_new.mp4")), foreign) << name;
    EXPECT_EQ(Probe(sources_ / (std::string(name) + "_new (2).mp4")).Count("video"), 1) << name;
  }
  EXPECT_EQ(window_->Files().StatusAt(3).outputPath, QString::fromStdString((sources_ / "d_new (2).mp4").string()));

  // The next run asks again (for both rows not done): "for all" held for one run only.
  window_->Runner().SetReady(0);
  WriteFile(OutputOf("a.mp4"), foreign);
  QTimer skipping;
  QObject::connect(&skipping, &QTimer::timeout, [&] {
    if (QMessageBox* box = ExistingOutputBox(window_.get())) box->findChild<QAbstractButton*>("skip_btn")->click();
  });
  skipping.start(10);
  RunToTheEnd();
  EXPECT_EQ(window_->Runner().Question().TimesShown(), 5);
  EXPECT_EQ(States(window_->Files()), (std::vector{Skipped, Skipped, Done, Done}));
  EXPECT_EQ(ReadFile(OutputOf("a.mp4")), foreign);
}

// A window closed while a job waits for the answer ends the run at once; the
// other file is left as it was.
TEST_F(WindowTest, AbandoningARunEndsAJobThatWaitsForTheOverwriteAnswer) {
  WriteFile(OutputOf("a.mp4"), "another file");
  window_->AddFiles({MakeSource("a.mp4")});
  Button("process_toolbar_btn")->click();
  ASSERT_TRUE(WaitFor([&] { return ExistingOutputBox(window_.get()) != nullptr; }));
  window_->Runner().AbandonAndWait();
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));
  EXPECT_EQ(ExistingOutputBox(window_.get()), nullptr);
  EXPECT_EQ(window_->Files().StateAt(0), RowState::Failed);
  EXPECT_EQ(ReadFile(OutputOf("a.mp4")), "another file");
}

}  // namespace vidmora::test

namespace vidmora::test {

// Every list and button the keyboard reaches shows that it has the focus:
// its picture with the focus differs from its picture without.
TEST_F(WindowTest, EveryControlTheKeyboardReachesShowsItsFocus) {
  window_->AddFiles({MakeSource("a.mp4")});
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  auto* parking = new QPushButton(window_.get());  // takes the focus away, off the controls' pictures
  parking->setGeometry(0, 0, 1, 1);
  parking->show();
  QStringList unseen;
  int checked = 0;
  for (QWidget* control : window_->findChildren<QWidget*>()) {
    const bool reachable = control->isVisible() && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus);
    if (control == parking || !reachable) continue;
    if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QAbstractItemView*>(control)) continue;
    parking->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(control->hasFocus()) << control->objectName().toStdString();
    if (control->grab().toImage() == without) unseen << control->objectName();
    ++checked;
  }
  EXPECT_GE(checked, 8) << "the window's buttons and lists were not found";
  EXPECT_TRUE(unseen.isEmpty()) << "no visible focus: " << unseen.join(", ").toStdString();
}

}  // namespace vidmora::test
