#include "app/shell/show_in_file_manager.h"

#include "app/settings/language_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace vidmora {

namespace {

QString OpenFolder(const QString& folder) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) return {};
  return UiText(QStringLiteral("The folder %1 could not be opened: no file manager answered."))
      .arg(QDir::toNativeSeparators(folder));
}

}  // namespace

void ShowInFileManager(const QDBusConnection& bus, const QString& filePath, QObject* context,
                       std::function<void(const QString& failure)> done) {
  if (filePath.isEmpty()) return;
  const QFileInfo file(filePath);
  const QString folder = file.absolutePath();
  if (!bus.isConnected() || !file.exists()) {
    done(OpenFolder(folder));
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
  // Asked without waiting, so that the window stays responsive; when no file
  // manager answers, the folder is opened instead.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [folder, done = std::move(done)](QDBusPendingCallWatcher* answered) {
                     answered->deleteLater();
                     done(answered->isError() ? OpenFolder(folder) : QString());
                   });
}

bool OpenWithDesktop(const QString& filePath) {
  return QFileInfo::exists(filePath) && QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

}  // namespace vidmora
