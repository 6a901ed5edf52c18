// vidmora: the program's window. `vidmora FILE...` adds the files to the
// list; while a window runs, a second start hands them to it and ends.

#include "app/shell/single_instance.h"
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

  const QStringList files = vidmora::FilesOfCommandLine(QApplication::arguments().mid(1));
  const QString socket = vidmora::InstanceSocketPath();
  if (vidmora::HandToRunningInstance(socket, files)) return 0;

  vidmora::CVidmoraDlg host;
  host.Start();
  vidmora::InstanceServer instances;
  instances.Listen(socket);
  QObject::connect(&instances, &vidmora::InstanceServer::filesHanded, &host, &vidmora::CVidmoraDlg::OpenFiles);
  if (!files.isEmpty()) host.OpenFiles(files);
  host.CheckForUpdateAtStartup();
  const int status = QApplication::exec();
  host.Shutdown();
  return status;
}
