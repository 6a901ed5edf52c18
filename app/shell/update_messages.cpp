#include "app/shell/update_messages.h"

#include "app/settings/language_manager.h"
#include "app/shell/product_links.h"
#include "app/support/crash_report_notice.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace vidmora {

namespace {

// A text of the language file by its name, else the English one.
QString Text(const char* name, const char* english) {
  return CLanguageManager::ForProgram().String(QString::fromLatin1(name), QString::fromLatin1(english));
}

}  // namespace

void UpdateMessages::OfferUpdate(const ProgramVersion&) {
  const auto answer = QMessageBox::question(
      window_, ProgramCaption(),
      Text("update_available", "A new version of %1 is available, Would you like download it now?")
          .arg(ProgramCaption()),
      QMessageBox::Yes | QMessageBox::No);
  if (answer == QMessageBox::Yes) QDesktopServices::openUrl(DownloadPageUrl());
}

void UpdateMessages::ReportLatest() {
  QMessageBox::information(window_, ProgramCaption(),
                           Text("update_latest", "You are using the latest version. Thanks."));
}

void UpdateMessages::ReportFailure(const QString& reason) {
  QMessageBox::warning(window_, ProgramCaption(),
                       Text("update_failed", "The check for a new version failed: %1").arg(reason));
}

void OfferCrashReport(QWidget* window, const QString& crashFolder) {
  const auto folder = UnofferedCrashReport(crashFolder);
  if (!folder) return;
  MarkCrashReportOffered(*folder);
  const auto answer = QMessageBox::question(
      window, ProgramCaption(),
      Text("crash_report_found",
           "%1 ended unexpectedly last time and left a crash report.\nWould you like to open its folder?")
          .arg(ProgramCaption()),
      QMessageBox::Yes | QMessageBox::No);
  if (answer == QMessageBox::Yes) QDesktopServices::openUrl(QUrl::fromLocalFile(*folder));
}

}  // namespace vidmora
