// vidmora: the program's window.

#include "app/shell/vidmora_host.h"
#include "app/support/crash_reporter.h"

#include <QApplication>

int main(int argc, char** argv) {
  // First, before any other thread starts.
  vidmora::InstallCrashReporter();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vidmora"));
  QApplication::setOrganizationName(QStringLiteral("VIDMORA"));

  vidmora::CVidmoraDlg host;
  host.Start();
  host.CheckForUpdateAtStartup();
  const int status = QApplication::exec();
  host.Shutdown();
  return status;
}
