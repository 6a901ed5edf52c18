// Pictures of the windows for people to look at, taken in a real X server
// (run under xvfb-run): the main window with a done, a running and a failed
// row, a queue of 30 rows mid-run and a done row's menu (with the text of
// the run's notification beside them), the about window and the quick-start
// window. QT_SCALE_FACTOR picks the scale; the files are named after it
// (main_window_100.png, ..._200.png).

#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/shell/about_window.h"
#include "app/shell/batch_runner.h"
#include "app/shell/file_list_model.h"
#include "app/shell/main_window.h"
#include "app/shell/quick_start_window.h"
#include "tests/support/temp_env.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include "app/shell/run_notification.h"
#include "tests/support/media.h"

#include <gtest/gtest.h>

namespace vidmora::test {

namespace {

QString ScaleSuffix() {
  const double scale =
      qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1;
  return QStringLiteral("_%1").arg(qRound(scale * 100));
}

// Shows the window, lets it paint, and saves what the X server shows of it.
QImage TakePicture(QWidget& window, const QString& name) {
  window.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(200);  // lets the window manager-less server settle the first paints
  const QPixmap shot = window.screen()->grabWindow(window.winId());
  const auto file = TestOutputDir() / (name + ScaleSuffix() + ".png").toStdString();
  std::filesystem::create_directories(file.parent_path());
  EXPECT_TRUE(shot.save(QString::fromStdString(file.string()))) << file;
  std::printf("picture: %s\n", file.string().c_str());
  return window.grab().toImage();
}

// Whether the area holds a pixel strong in one channel (0 red, 1 green, 2 blue).
bool HasColour(const QImage& image, QRect area, int channel) {
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int values[] = {c.red(), c.green(), c.blue()};
      const int other1 = values[(channel + 1) % 3];
      const int other2 = values[(channel + 2) % 3];
      if (values[channel] > 120 && values[channel] > other1 + 50 && values[channel] > other2 + 40) return true;
    }
  }
  return false;
}

}  // namespace

TEST(ScreenshotTest, MainWindowWithDoneRunningAndFailedRows) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  const auto folder = env.MakeDir("Videos");
  QStringList paths;
  for (const char* name :
       {"Holiday in the mountains.mp4", "Interview with the team, long take (final cut).mov", "broken-download.mkv"}) {
    std::filesystem::copy_file(SampleClip(ClipSpec()), folder / name);
    paths << QString::fromStdString((folder / name).string());
  }

  CMainDlgUI window;
  window.SetRevealOutputAtEnd(false);
  window.SetNotifyAtEnd(false);
  window.SetTemplateNames(ReadTemplateNames(TemplatesFolder()) << "Company logo"
                                                               << "Copyright notice",
                          0);
  ASSERT_EQ(window.AddFiles(paths), 3);
  FileListModel& files = window.Files();
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.index(2).data(FileListModel::ProbedRole).toBool(); }, 60000));
  files.SetStatus(0, {RowState::Done, {}, {}, {}});
  files.SetStatus(1, {RowState::Doing, {}, {}, {}});
  files.SetProgress(1, 0.42, 75);
  files.SetStatus(2, {RowState::Failed, "The video could not be decoded: invalid data in the file.", {}, {}});
  emit window.Runner().runningChanged(true);
  emit window.Runner().batchProgressed(0.47, 83);
  window.resize(803, 580);

  const QImage picture = TakePicture(window, "main_window");
  ASSERT_FALSE(picture.isNull());
  const double ratio = picture.devicePixelRatio();
  auto* list = window.findChild<QListView*>("file_list");
  const auto rowArea = [&](int row) {
    const QRect rect = list->visualRect(files.index(row));
    const QPoint topLeft = list->viewport()->mapTo(&window, rect.topLeft());
    return QRect(topLeft * ratio, rect.size() * ratio);
  };
  EXPECT_TRUE(HasColour(picture, rowArea(0), 1)) << "the done row shows no green mark";
  EXPECT_TRUE(HasColour(picture, rowArea(1), 2)) << "the running row shows no blue progress";
  EXPECT_TRUE(HasColour(picture, rowArea(2), 0)) << "the failed row shows no red mark";
}

// The run's size beside "Recipients…": 12 files for a list of 40 recipients.
TEST(ScreenshotTest, MainWindowWithARecipientList) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  const auto folder = env.MakeDir("Dailies");
  QStringList paths;
  for (int i = 1; i <= 12; ++i) {
    const std::string name = "Scene_" + std::to_string(i) + "_take_1.mp4";
    std::filesystem::copy_file(SampleClip(ClipSpec()), folder / name);
    paths << QString::fromStdString((folder / name).string());
  }
  std::string csv = "Name,Company\n";
  for (int i = 1; i <= 40; ++i) csv += "Reviewer " + std::to_string(i) + ",Studio " + std::to_string(i % 5) + "\n";
  WriteFile(folder / "screeners.csv", csv);

  CMainDlgUI window;
  window.SetRevealOutputAtEnd(false);
  window.SetTemplateNames(ReadTemplateNames(TemplatesFolder()), 0);
  ASSERT_EQ(window.AddFiles(paths), 12);
  FileListModel& files = window.Files();
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.index(11).data(FileListModel::ProbedRole).toBool(); }, 60000));
  auto* summary = window.findChild<QLabel*>("recipients_label");
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(summary->text(), "No recipients: one output per file");
  ASSERT_TRUE(window.UseRecipients(QString::fromStdString((folder / "screeners.csv").string())));
  EXPECT_EQ(summary->text().replace(QChar(0x00A0), QChar(' ')),
            QString::fromUtf8("12 files × 40 recipients = 480 outputs"));
  window.resize(803, 580);
  EXPECT_FALSE(TakePicture(window, "main_window_recipients").isNull());
}

