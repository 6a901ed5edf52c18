#include "tests/shell/desktop_stand_ins.h"

#include <QDesktopServices>
#include <QDir>

namespace vidmora::test {

PrivateBus::PrivateBus() {
  // The daemon's socket under the test's own temporary folder (TMPDIR).
  daemon_.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                 QStringLiteral("--address=unix:tmpdir=") + QDir::tempPath()});
  if (!daemon_.waitForStarted(10000)) return;
  while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
  }
  address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
  for (const QString& name : connections_) QDBusConnection::disconnectFromBus(name);
  daemon_.terminate();
  daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connect(const QString& name) {
  connections_ << name;
  return QDBusConnection::connectToBus(address_, name);
}

RecordingService::RecordingService(QDBusConnection connection, const QString& service, const QString& path)
    : connection_(std::move(connection)), service_(service), path_(path) {
  connection_.registerService(service_);
  connection_.registerVirtualObject(path_, this);
}

RecordingService::~RecordingService() {
  connection_.unregisterObject(path_);
  connection_.unregisterService(service_);
}

bool RecordingService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  calls_.push_back(message);
  QDBusMessage reply = message.createReply();
  if (message.member() == QLatin1String("Notify")) reply << 1u;
  connection.send(reply);
  return true;
}

QString RecordingService::introspect(const QString&) const { return {}; }

OpenedUrls::OpenedUrls(const QString& scheme) : scheme_(scheme) {
  QDesktopServices::setUrlHandler(scheme_, this, "Open");
}

OpenedUrls::~OpenedUrls() { QDesktopServices::unsetUrlHandler(scheme_); }

}  // namespace vidmora::test
