#include "sbDriveWatch.h"

#include <QRegularExpression>
#include <QSocketNotifier>

#include "sbLogging.h"
#include "sbUiHooks.h"

TsbDriveEventSource::~TsbDriveEventSource() = default;

QString DriveNameOfEvent(const TsbDriveEvent& event) {
  static const QRegularExpression node(QStringLiteral("^/dev/sr(\\d+)$"));
  const auto match = node.match(event.DevNode);
  if (!match.hasMatch()) return {};
  // A node named srN is a cd drive; the property says so too once udev has looked at it.
  if (event.Properties.contains(QStringLiteral("ID_CDROM")) && event.Properties.value(QStringLiteral("ID_CDROM")) != "1")
    return {};
  if (event.Action != QLatin1String("add") && event.Action != QLatin1String("remove") &&
      event.Action != QLatin1String("change"))
    return {};
  return QStringLiteral("CdRom") + match.captured(1);
}

TsbDriveWatch::TsbDriveWatch(std::unique_ptr<TsbDriveEventSource> source, QObject* parent)
    : QObject(parent), source_(std::move(source)) {
  if (source_ && source_->Descriptor() >= 0) {
    notifier_ = new QSocketNotifier(source_->Descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TsbDriveWatch::ReadEvents);
  }
  // A virtual medium changed by this process reports the same way, on the window thread.
  SetDiscChangedHook([this](const QString& name) {
    QMetaObject::invokeMethod(this, [this, name] { emit DriveChanged(name); }, Qt::QueuedConnection);
  });
}

TsbDriveWatch::~TsbDriveWatch() { SetDiscChangedHook(nullptr); }

void TsbDriveWatch::ReadEvents() {
  // One readable signal may stand for several events.
  while (std::optional<TsbDriveEvent> event = source_->Receive()) {
    const QString name = DriveNameOfEvent(*event);
    if (name.isEmpty()) continue;
    LogDiagnostic(QStringLiteral("Drive event %1 on %2").arg(event->Action, name));
    emit DriveChanged(name);
  }
}
