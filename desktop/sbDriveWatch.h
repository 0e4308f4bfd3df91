// Drives plugged in or removed and discs inserted or ejected, reported as the
// device name of the drive ("CdRomN"), so that the device page can rescan it.
// Real drives come from udev (block devices of type cd and the kernel's
// media-change events) on Linux, from the volume broadcasts of WM_DEVICECHANGE
// on Windows; virtual recorders from NoteDiscChanged.
#pragma once

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// One uevent as udev hands it on; on Windows, one drive of a volume broadcast.
struct TsbDriveEvent {
  QString Action;   // "add", "remove", "change"
  QString DevNode;  // "/dev/sr0"; where drives have letters, the device name itself ("CdRom0")
  QMap<QString, QString> Properties;  // ID_CDROM, DISK_MEDIA_CHANGE, ID_CDROM_MEDIA, ...
};

// "CdRomN" for an event that can change what the device page shows (a cd
// drive added or removed, its disc changed); empty for any other event.
QString DriveNameOfEvent(const TsbDriveEvent& event);

// Where the events come from: a descriptor that turns readable when one is
// waiting, and the call that takes it (udev's monitor in the program; a pipe
// of the test's own in tests). A source that learns of events from the window
// system's messages has no descriptor and hands them on itself instead.
class TsbDriveEventSource {
 public:
  using Delivery = std::function<void(const TsbDriveEvent&)>;
  virtual ~TsbDriveEventSource();
  virtual int Descriptor() const = 0;  // -1 when the source could not start or hands its events on
  virtual std::optional<TsbDriveEvent> Receive() = 0;
  // From now on, each event this source learns of by itself goes to deliver, on the
  // window thread; an empty deliver stops that. Descriptor sources have nothing to hand on.
  virtual void DeliverTo(Delivery deliver);
};

// The system's own source: udev's monitor on block devices on Linux, the volume
// broadcasts to the application's windows on Windows. A source with
// descriptor -1 where there is none (the diagnostic log says so): then the device
// list changes on Refresh only.
std::unique_ptr<TsbDriveEventSource> MakeSystemDriveEventSource();

class TsbDriveWatch : public QObject {
  Q_OBJECT

 public:
  explicit TsbDriveWatch(std::unique_ptr<TsbDriveEventSource> source, QObject* parent = nullptr);
  ~TsbDriveWatch() override;

 signals:
  // On the window thread, once per event that concerns a drive.
  void DriveChanged(const QString& deviceName);

 private:
  void ReadEvents();
  void Report(const TsbDriveEvent& event);

  std::unique_ptr<TsbDriveEventSource> source_;
  QSocketNotifier* notifier_ = nullptr;
};
