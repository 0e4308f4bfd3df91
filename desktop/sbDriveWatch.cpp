#include "sbDriveWatch.h"

#include <QRegularExpression>
#include <QSocketNotifier>

#include <libudev.h>

#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {


class UdevSource final : public TsbDriveEventSource {
 public:
  UdevSource() {
    udev_ = udev_new();
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    // Only whole block devices: an optical drive is one disk, its medium no partition.
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", "disk") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
      udev_monitor_unref(monitor_);
      monitor_ = nullptr;
    }
  }
  ~UdevSource() override {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
  }
  int Descriptor() const override { return monitor_ ? udev_monitor_get_fd(monitor_) : -1; }
  std::optional<TsbDriveEvent> Receive() override {
    udev_device* device = monitor_ ? udev_monitor_receive_device(monitor_) : nullptr;
    if (!device) return std::nullopt;
    TsbDriveEvent event;
    auto text = [](const char* s) { return s ? QString::fromLocal8Bit(s) : QString(); };
    event.Action = text(udev_device_get_action(device));
    event.DevNode = text(udev_device_get_devnode(device));
    for (udev_list_entry* e = udev_device_get_properties_list_entry(device); e; e = udev_list_entry_get_next(e))
      event.Properties.insert(text(udev_list_entry_get_name(e)), text(udev_list_entry_get_value(e)));
    udev_device_unref(device);
    return event;
  }

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

}  // namespace

TsbDriveEventSource::~TsbDriveEventSource() = default;

std::unique_ptr<TsbDriveEventSource> MakeUdevDriveEventSource() {
  auto source = std::make_unique<UdevSource>();
  if (source->Descriptor() < 0) LogDiagnostic(QStringLiteral("No udev monitor: the device list changes on Refresh only"));
  return source;
}

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
  SetMediumChangedHook([this](const QString& name) {
    QMetaObject::invokeMethod(this, [this, name] { emit DriveChanged(name); }, Qt::QueuedConnection);
  });
}

TsbDriveWatch::~TsbDriveWatch() { SetMediumChangedHook(nullptr); }

void TsbDriveWatch::ReadEvents() {
  // One readable signal may stand for several events.
  while (std::optional<TsbDriveEvent> event = source_->Receive()) {
    const QString name = DriveNameOfEvent(*event);
    if (name.isEmpty()) continue;
    LogDiagnostic(QStringLiteral("Drive event %1 on %2").arg(event->Action, name));
    emit DriveChanged(name);
  }
}