// A queue of 30 rows in the middle of a run: done rows with their outputs,
// the running row, failed and skipped rows with their reasons, ready rows;
// then the menu of a done row, and the text of the run's notification.
TEST(ScreenshotTest, AQueueOfThirtyRowsMidRunAndADoneRowsMenu) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  const auto folder = env.MakeDir("Videos");
  ClipSpec spec;
  spec.width = 640;
  spec.height = 360;
  spec.seconds = 2;
  const auto clip = SampleClip(spec);
  QStringList paths;
  for (int i = 1; i <= 30; ++i) {
    const std::string name = i % 7 == 3 ? "Interview with the team, long take (final cut) " + std::to_string(i) + ".mov"
                                        : "Holiday " + std::to_string(i) + ".mp4";
    std::filesystem::copy_file(clip, folder / name);
    paths << QString::fromStdString((folder / name).string());
  }
  WriteFile(folder / "notes.mp4", "a shopping list");
  paths.insert(13, QString::fromStdString((folder / "notes.mp4").string()));
  paths.removeLast();

  CMainDlgUI window;
  window.SetRevealOutputAtEnd(false);
  window.SetNotifyAtEnd(false);
  window.SetTemplateNames(ReadTemplateNames(TemplatesFolder()) << "Company logo", 0);
  ASSERT_EQ(window.AddFiles(paths), 30);
  FileListModel& files = window.Files();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (int row = 0; row < files.rowCount(); ++row) {
          if (!files.index(row).data(FileListModel::ProbedRole).toBool()) return false;
        }
        return true;
      },
      60000));
  const auto outputOf = [&](int row) {
    const QFileInfo source(files.PathAt(row));
    return source.absolutePath() + "/" + source.completeBaseName() + "_new.mp4";
  };
  for (int row = 0; row < 12; ++row) files.SetStatus(row, {RowState::Done, {}, outputOf(row), {}});
  files.SetStatus(
      5, {RowState::Failed, "The video could not be decoded: invalid data found when processing input.", {}, {}});
  files.SetStatus(9, {RowState::Skipped, "An output of this name exists and the preferences say to skip it.", {}, {}});
  files.SetStatus(12, {RowState::Doing, {}, outputOf(12), {}});
  files.SetProgress(12, 0.42, 75);
  files.SetStatus(13, {RowState::Failed, "Can't open file: it holds no media that can be read.", {}, {}});
  emit window.Runner().runningChanged(true);
  emit window.Runner().batchProgressed(0.41, 560);
  window.resize(900, 640);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* list = window.findChild<QListView*>("file_list");
  list->scrollTo(files.index(12), QAbstractItemView::PositionAtCenter);

  const QImage picture = TakePicture(window, "queue_mid_run");
  ASSERT_FALSE(picture.isNull());

  // The menu of a done row, pictured while it is open.
  emit window.Runner().runningChanged(false);
  list->scrollToTop();
  QImage menuPicture;
  QTimer::singleShot(300, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      const auto file = TestOutputDir() / ("row_menu" + ScaleSuffix() + ".png").toStdString();
      menuPicture = menu->screen()->grabWindow(menu->winId()).toImage();
      menuPicture.save(QString::fromStdString(file.string()));
      std::printf("picture: %s\n", file.string().c_str());
      menu->close();
    }
  });
  emit list->customContextMenuRequested(list->visualRect(files.index(1)).center());
  EXPECT_FALSE(menuPicture.isNull());

  // The notification's text, as the desktop is handed it.
  RunSummary summary;
  summary.done = 27;
  summary.failed = 2;
  summary.skipped = 1;
  const RunNotificationText text = NotificationTextOf(summary);
  QFile notification(QString::fromStdString((TestOutputDir() / "notification.txt").string()));
  ASSERT_TRUE(notification.open(QIODevice::WriteOnly));
  notification.write((text.title + "\n" + text.body + "\n[Show in Folder]\n").toUtf8());
  EXPECT_EQ(text.body, "Finished: 27 done, 2 failed, 1 skipped.");
}

TEST(ScreenshotTest, AboutWindow) {
  TempEnv env;
  CAboutDlgUI about;
  ASSERT_TRUE(about.IsSkinLoaded());
  EXPECT_FALSE(TakePicture(about, "about_window").isNull());
}

TEST(ScreenshotTest, QuickStartWindow) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  CQuickStartDlgUI quickStart;
  ASSERT_TRUE(quickStart.IsSkinLoaded());
  EXPECT_FALSE(TakePicture(quickStart, "quick_start_window").isNull());
}

}  // namespace vidmora::test
