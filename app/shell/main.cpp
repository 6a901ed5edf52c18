// vidmora: the program's window.

#include "app/shell/vidmora_host.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vidmora"));
  QApplication::setOrganizationName(QStringLiteral("VIDMORA"));

  vidmora::CVidmoraDlg host;
  host.Start();
  const int status = QApplication::exec();
  host.Shutdown();
  return status;
}
