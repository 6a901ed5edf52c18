#include "app/shell/vidmora_host.h"

#include "app/processing/engine.h"
#include "app/processing/queue_file.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/preview_cache.h"
#include "app/processing/settings/quick_start_choice.h"
#include "app/processing/templates/template_store.h"
#include "app/settings/img_resizing_setting_dlg.h"
#include "app/settings/language_manager.h"
#include "app/settings/preference_dlg.h"
#include "app/shell/about_window.h"
#include "app/shell/external_programs.h"
#include "app/shell/file_list_model.h"
#include "app/shell/main_window.h"
#include "app/shell/product_links.h"
#include "app/shell/quick_start_window.h"
#include "app/shell/update_messages.h"
#include "app/shell/window_template_list.h"
#include "app/support/crash_reporter.h"
#include "app/support/update_check.h"
#include "app/templates/output_preview_dlg.h"
#include "app/templates/template_commands.h"
#include "logging/log_interface.h"
#include "shared/version.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

namespace vidmora {

namespace {

constexpr int kQuickStartDelayMs = 1000;
// The main window's size and place between sessions.
constexpr const char* kWindowPlaceFileName = "window.ini";

// The toolbar's settings buttons open their dialogs modally; each saves as it closes.
void ConnectSettingsDialogs(CMainDlgUI& window) {
  QObject::connect(&window, &CMainDlgUI::preferencesRequested, &window, [&window] {
    CPreferenceDlg dialog(&window);
    dialog.exec();
  });
  QObject::connect(&window, &CMainDlgUI::resizeSettingsRequested, &window, [&window] {
    CImgResizingSettingDlg dialog(DataFile(kResizingSettingsFileName), &window);
    dialog.exec();
  });
}

// The output preview steps through the window's file list.
class WindowPreviewFiles final : public PreviewFileList {
 public:
  explicit WindowPreviewFiles(CMainDlgUI& window) : window_(window) {}
  QString SelectedFile() override { return window_.SelectedFilePath(); }
  QString NextFile() override { return window_.MoveFileSelection(1); }
  QString PreviousFile() override { return window_.MoveFileSelection(-1); }

 private:
  CMainDlgUI& window_;
};

void ConnectOutputPreview(CMainDlgUI& window) {
  QObject::connect(&window, &CMainDlgUI::outputPreviewRequested, &window, [&window] {
    WindowPreviewFiles files(window);
    COutputPreviewDlg dialog(files, window.SelectedTemplateName(), &window);
    dialog.exec();
  });
}

// What the engine's start repaired or could not create, in one message over
// the window; nothing when all went well.
void ShowStartWarnings(QWidget* window, const EngineStart& start) {
  if (start.preferencesReady && start.warnings.isEmpty()) return;
  QStringList lines;
  if (!start.preferencesReady) {
    const QString notCreated =
        UiText(QStringLiteral("The settings file \"preference.xml\" could not be created in %1."));
    lines << notCreated.arg(DataFolder());
  }
  if (!start.warnings.isEmpty()) lines << UiText(QStringLiteral("Vidmora found problems with its files at start-up:"));
  lines << start.warnings;
  QMessageBox::warning(window, ProgramCaption(), lines.join(QLatin1Char('\n')));
}

}  // namespace

CVidmoraDlg::CVidmoraDlg()
    : window_(std::make_unique<CMainDlgUI>()), updateMessages_(std::make_unique<UpdateMessages>(window_.get())) {
  ConnectHelpMenu();
  ConnectSettingsDialogs(*window_);
  ConnectOutputPreview(*window_);
}

CVidmoraDlg::~CVidmoraDlg() = default;

void CVidmoraDlg::Start() {
  CLogInterface::GetInstance(kApplicationName)
      ->DoLogMessage(QStringLiteral("Vidmora %1").arg(QString::fromLatin1(kVersionText)).toStdU16String());
  // The data folder, the preferences and the drawing library's template
  // folder are ready before the template list is read and anything paints.
  EngineStart start = StartEngine();
  ConnectTemplateCommands();
  templates_->FillTemplateList();
  window_->RestorePlace(DataFile(QString::fromLatin1(kWindowPlaceFileName)));
  window_->show();
  // The list of files as it was when the program last ended.
  const QString queueWarning = window_->KeepQueueIn(DataFile(QString::fromLatin1(kQueueFileName)));
  if (!queueWarning.isEmpty()) start.warnings << queueWarning;
  ShowStartWarnings(window_.get(), start);
  OfferCrashReport(window_.get(), QString::fromStdString(DefaultCrashFolder()));

  if (!ReadQuickStartHidden().value_or(false)) {
    QTimer::singleShot(kQuickStartDelayMs, this, [this] { ShowQuickStart(); });
  }
}

void CVidmoraDlg::Shutdown() {
  window_->StorePlace(DataFile(QString::fromLatin1(kWindowPlaceFileName)));
  EmptyPreviewCache();
  StoreTemplateRow(std::max(0, window_->SelectedTemplateRow()));
}

void CVidmoraDlg::ConnectHelpMenu() {
  const HelpMenu& help = window_->Help();
  connect(help.homePage, &QAction::triggered, this, [] { QDesktopServices::openUrl(HomePageUrl()); });
  connect(help.supportPage, &QAction::triggered, this, [] { QDesktopServices::openUrl(SupportPageUrl()); });
  connect(help.quickStart, &QAction::triggered, this, [this] { ShowQuickStart(); });
  connect(help.feedback, &QAction::triggered, this, [this] {
    if (!StartFeedback()) {
      QMessageBox::warning(
          window_.get(), ProgramCaption(),
          UiText(QStringLiteral("The feedback program could not be started from the program folder.")));
    }
  });
  connect(help.checkUpdate, &QAction::triggered, this, [this] { CheckForUpdate(); });
  connect(help.about, &QAction::triggered, this, [this] { ShowAbout(); });
}

void CVidmoraDlg::ConnectTemplateCommands() {
  if (templates_) return;
  templateList_ = std::make_unique<WindowTemplateList>(*window_);
  templates_ = std::make_unique<TemplateCommands>(TemplatesFolder(), *templateList_, *window_);
  TemplateCommands* commands = templates_.get();
  // The editor previews the template over any video of the list as well.
  commands->SetPreviewClips([window = window_.get()] { return window->Files().Paths(); });
  connect(window_.get(), &CMainDlgUI::addTemplateRequested, commands, &TemplateCommands::AddTemplate);
  connect(window_.get(), &CMainDlgUI::templateMenuRequested, commands, [commands] { commands->ShowMenu(QCursor::pos()); });
  connect(window_.get(), &CMainDlgUI::editTemplateRequested, commands, &TemplateCommands::EditSelectedTemplate);
}

void CVidmoraDlg::CheckForUpdate() { RunUpdateCheck(VersionFileUrl(), UpdateMode::kOnDemand, *updateMessages_, this); }

void CVidmoraDlg::CheckForUpdateAtStartup() {
  if (ShouldCheckAtStartup(CurrentProgramVersion(), HasDefaultRoute()))
    RunUpdateCheck(VersionFileUrl(), UpdateMode::kSilent, *updateMessages_, this);
}

void CVidmoraDlg::OpenFiles(const QStringList& files) {
  if (!files.isEmpty()) window_->AddFiles(files);
  if (window_->isMinimized()) window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

void CVidmoraDlg::ShowAbout() {
  CAboutDlgUI about(window_.get());
  about.exec();
}

void CVidmoraDlg::ShowQuickStart() {
  CQuickStartDlgUI quickStart(window_.get());
  quickStart.exec();
}

}  // namespace vidmora
