#include "sbTrayAndDisc.h"

#include <QByteArray>

#include <cstring>

#include "Discwright.h"
#include "sbBurner.h"
#include "sbDeviceOpen.h"
#include "sbDeviceProbe.h"
#include "sbDeviceTypes.h"
#include "sbDriveAccess.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {

// A device opened by name, with the log lines and failures of the calls made on it.
struct Grabber : TsbScopedGrabber {
  explicit Grabber(const QString& deviceName) {
    GlobalLogger().WriteLog(QStringLiteral("Discwright_CdvdBurnerGrabber_CreateEx"), 0);
    Open({ttSpti, {}, deviceName.toLocal8Bit()});
  }

  void Log() const { GlobalLogger().WriteLog(FailureText(), 0); }

  [[noreturn]] void Fail() const {
    const QString message = FailureText();
    GlobalLogger().WriteLog(message, 0);
    throw TsbError(message);
  }
};

}  // namespace

void SetDiscInserted(const QString& deviceName, bool inserted) {
  Grabber grabber(deviceName);
  if (!grabber.Opened()) grabber.Fail();
  const bool moved = inserted ? SB_CALL(grabber, Discwright_CdvdBurnerGrabber_CloseTray, grabber.handle)
                              : SB_CALL(grabber, Discwright_CdvdBurnerGrabber_Eject, grabber.handle);
  if (!moved) grabber.Fail();
  NoteDiscChanged(deviceName);
}

TsbDriveState DriveStateNow(const QString& deviceName) {
  Grabber grabber(deviceName);
  if (grabber.code != DW_E_OK) {
    grabber.Log();
    const QString why = WhyDeviceIsUnusable(deviceName, grabber.code, grabber.status, grabber.Text());
    return {TsbDriveState::Unavailable, why.isEmpty() ? grabber.Text() : why};
  }
  SB_CALL(grabber, Discwright_CdvdBurnerGrabber_TestUnitReady, grabber.handle);
  // As the device probe reads it: only "no medium" is an empty drive.
  if (grabber.code == DW_E_NO_MEDIUM)
    return {grabber.status == DW_STATUS_TRAY_OPEN ? TsbDriveState::TrayOpen : TsbDriveState::Empty, {}};
  if (grabber.code != DW_E_OK) {
    grabber.Log();
    return {grabber.code == DW_E_BUSY ? TsbDriveState::Unavailable : TsbDriveState::Unreadable, grabber.Text()};
  }
  uint8_t discType = DISC_TYPE_NO_MEDIA;
  if (!SB_CALL(grabber, Discwright_CdvdBurnerGrabber_GetInsertedDiscType, grabber.handle, &discType)) {
    grabber.Log();
    return {TsbDriveState::Unreadable, grabber.Text()};
  }
  return {discType == DISC_TYPE_NO_MEDIA ? TsbDriveState::Empty : TsbDriveState::Disc, {}};
}

void EraseDiscIn(TsbBurner& burner, const TsbDeviceItem& item, TsbTransportType transport, bool full) {
  burner.Transport = transport;
  burner.DeviceAddress = item.Address;
  burner.DeviceName = item.DeviceName;
  burner.DiscType = item.DiscType;
  burner.Open();
  struct Close {
    TsbBurner& b;
    ~Close() { b.DestroyGrabber(); }
  } close{burner};
  burner.Erase(full);
}
