#include "tests/shell/window_fixture.h"

#include "app/processing/engine.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/shell/batch_runner.h"

#include <QTest>

namespace vidmora::test {

void WindowTest::SetUp() {
  ASSERT_TRUE(StartEngine().preferencesReady);
  sources_ = env_.MakeDir("sources");
  window_ = std::make_unique<CMainDlgUI>();
  ASSERT_TRUE(window_->IsSkinLoaded());
  window_->SetRevealOutputAtEnd(false);
  window_->SetNotifyAtEnd(false);
  window_->SetTemplateNames(ReadTemplateNames(TemplatesFolder()), 0);
  window_->show();
}

void WindowTest::TearDown() {
  if (window_ && window_->Runner().IsRunning()) window_->Runner().AbandonAndWait();
  window_.reset();
}

ClipSpec WindowTest::SmallClip() {
  ClipSpec spec;
  spec.width = 320;
  spec.height = 240;
  spec.seconds = 1;
  return spec;
}

ClipSpec WindowTest::LongClip() {
  ClipSpec spec = SmallClip();
  spec.seconds = 30;
  return spec;
}

QString WindowTest::MakeSource(const std::string& name, const ClipSpec& spec) {
  const std::filesystem::path target = sources_ / name;
  std::filesystem::copy_file(SampleClip(spec), target, std::filesystem::copy_options::overwrite_existing);
  return QString::fromStdString(target.string());
}

std::filesystem::path WindowTest::OutputOf(const std::string& sourceName, const std::string& extension) const {
  return sources_ / (std::filesystem::path(sourceName).stem().string() + "_new." + extension);
}

QAbstractButton* WindowTest::Button(const char* name) const {
  return window_->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

bool WindowTest::WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return QTest::qWaitFor(done, timeoutMs);
}

void WindowTest::RunToTheEnd() {
  ASSERT_TRUE(Button("process_toolbar_btn")->isEnabled());
  Button("process_toolbar_btn")->click();
  ASSERT_TRUE(window_->Runner().IsRunning());
  ASSERT_TRUE(WaitFor([&] { return !window_->Runner().IsRunning(); }));
}

}  // namespace vidmora::test
