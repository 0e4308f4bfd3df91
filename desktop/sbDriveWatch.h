// Drives plugged in or removed and discs inserted or ejected, reported as the
// device name of the drive ("CdRomN"), so that the device page can rescan it.
// Real drives come from udev (block devices of type cd and the kernel's
// media-change events); virtual recorders from NoteDiscChanged.
#pragma once

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSocketNotifier;

// One uevent as udev hands it on.
struct TsbDriveEvent {
  QString Action;   // "add", "remove", "change"
  QString DevNode;  // "/dev/sr0"
  QMap<QString, QString> Properties;  // ID_CDROM, DISK_MEDIA_CHANGE, ID_CDROM_MEDIA, ...
};

// "CdRomN" for an event that can change what the device page shows (a cd
// drive added or removed, its disc changed); empty for any other event.
QString DriveNameOfEvent(const TsbDriveEvent& event);

// Where the events come from: a descriptor that turns readable when one is
// waiting, and the call that takes it. udev's monitor in the program; a pipe
// of the test's own in tests.
class TsbDriveEventSource {
 public:
  virtual ~TsbDriveEventSource();
  virtual int Descriptor() const = 0;  // -1 when the source could not start
  virtual std::optional<TsbDriveEvent> Receive() = 0;
};

// The system's own source: udev's monitor on block devices on Linux. A source with
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

  std::unique_ptr<TsbDriveEventSource> source_;
  QSocketNotifier* notifier_ = nullptr;
};
