// A picture of the output preview for people to look at, taken in a real X
// server (run under xvfb-run): a sample clip with the demo template, and the
// message shown for a file that is no video.
#include "app/processing/templates/template_store.h"
#include "app/templates/output_preview_dlg.h"
#include "tests/app/engine_fixture.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

class Files : public PreviewFileList {
 public:
  explicit Files(QString file) : file_(std::move(file)) {}
  QString SelectedFile() override { return file_; }
  QString NextFile() override { return {}; }
  QString PreviousFile() override { return {}; }

 private:
  QString file_;
};

class OutputPreviewScreenshots : public EngineTest {
 protected:
  void Shoot(const QString& source, const std::string& name) {
    Files files(source);
    COutputPreviewDlg dialog(files, kDemoTemplateName);
    QSignalSpy ready(&dialog, &COutputPreviewDlg::pictureReady);
    dialog.resize(900, 640);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    if (dialog.IsRendering()) {
      ASSERT_TRUE(ready.wait(120000));
    }
    QCoreApplication::processEvents();
    const fs::path out = TestOutputDir() / "settings_dialogs";
    fs::create_directories(out);
    ASSERT_TRUE(dialog.grab().toImage().save(QString::fromStdString((out / name).string())));
  }
};

TEST_F(OutputPreviewScreenshots, AClipAndAFileThatIsNoVideo) {
  ClipSpec spec = SmallClip();
  spec.width = 640;
  spec.height = 360;
  Shoot(MakeSource("clip.mp4", spec), "output_preview.png");
  WriteFile(sources_ / "notes.mp4", "no video here");
  Shoot(QString::fromStdString((sources_ / "notes.mp4").string()), "output_preview_failure.png");
}

}  // namespace
}  // namespace vidmora::test
