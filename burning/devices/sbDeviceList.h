// Finding the CD/DVD devices of the machine: a worker thread enumerates and
// probes them while the window thread waits in short slices, optionally behind
// a progress window with a Cancel button.
#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

#include "sbDeviceTypes.h"
#include "sbThreads.h"

// The window shown during a scan. Show makes its Cancel button visible and
// binds it to onCancel; the finder frees the view when the scan has ended.
class TsbProgressView {
 public:
  virtual ~TsbProgressView();
  virtual void Show(const QString& caption, const QString& info, std::function<void()> onCancel) = 0;
  virtual void Hide() = 0;
};

class TsbDeviceFinderThread : public TsbWorkerThread {
 public:
  explicit TsbDeviceFinderThread(TsbDeviceList& devices)
      : Devices(devices), TransportType(devices.TransportType) {}

  TsbDeviceList& Devices;  // filled by this thread, not owned
  const TsbTransportType TransportType;
  // Set: only this name is tried (a drive that changed), in either transport.
  QString OnlyName;

 protected:
  void Execute() override;

 private:
  // Lists a drive that is there but refused to open, with the reason.
  void AddUnusable(const QString& name, uint8_t code, uint32_t status, const QString& text);
};

class TsbDeviceFinder {
 public:
  TsbDeviceFinder() = default;
  virtual ~TsbDeviceFinder();  // waits for a scan that is still running
  TsbDeviceFinder(const TsbDeviceFinder&) = delete;
  TsbDeviceFinder& operator=(const TsbDeviceFinder&) = delete;

  // Clears Devices and fills it anew; returns when the scan has ended. With
  // showProgress a progress window from ProgressViewFactory is shown meanwhile
  // and a cancel left over from an earlier scan is forgotten.
  void Refresh(bool showProgress);
  // Asks the running scan to stop; safe from any thread.
  void Cancel() { Devices.CancelRequested = true; }
  // Returns when no scan thread is running, processing window events meanwhile.
  virtual void WaitForThread();
  // The scan thread's last step, run on that thread.
  virtual void ThreadDone(TsbWorkerThread* thread);

  bool Scanning() const { return thread_.load() != nullptr; }

  TsbDeviceList Devices;
  TsbTransportType TransportType = ttSpti;
  QString InfoText;  // shown in the progress window
  // Makes the progress window of a scan; empty when there is no user interface.
  std::function<std::unique_ptr<TsbProgressView>()> ProgressViewFactory;
  std::unique_ptr<TsbProgressView> ProgressWindow;  // set only during a scan

 private:
  std::atomic<TsbDeviceFinderThread*> thread_{nullptr};  // cleared by the ending thread
  std::unique_ptr<TsbDeviceFinderThread> threadOwner_;   // joined and freed on the window thread
};

// Free and used space of the disc in a found device, read through a grabber of
// its own. Library failures are logged; what was not delivered counts as 0.
// failures, when given, takes the text of a space query that failed on an opened device.
TsbDiscSpace ReadDiscSpace(const TsbDeviceItem& record, QStringList* failures = nullptr);
// Reads the disc space into the record when its drive holds a disc; a drive
// without one keeps zero space and is not asked.
void UpdateDiscSpace(TsbDeviceItem& record);
// The drive as a rescan of it finds it now, its disc space read; false when it is gone.
bool FindDriveNow(const QString& name, TsbDeviceItem& found);
// The size shown for a listed device: empty without a disc, "Blank" for a
// blank disc, else the used size in megabytes (empty when nothing was read).
// Localised: "Blank" in the user's language and the size in the user's locale
// (the wizard); else in English and the C form.
QString DiscSizeText(const TsbDeviceItem& record, bool localised = false);

// Why a drive holds no disc to use: its tray is open, or it is empty ("No media in drive").
QString NoDiscText(bool trayOpen);

// Why the disc described by these records cannot be burned (not blank, no
// disc, not writable), as the device page refuses it; empty when it can.
QString WhyDiscCannotBeBurned(const TsbDiscSpace& space, uint8_t discType, const DiscwrightTrackInformation& track,
                              const DiscwrightDiscInformation& disc);
// A disc whose sessions are closed and that has room for another (CD-R, DVD-R, DVD+R and
// the like, left open when burned): files can be added to it as a further session.
bool DiscTakesAnotherSession(const TsbDeviceItem& item);
