// The notice of the wizard on Windows: a balloon of the notification area. Apart from
// the other desktop services because it needs Qt Widgets, which korvanel-cli does
// without; only the wizard links it (korvanel_desktop_tray).
#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include "sbDesktopServices.h"
#include "sbLogging.h"

namespace {

// How long the balloon is offered; the icon leaves the notification area with it.
constexpr int kShownMs = 10000;

class TrayNotice {
 public:
  // On the window thread: the icon is made on first use and hidden between notices.
  void Show(const QString& summary, const QString& body) {
    if (!icon_) {
      QIcon picture = QApplication::windowIcon();
      if (picture.isNull()) picture = QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon);
      icon_ = new QSystemTrayIcon(picture, qApp);
      icon_->setToolTip(QApplication::applicationDisplayName());
      hide_ = new QTimer(icon_);
      hide_->setSingleShot(true);
      QObject::connect(hide_, &QTimer::timeout, icon_, &QSystemTrayIcon::hide);
      QObject::connect(icon_, &QSystemTrayIcon::messageClicked, icon_, &QSystemTrayIcon::hide);
    }
    icon_->show();
    icon_->showMessage(summary, body, QSystemTrayIcon::Information, kShownMs);
    // A later notice keeps the icon for its own full time.
    hide_->start(kShownMs + 1000);
  }

 private:
  QPointer<QSystemTrayIcon> icon_;
  QTimer* hide_ = nullptr;
};

TrayNotice& Notice() {
  static TrayNotice notice;
  return notice;
}

}  // namespace

bool SendDesktopNotice(const QString& summary, const QString& body) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable()) {
    LogDiagnostic(QStringLiteral("No notification area service for the notice \"%1: %2\"").arg(summary, body));
    return false;
  }
  if (QThread::currentThread() == qApp->thread())
    Notice().Show(summary, body);
  else
    QMetaObject::invokeMethod(qApp, [summary, body] { Notice().Show(summary, body); }, Qt::QueuedConnection);
  return true;
}
