#pragma once

// The desktop's doors to a file: its file manager with the file selected,
// over D-Bus (org.freedesktop.FileManager1.ShowItems), or else its folder
// opened; and the file opened with the desktop's own program for it. Called
// on the user-interface thread; the file manager is asked without waiting.

#include <QString>

#include <functional>

class QDBusConnection;
class QObject;

namespace vidmora {

// Shows `filePath` in the file manager on `bus`; when none answers (or the
// bus is not connected, or the file is gone), opens its folder instead.
// `done` is called once on this thread, unless `context` has gone by then,
// with an empty string when the file or its folder was shown, else one line
// for the user saying that neither could be.
void ShowInFileManager(const QDBusConnection& bus, const QString& filePath, QObject* context,
                       std::function<void(const QString& failure)> done);

// Opens `filePath` with the desktop's program for its type (a video: its
// player). False when it could not be opened.
bool OpenWithDesktop(const QString& filePath);

}  // namespace vidmora
