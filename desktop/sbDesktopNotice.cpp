#include "sbDesktopNotice.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "sbLogging.h"

bool SendDesktopNotice(const QString& summary, const QString& body, const QDBusConnection& bus) {
  if (!bus.isConnected()) {
    GlobalLogger().WriteLog(QStringLiteral("No session bus for the desktop notice \"%1\"").arg(body), 0);
    return false;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app name, replaces id, icon, summary, body, actions, hints, expiry (-1: the server's default)
  call << QStringLiteral("Korvanel") << uint(0) << QStringLiteral("korvanel") << summary << body << QStringList()
       << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("korvanel")}} << int(-1);
  // The window thread is not held up by a notification daemon that is slow to answer.
  return bus.send(call);
}

bool SendDesktopNotice(const QString& summary, const QString& body) {
  return SendDesktopNotice(summary, body, QDBusConnection::sessionBus());
}
