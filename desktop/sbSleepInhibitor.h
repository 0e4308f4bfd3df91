// Keeps the machine awake while a disc is burned or erased: a logind
// "sleep:idle" block inhibitor, held from construction to destruction. A sleep
// in the middle of a burn ruins the disc.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QString>

#include <memory>

#include "sbDesktopServices.h"

class TsbSleepInhibitor {
 public:
  // Asks logind on bus (the system bus by default) for the inhibitor. Where no
  // logind answers, the run goes on without one; the diagnostic log says so.
  explicit TsbSleepInhibitor(const QDBusConnection& bus = QDBusConnection::systemBus(),
                             const QString& why = QCoreApplication::translate("sbSleepInhibitor", "Burning a disc"));
  ~TsbSleepInhibitor();  // releases the inhibitor (closes its file descriptor)
  TsbSleepInhibitor(const TsbSleepInhibitor&) = delete;
  TsbSleepInhibitor& operator=(const TsbSleepInhibitor&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};
