#pragma once

// The desktop notification at the end of a run (org.freedesktop.Notifications
// over D-Bus): the counts, and "Show in Folder" when an output was written.
// Where no notification service runs nothing is shown and nothing is said:
// the status line has the same counts. User-interface thread.

#include <QString>

#include <functional>

class QDBusConnection;
class QObject;

namespace vidmora {

struct RunSummary;

struct RunNotificationText {
  QString title;  // "Watermarking finished" or "... stopped"
  QString body;   // the status line's counts
};
RunNotificationText NotificationTextOf(const RunSummary& summary);

// The notification's action that shows the last output.
inline constexpr const char* kShowInFolderAction = "show-in-folder";

// Sends the notification without waiting; `sent` gets its id when the
// service has answered (never when none did, or `context` has gone).
void NotifyRunEnded(const QDBusConnection& bus, const RunNotificationText& text, bool offerFolder, QObject* context,
                    std::function<void(unsigned id)> sent);

}  // namespace vidmora
