#include "sbDriveWatch.h"

#include <QRegularExpression>
#include <QSocketNotifier>

#include "sbLogging.h"
#include "sbUiHooks.h"

TsbDriveEventSource::~TsbDriveEventSource() = default;

void TsbDriveEventSource::DeliverTo(Delivery) {}

QString DriveNameOfEvent(const TsbDriveEvent& event) {
  // udev's node srN, or the name itself where the system names drives by letter.
  static const QRegularExpression node(QStringLiteral("^(?:/dev/sr|CdRom)(\\d+)$"));
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
  if (source_) source_->DeliverTo([this](const TsbDriveEvent& event) { Report(event); });
  // A virtual medium changed by this process reports the same way, on the window thread.
  SetDiscChangedHook([this](const QString& name) {
    QMetaObject::invokeMethod(this, [this, name] { emit DriveChanged(name); }, Qt::QueuedConnection);
  });
}

TsbDriveWatch::~TsbDriveWatch() {
  SetDiscChangedHook(nullptr);
  if (source_) source_->DeliverTo(nullptr);
}

void TsbDriveWatch::ReadEvents() {
  // One readable signal may stand for several events.
  while (std::optional<TsbDriveEvent> event = source_->Receive()) Report(*event);
}

void TsbDriveWatch::Report(const TsbDriveEvent& event) {
  const QString name = DriveNameOfEvent(event);
  if (name.isEmpty()) return;
  LogDiagnostic(QStringLiteral("Drive event %1 on %2").arg(event.Action, name));
  emit DriveChanged(name);
}
