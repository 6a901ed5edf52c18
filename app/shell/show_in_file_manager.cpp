#include "app/shell/show_in_file_manager.h"

#include "common/quorvil.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QUrl>

namespace vidmora {

namespace {

void OpenFolder(const QString& folder) {
  const QString quoted = QLatin1Char('"') + folder + QLatin1Char('"');
  DoShellCmd(u"xdg-open", quoted.toStdU16String().c_str(), 10, false, 0);
}

}  // namespace

void ShowInFileManager(const QString& filePath) {
  if (filePath.isEmpty()) return;
  const QFileInfo file(filePath);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !file.exists()) {
    OpenFolder(file.absolutePath());
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
  // Asked without waiting, so that the window stays responsive; when no file
  // manager answers, the folder is opened instead.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder = file.absolutePath()](QDBusPendingCallWatcher* done) {
    if (done->isError()) OpenFolder(folder);
    done->deleteLater();
  });
}

}  // namespace vidmora
