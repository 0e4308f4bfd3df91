#include "sbDeviceList.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>

#include "Discwright.h"
#include "sbDeviceProbe.h"
#include "sbDriveAccess.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbStrings.h"
#include "sbUiHooks.h"

namespace {

// The search's own callback: a found device is probed into the list (the
// context); the callbacks of the burns are none of the search's business.
void FoundDeviceCallback(uint32_t reason, void* context, void* param1, void* param2) {
  if ((reason & 0xFF) == DW_REASON_DEVICE_FOUND && context)
    ProbeDevice(*static_cast<TsbDeviceList*>(context), param1, param2);
}

}  // namespace

TsbProgressView::~TsbProgressView() = default;

void TsbDeviceFinderThread::Execute() {
  switch (OnlyName.isEmpty() ? TransportType : ttSpti) {
    case ttSpti:
      // Names that open are probed (the probe logs everything about them); a drive
      // that is there but refuses to open is listed with the reason.
      for (int n = 0; n <= DISCWRIGHT_LAST_DEVICE_NUMBER; ++n) {
        const QByteArray name = QByteArrayLiteral("CdRom") + QByteArray::number(n);
        if (!OnlyName.isEmpty() && OnlyName.compare(QLatin1String(name), Qt::CaseInsensitive) != 0) continue;
        TsbScopedGrabber grabber;
        grabber.status = 31;
        if (!grabber.Open({ttSpti, {}, name})) {
          AddUnusable(QString::fromLatin1(name), grabber.code, grabber.status, QString::fromLocal8Bit(grabber.text));
          continue;
        }
        grabber.Close();
        ProbeDevice(Devices, nullptr, const_cast<char*>(name.constData()));
      }
      break;
    case ttAspi:
      SB_CALL_PLAIN(Discwright_FindDevice, DISCWRIGHT_DEVICE_TYPE_CDDVD, uint32_t(0), FoundDeviceCallback,
                    static_cast<void*>(&Devices));
      break;
  }
}

void TsbDeviceFinderThread::AddUnusable(const QString& name, uint8_t code, uint32_t status, const QString& text) {
  if (Devices.CancelRequested) return;
  const QString why = WhyDeviceIsUnusable(name, code, status, text);
  if (why.isEmpty()) return;  // no drive under that name
  LogDiagnostic(QStringLiteral("%1 cannot be used: %2").arg(name, why));
  TsbDeviceItem& item = Devices.Add();
  item.DeviceName = name;
  item.TransportType = ttSpti;
  const QString node = DriveNodeOf(name);
  item.Product = DriveNodesProbed() && QFileInfo::exists(node) ? node : name;
  item.DiscType = DISC_TYPE_NO_MEDIA;  // nothing about the disc can be read
  item.Unusable = why;
}

TsbDeviceFinder::~TsbDeviceFinder() { threadOwner_.reset(); }

void TsbDeviceFinder::Refresh(bool showProgress) {
  struct WindowGuard {
    std::unique_ptr<TsbProgressView>& window;
    ~WindowGuard() { window.reset(); }
  } windowGuard{ProgressWindow};

  if (showProgress) {
    if (ProgressViewFactory) ProgressWindow = ProgressViewFactory();
    Devices.CancelRequested = false;
  }
  if (ProgressWindow) {
    ProgressWindow->Show(ResStr(sScanningDevices), InfoText, [this] { Cancel(); });
    ProcessMessages();
  }

  // A scan still running owns the list until it ends, so wait before clearing it.
  WaitForThread();
  Devices.Clear();
  Devices.TransportType = TransportType;

  threadOwner_ = std::make_unique<TsbDeviceFinderThread>(Devices);
  threadOwner_->OnTerminate = [this](TsbWorkerThread* thread) { ThreadDone(thread); };
  thread_ = threadOwner_.get();
  threadOwner_->Start();
  WaitForThread();

  if (ProgressWindow) ProgressWindow->Hide();
}

void TsbDeviceFinder::WaitForThread() {
  // Re-read each round: the pointer is cleared by the ending thread.
  while (TsbDeviceFinderThread* thread = thread_.load()) {
    if (thread->WaitFor(kWaitSlice)) break;
    ProcessMessages();
  }
  threadOwner_.reset();  // the thread has ended: this only joins it
}

void TsbDeviceFinder::ThreadDone(TsbWorkerThread*) { thread_ = nullptr; }

