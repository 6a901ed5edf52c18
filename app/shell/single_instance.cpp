#include "app/shell/single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

namespace vidmora {

namespace {

constexpr int kWaitMs = 3000;

}  // namespace

QString InstanceSocketPath() {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
  return folder + QStringLiteral("/vidmora.socket");
}

QStringList FilesOfCommandLine(const QStringList& arguments) {
  QStringList files;
  for (const QString& argument : arguments) {
    // A file manager may hand file:// addresses; options are not files.
    if (argument.isEmpty() || argument.startsWith(QLatin1Char('-'))) continue;
    const QUrl url(argument);
    const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
    files << QFileInfo(path).absoluteFilePath();
  }
  return files;
}

bool HandToRunningInstance(const QString& socketPath, const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(kWaitMs)) return false;
  // One path a line, then an empty line.
  QByteArray message;
  for (const QString& file : files) message += file.toUtf8() + '\n';
  message += '\n';
  socket.write(message);
  if (!socket.waitForBytesWritten(kWaitMs)) return false;
  socket.disconnectFromServer();
  return true;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        // The whole message ends with an empty line.
        const QByteArray received = socket->peek(socket->bytesAvailable());
        if (!received.endsWith("\n\n") && received != "\n") return;
        socket->readAll();
        QStringList files;
        for (const QByteArray& line : received.split('\n')) {
          if (!line.isEmpty()) files << QString::fromUtf8(line);
        }
        emit filesHanded(files);
      });
    }
  });
}

bool InstanceServer::Listen(const QString& socketPath) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (server_->listen(socketPath)) return true;
  // Nobody answered there (HandToRunningInstance came first): left by a
  // program that ended without removing it.
  QLocalServer::removeServer(socketPath);
  return server_->listen(socketPath);
}

}  // namespace vidmora
