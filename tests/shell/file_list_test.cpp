// Adding, dropping and removing files in the main window.

#include "app/shell/external_programs.h"
#include "app/shell/file_list_model.h"
#include "app/shell/video_files.h"
#include "tests/app/modal_driver.h"
#include "tests/shell/window_fixture.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <sstream>
#include <string>

namespace vidmora::test {

namespace {

std::unique_ptr<QMimeData> Uris(const QStringList& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  return data;
}

// Drops the paths onto the window as a file manager would; false when the
// window refused the drag.
bool Drop(QWidget& window, const QMimeData& data) {
  const QPoint at = window.rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return true;
}

QString Touch(const std::filesystem::path& path) {
  WriteFile(path, "x");
  return QString::fromStdString(path.string());
}

}  // namespace

TEST(VideoFilesTest, ExtensionsMatchWholeAndWithoutCase) {
  const std::pair<const char*, bool> cases[] = {
      {"IMG_0001.MOV", true}, {"clip.mp4", true},     {"clip.Mkv", true}, {"/a.b/clip.webm", true},
      {"clip.mp", false},     {"clip.txt", false},    {"clip", false},    {"clip.mp4.part", false},
      {"clip.", false},       {"/a.mp4/clip", false},
  };
  for (const auto& [name, supported] : cases) EXPECT_EQ(IsSupportedVideo(name), supported) << name;
  EXPECT_TRUE(VideoFileDialogFilter().contains("*.mov")) << VideoFileDialogFilter().toStdString();
}

TEST(VideoFilesTest, AFolderGivesTheVideosInsideItAndOtherPathsAreCounted) {
  TempEnv env;
  const auto folder = env.MakeDir("videos");
  Touch(folder / "b.MP4");
  Touch(folder / "notes.txt");
  Touch(folder / "deeper" / "a.mkv");
  const QString text = Touch(env.Root() / "readme.txt");

  const VideoPathScan scan = ScanVideoPaths(
      {QString::fromStdString(folder.string()), text, QString::fromStdString((env.Root() / "missing.mp4").string())});
  EXPECT_EQ(scan.videos, (QStringList{QString::fromStdString((folder / "b.MP4").string()),
                                      QString::fromStdString((folder / "deeper" / "a.mkv").string())}));
  EXPECT_EQ(scan.refused, 2);
}

TEST(ExternalProgramsTest, ThePlayerGetsTheNameTheTemplateTheFileAndTheFrameSize) {
  EXPECT_EQ(PlayerParameters("Demo 1", "/v/my clip.mp4", QSize(1920, 1080)),
            "\"Vidmora\" \"Demo 1\" \"/v/my clip.mp4\" 1920 1080");
}

TEST_F(WindowTest, TheSameFileAddedTwiceByDialogOrDropLeavesOneRow) {
  const QString clip = Touch(sources_ / "clip.mp4");
  EXPECT_EQ(window_->AddFiles({clip}), 1);
  EXPECT_EQ(window_->AddFiles({clip}), 0);
  // The same file through a linked folder and through a second link.
  std::filesystem::create_directory_symlink(sources_, env_.Root() / "linked");
  std::filesystem::create_hard_link(sources_ / "clip.mp4", sources_ / "same.mp4");
  EXPECT_EQ(window_->AddFiles({QString::fromStdString((env_.Root() / "linked" / "clip.mp4").string()),
                               QString::fromStdString((sources_ / "same.mp4").string())}),
            0);
  ASSERT_TRUE(Drop(*window_, *Uris({clip})));
  EXPECT_EQ(window_->Files().rowCount(), 1);
  EXPECT_TRUE(window_->findChild<QLabel*>("status_label")->text().contains("1 already listed"));
}

TEST_F(WindowTest, DroppedVideosOfAnyCaseAreAddedAndTheOthersCounted) {
  const QString upper = Touch(sources_ / "clip.MOV");
  const QString lower = Touch(sources_ / "clip.mp4");
  const QString text = Touch(sources_ / "clip.txt");
  const QString partial = Touch(sources_ / "clip.mp");
  ASSERT_TRUE(Drop(*window_, *Uris({upper, text, lower, partial})));

  EXPECT_EQ(window_->Files().Paths(), (QStringList{upper, lower}));
  const QString status = window_->findChild<QLabel*>("status_label")->text();
  EXPECT_TRUE(status.contains("Added 2 files")) << status.toStdString();
  EXPECT_TRUE(status.contains("2 not a supported video")) << status.toStdString();
  EXPECT_TRUE(Button("process_toolbar_btn")->isEnabled());

  // A drag from the program itself is refused.
  auto internal = Uris({Touch(sources_ / "other.mp4")});
  internal->setData("application/x-vidmora-internal", "1");
  EXPECT_FALSE(Drop(*window_, *internal));
  EXPECT_EQ(window_->Files().rowCount(), 2);
}

TEST_F(WindowTest, RemovingTheLastRowDisablesRemovePreviewAndProcess) {
  window_->AddFiles({Touch(sources_ / "a.mp4"), Touch(sources_ / "b.mp4")});
  auto* list = window_->findChild<QListView*>("file_list");
  for (const char* name : {"remove_toolbar_btn", "preview_toolbar_btn", "process_toolbar_btn"}) {
    EXPECT_TRUE(Button(name)->isEnabled()) << name;
  }

  list->setCurrentIndex(window_->Files().index(1));
  Button("remove_toolbar_btn")->click();
  EXPECT_EQ(window_->Files().Paths(), QStringList{QString::fromStdString((sources_ / "a.mp4").string())});
  EXPECT_TRUE(Button("remove_toolbar_btn")->isEnabled());

  list->setCurrentIndex(window_->Files().index(0));
  Button("remove_toolbar_btn")->click();
  EXPECT_EQ(window_->Files().rowCount(), 0);
  for (const char* name : {"remove_toolbar_btn", "preview_toolbar_btn", "process_toolbar_btn", "stop_toolbar_btn"}) {
    EXPECT_FALSE(Button(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Button("add_toolbar_btn")->isEnabled());
}

// The children of this process, from /proc: a started player would be one.
// The symbolizer a sanitizer's runtime starts to read its stacks is not.
int ChildProcessCount() {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::istringstream children(ReadFile(task.path() / "children"));
    for (std::string pid; children >> pid;)
      if (ReadFile(std::filesystem::path("/proc") / pid / "comm").rfind("llvm-symbolizer", 0) != 0) ++count;
  }
  return count;
}

// Playing a file that is no video gives one message naming it, and no player
// that would say the same again.
TEST_F(WindowTest, PlayingAFileThatIsNoVideoGivesOneMessage) {
  const QString notes = Touch(sources_ / "notes.mp4");
  window_->AddFiles({notes});
  auto* list = window_->findChild<QListView*>("file_list");
  list->setCurrentIndex(window_->Files().index(0));
  const int before = ChildProcessCount();
  QString shown;
  AnswerNextMessage(QMessageBox::Ok, &shown);
  emit list->doubleClicked(window_->Files().index(0));
  EXPECT_TRUE(WaitFor([&] { return !shown.isEmpty(); }, 20000));
  EXPECT_TRUE(shown.contains("notes.mp4")) << shown.toStdString();
  QTest::qWait(300);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a second message box";
  EXPECT_EQ(ChildProcessCount(), before) << "a player was started";
  EXPECT_EQ(ReadFile(sources_ / "notes.mp4"), "x");
}

}  // namespace vidmora::test