TsbDiscSpace ReadDiscSpace(const TsbDeviceItem& record, QStringList* failures) {
  TsbDiscSpace space;
  TsbScopedGrabber grabber;
  grabber.status = 31;

  grabber.Open({record.TransportType, record.Address, record.DeviceName.toLocal8Bit()});
  uint8_t code = grabber.code;
  if (code != DW_E_OK) {
    const QString failed = grabber.FailureText();
    LogDiagnostic(failed);  // the reads below then fail on their own
    NoteLibraryFailure(failed);
  }

  // Reads on a device that did not open fail for that reason alone: noted once.
  const bool opened = code == DW_E_OK;
  uint32_t freeCount = 0;
  uint64_t freeBytes = 0;
  if (!SB_CALL(grabber, Discwright_CdvdBurnerGrabber_GetDiscFreeSpace, grabber.handle, uint32_t(3), &freeCount,
               &freeBytes)) {
    freeCount = 0;
    freeBytes = 0;
    LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_GetDiscFreeSpace() failed, exception %1\"")
                      .arg(grabber.code));
    if (opened) {
      const QString failed = grabber.FailureText();
      NoteLibraryFailure(failed);
      // A size check that then finds no room must be able to say why.
      if (failures) *failures << failed;
    }
  }

  uint64_t usedBytes = 0;
  if (!SB_CALL(grabber, Discwright_CdvdBurnerGrabber_GetDiscUsedSpace, grabber.handle, &usedBytes)) {
    usedBytes = 0;
    const QString failed = grabber.FailureText();
    LogDiagnostic(failed);
    if (opened) NoteLibraryFailure(failed);
  }

  space.FreeBytes = int64_t(freeBytes);
  space.UsedBytes = int64_t(usedBytes);
  space.CapacityBytes = space.FreeBytes + space.UsedBytes;
  space.FreeCount = freeCount;
  return space;
}

void UpdateDiscSpace(TsbDeviceItem& record) {
  if (record.DiscType != DISC_TYPE_NO_MEDIA) record.DiscSpace = ReadDiscSpace(record, &record.ProbeFailures);
}

QString DiscSizeText(const TsbDeviceItem& record, bool localised) {
  if (record.DiscType == DISC_TYPE_NO_MEDIA) return {};
  const TsbDiscSpace& space = record.DiscSpace;
  if (space.FreeBytes == space.CapacityBytes) return localised ? ResStr(sBlank) : ResSourceStr(sBlank);
  if (space.CapacityBytes <= 0) return {};
  // Scripts read the plain figure; the window says what a disc left open still takes.
  if (localised && record.DiscFiles >= 0 && DiscTakesAnotherSession(record))
    return QCoreApplication::translate("sbDeviceList", "Appendable, %1 free, %2 files")
        .arg(LocaleMegabytes(space.FreeBytes))
        .arg(record.DiscFiles);
  return localised ? LocaleMegabytes(space.UsedBytes) : FormatMegabytes(space.UsedBytes);
}

QString NoDiscText(bool trayOpen) {
  return trayOpen ? QCoreApplication::translate("sbDeviceList", "The tray is open: put a disc in and close the tray")
                  : ResStr(sNoMediaInDrive);
}

QString WhyDiscCannotBeBurned(const TsbDiscSpace& space, uint8_t discType, const DiscwrightTrackInformation& track,
                              const DiscwrightDiscInformation& disc) {
  // In this order: a drive without a disc has no space at all, so it passes the blank check.
  if (space.FreeBytes != space.CapacityBytes) return ResStr(sDiscNotBlank);
  if (discType == DISC_TYPE_NO_MEDIA) return ResStr(sNoMediaInDrive);
  if (!IsRecordableDiscType(discType) || track.NextWritableValid == 0) return ResStr(sNoWritableDisc);
  if (disc.Valid == 0) return ResStr(sNoWritableDisc);
  return {};
}

bool DiscTakesAnotherSession(const TsbDeviceItem& item) {
  const DiscwrightDiscInformation& disc = item.DiscInformation;
  return disc.Valid != 0 && disc.DiscStatus == 1 && IsRecordableDiscType(item.DiscType) &&
         item.TrackInformation.NextWritableValid != 0 && item.DiscSpace.FreeBytes > 0 && item.AppendProblem.isEmpty();
}

bool FindDriveNow(const QString& name, TsbDeviceItem& found) {
  TsbDeviceList list;
  list.TransportType = ttSpti;
  TsbDeviceFinderThread probe(list);
  probe.OnlyName = name;
  probe.Start();
  WaitPumping(probe);
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).DeviceName.compare(name, Qt::CaseInsensitive) == 0 && list.Items(i).Unusable.isEmpty()) {
      found = list.Items(i);
      UpdateDiscSpace(found);
      return true;
    }
  return false;
}
