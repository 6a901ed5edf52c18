#include "app/shell/show_in_file_manager.h"

#include "common/quorvil.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

namespace vidmora {

void ShowInFileManager(const QString& filePath) {
  if (filePath.isEmpty()) return;
  const QFileInfo file(filePath);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && file.exists()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage) return;
  }
  const QString folder = QLatin1Char('"') + file.absolutePath() + QLatin1Char('"');
  DoShellCmd(u"xdg-open", folder.toStdU16String().c_str(), 10, false, 0);
}

}  // namespace vidmora
