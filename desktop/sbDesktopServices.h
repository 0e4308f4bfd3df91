// What the front ends ask of the desktop, the same on every platform; each platform
// answers with its own service (Linux: logind and desktop notifications over D-Bus;
// Windows: the power manager and the notification area).
#pragma once

#include <QString>

// Makes every burn and erase of this process keep the machine awake (the burner's run
// hook): a sleep in the middle of a burn ruins the disc.
void InhibitSleepDuringRuns();

// How a burn ended, for a user who is looking at another window. Sent without waiting
// for an answer; false when the desktop has nowhere to show it (the diagnostic log says so).
bool SendDesktopNotice(const QString& summary, const QString& body);
