// vidmora: the program's window.

#include "app/shell/vidmora_host.h"
#include "app/support/crash_reporter.h"
#include "shared/program_profile.h"

#include <QApplication>

int main(int argc, char** argv) {
  // First, before any other thread starts.
  vidmora::InstallCrashReporter();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(vidmora::kProfileApplication));
  QApplication::setOrganizationName(QString::fromLatin1(vidmora::kProfileOrganization));

  vidmora::CVidmoraDlg host;
  host.Start();
  host.CheckForUpdateAtStartup();
  const int status = QApplication::exec();
  host.Shutdown();
  return status;
}
