#pragma once

// What stands in for the desktop in window tests: a D-Bus daemon of the
// test's own (dbus-daemon --session on a private address) with services that
// stand in for the file manager and the notifications, recording the calls
// they get; and a receiver of the addresses the window asks the desktop to
// open.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <memory>
#include <vector>

namespace vidmora::test {

class PrivateBus {
 public:
  // Starts the daemon; Address() is empty when it could not be started.
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const QString& Address() const { return address_; }
  // A connection of the name `name` to the daemon.
  QDBusConnection Connect(const QString& name);

 private:
  QProcess daemon_;
  QString address_;
  QStringList connections_;
};

// Answers every call of `interface` on `path` with an empty reply (a method
// named Notify answers 1) and keeps the calls.
class RecordingService : public QDBusVirtualObject {
 public:
  RecordingService(QDBusConnection connection, const QString& service, const QString& path);
  ~RecordingService() override;

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

  const std::vector<QDBusMessage>& Calls() const { return calls_; }

 private:
  QDBusConnection connection_;
  QString service_;
  QString path_;
  std::vector<QDBusMessage> calls_;
};

// While it lives, the addresses of `scheme` that the program opens through
// QDesktopServices come here instead of to the desktop.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  explicit OpenedUrls(const QString& scheme = QStringLiteral("file"));
  ~OpenedUrls() override;
  const QList<QUrl>& Urls() const { return urls_; }

 public slots:
  void Open(const QUrl& url) { urls_ << url; }

 private:
  QString scheme_;
  QList<QUrl> urls_;
};

}  // namespace vidmora::test
