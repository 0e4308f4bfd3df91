// A desktop notification (org.freedesktop.Notifications on the session bus):
// how a burn ended, for a user who is looking at another window.
#pragma once

#include <QDBusConnection>
#include <QString>

#include "sbDesktopServices.h"

// Sends the notice on bus without waiting for an answer; false when no session bus is
// there to take it (the diagnostic log says so). The two-argument form uses the session bus.
bool SendDesktopNotice(const QString& summary, const QString& body, const QDBusConnection& bus);
