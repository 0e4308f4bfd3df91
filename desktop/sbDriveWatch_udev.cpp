// The drive events of Linux: udev's monitor of block devices.
#include <libudev.h>

#include "sbDriveWatch.h"
#include "sbLogging.h"

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

std::unique_ptr<TsbDriveEventSource> MakeSystemDriveEventSource() {
  auto source = std::make_unique<UdevSource>();
  if (source->Descriptor() < 0) LogDiagnostic(QStringLiteral("No udev monitor: the device list changes on Refresh only"));
  return source;
}

