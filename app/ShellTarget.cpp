#include "ShellTarget.h"

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>

#include <atomic>

namespace {

std::atomic<int> busyDepth{0};

// Nested opens share one wait cursor; the normal cursor returns when the outermost open
// ends, also when the opener throws.
class BusyCursor {
 public:
  BusyCursor() {
    if (busyDepth.fetch_add(1) == 0 && qGuiApp != nullptr) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~BusyCursor() {
    if (busyDepth.fetch_sub(1) == 1 && qGuiApp != nullptr) QGuiApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void OpenShellTarget(const QString& target) {
  OpenShellTarget(target, [](const QUrl& url) { QDesktopServices::openUrl(url); });
}

void OpenShellTarget(const QString& target, const ShellOpener& opener) {
  const BusyCursor busy;
  opener(QUrl::fromUserInput(target));
}
