#pragma once

// One window per user: the first `vidmora FILE...` listens on a local socket
// in the user's runtime folder; a later one hands its files to it there and
// ends, and the running window adds them and comes to the front.
//
// User-interface thread.

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace vidmora {

// The socket's path: in $XDG_RUNTIME_DIR (else the temporary folder), so
// that each user (and each test's home) has its own.
QString InstanceSocketPath();

// The files of a command line (the program's name left out) as absolute
// paths, read from the folder the program was started in.
QStringList FilesOfCommandLine(const QStringList& arguments);

// Hands `files` to the running window; false when none answers (then this
// program is the first). An empty list only raises the window.
bool HandToRunningInstance(const QString& socketPath, const QStringList& files);

class InstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(QObject* parent = nullptr);
  // Listens on `socketPath` (a socket left by a program that ended is
  // replaced). False when it cannot.
  bool Listen(const QString& socketPath);

 signals:
  // Another start handed these files (possibly none).
  void filesHanded(const QStringList& files);

 private:
  QLocalServer* server_ = nullptr;
};

}  // namespace vidmora
