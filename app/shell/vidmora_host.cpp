#include "app/shell/vidmora_host.h"

#include "app/settings/app_folders.h"
#include "app/settings/first_start.h"
#include "app/settings/quick_start_choice.h"
#include "app/shell/about_window.h"
#include "app/shell/external_programs.h"
#include "app/shell/main_window.h"
#include "app/shell/product_links.h"
#include "app/shell/quick_start_window.h"
#include "app/templates/template_store.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"
#include "logging/log_interface.h"
#include "shared/version.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

namespace vidmora {

namespace {

constexpr int kQuickStartDelayMs = 1000;

// The preview cache: <temporary folder>/Vidmora.
QString PreviewCacheFolder() { return QDir::tempPath() + QStringLiteral("/Vidmora"); }

}  // namespace

CVidmoraDlg::CVidmoraDlg() : window_(std::make_unique<CMainDlgUI>()) { ConnectHelpMenu(); }

CVidmoraDlg::~CVidmoraDlg() = default;

void CVidmoraDlg::Start() {
  CLogInterface::GetInstance(kApplicationName)
      ->DoLogMessage(QStringLiteral("Vidmora %1").arg(QString::fromLatin1(kVersionText)).toStdU16String());
  if (!PrepareDataFolder()) {
    QMessageBox::warning(window_.get(), QStringLiteral("Vidmora"),
                         QStringLiteral("The settings file \"preference.xml\" could not be created in %1.")
                             .arg(DataFolder()));
  }
  window_->SetTemplateNames(ReadTemplateNames(TemplatesFolder()), StoredTemplateRow());
  window_->move(0, 0);
  window_->resize(803, 580);
  window_->show();

  if (!ReadQuickStartHidden().value_or(false)) {
    QTimer::singleShot(kQuickStartDelayMs, this, [this] { ShowQuickStart(); });
  }
  InitTemplateFolderPathForDrawlixDll(kApplicationName);
}

void CVidmoraDlg::Shutdown() {
  DeleteDirectory(PreviewCacheFolder().toStdU16String().c_str(), true);
  StoreTemplateRow(std::max(0, window_->SelectedTemplateRow()));
}

void CVidmoraDlg::ConnectHelpMenu() {
  const HelpMenu& help = window_->Help();
  connect(help.homePage, &QAction::triggered, this, [] { QDesktopServices::openUrl(HomePageUrl()); });
  connect(help.supportPage, &QAction::triggered, this, [] { QDesktopServices::openUrl(SupportPageUrl()); });
  connect(help.quickStart, &QAction::triggered, this, [this] { ShowQuickStart(); });
  connect(help.feedback, &QAction::triggered, this, [this] {
    if (!StartFeedback()) {
      QMessageBox::warning(window_.get(), QStringLiteral("Vidmora"),
                           QStringLiteral("The feedback program could not be started from the program folder."));
    }
  });
  connect(help.checkUpdate, &QAction::triggered, this, [this] { CheckForUpdate(); });
  connect(help.about, &QAction::triggered, this, [this] { ShowAbout(); });
}

void CVidmoraDlg::CheckForUpdate() {
  // Until the program asks the update server itself, the download page tells.
  const auto answer = QMessageBox::question(
      window_.get(), QStringLiteral("Vidmora"),
      QStringLiteral("This is Vidmora %1. Open the download page to look for a newer version?")
          .arg(QString::fromLatin1(kVersionText)));
  if (answer == QMessageBox::Yes) QDesktopServices::openUrl(DownloadPageUrl());
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
