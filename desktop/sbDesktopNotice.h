// A desktop notification (org.freedesktop.Notifications on the session bus):
// how a burn ended, for a user who is looking at another window.
#pragma once

#include <QDBusConnection>
#include <QString>

// Sends the notice without waiting for an answer; false when no session bus
// is there to take it (the diagnostic log says so).
bool SendDesktopNotice(const QString& summary, const QString& body,
                       const QDBusConnection& bus = QDBusConnection::sessionBus());
