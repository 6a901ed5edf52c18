#include "app/shell/run_notification.h"

#include "app/processing/batch.h"
#include "app/settings/language_manager.h"
#include "app/shell/main_window.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vidmora {

RunNotificationText NotificationTextOf(const RunSummary& summary) {
  RunNotificationText text;
  text.title = summary.outcome == RunOutcome::AllDone ? UiText(QStringLiteral("Watermarking finished"))
                                                      : UiText(QStringLiteral("Watermarking stopped"));
  text.body = RunSummaryText(summary);
  return text;
}

void NotifyRunEnded(const QDBusConnection& bus, const RunNotificationText& text, bool offerFolder, QObject* context,
                    std::function<void(unsigned id)> sent) {
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QStringList actions;
  if (offerFolder) actions << QString::fromLatin1(kShowInFolderAction) << UiText(QStringLiteral("Show in Folder"));
  call << QStringLiteral("Vidmora") << 0u << QStringLiteral("vidmora") << text.title << text.body << actions
       << QVariantMap() << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [sent = std::move(sent)](QDBusPendingCallWatcher* answered) {
                     answered->deleteLater();
                     const QDBusPendingReply<unsigned> reply = *answered;
                     if (!reply.isError()) sent(reply.value());
                   });
}

}  // namespace vidmora
