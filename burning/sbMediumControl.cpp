#include "sbMediumControl.h"

#include <QByteArray>

#include "Discwright.h"
#include "sbDeviceProbe.h"
#include "sbDeviceTypes.h"
#include "sbErrors.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace {

struct Grabber {
  DiscwrightHandle handle = 0;
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  uint8_t code = DW_E_OK;

  explicit Grabber(const QString& deviceName) {
    const QByteArray name = deviceName.toLocal8Bit();
    GlobalLogger().WriteLog(QStringLiteral("Discwright_CdvdBurnerGrabber_CreateEx"), 0);
    code = Discwright_CdvdBurnerGrabber_CreateEx(&handle, text, sizeof text, &status, failure, nullptr, nullptr,
                                                 name.constData(), 1);
    if (code != DW_E_OK) handle = 0;
  }
  ~Grabber() {
    if (handle) Discwright_Destroy(&handle);
  }
  Grabber(const Grabber&) = delete;
  Grabber& operator=(const Grabber&) = delete;

  [[noreturn]] void Fail(const QString& call) const {
    const QString message = TripleFailureText(call, code, status, text);
    GlobalLogger().WriteLog(message, 0);
    throw TsbError(message);
  }
};

}  // namespace

void SetMediumInserted(const QString& deviceName, bool inserted) {
  Grabber grabber(deviceName);
  if (grabber.code != DW_E_OK) grabber.Fail(QStringLiteral("Discwright_CdvdBurnerGrabber_CreateEx"));
  const QString call = inserted ? QStringLiteral("Discwright_CdvdBurnerGrabber_CloseTray")
                                : QStringLiteral("Discwright_CdvdBurnerGrabber_Eject");
  GlobalLogger().WriteLog(call, 0);
  grabber.code = inserted ? Discwright_CdvdBurnerGrabber_CloseTray(grabber.handle, grabber.text, sizeof grabber.text,
                                                                   &grabber.status, grabber.failure)
                          : Discwright_CdvdBurnerGrabber_Eject(grabber.handle, grabber.text, sizeof grabber.text,
                                                               &grabber.status, grabber.failure);
  if (grabber.code != DW_E_OK) grabber.Fail(call);
  NoteMediumChanged(deviceName);
}

bool DiscInDrive(const QString& deviceName) {
  Grabber grabber(deviceName);
  if (grabber.code != DW_E_OK) return false;
  uint8_t discType = DISC_TYPE_NO_MEDIA;
  grabber.code = Discwright_CdvdBurnerGrabber_GetInsertedDiscType(grabber.handle, grabber.text, sizeof grabber.text,
                                                                  &grabber.status, grabber.failure, &discType);
  return grabber.code == DW_E_OK && discType != DISC_TYPE_NO_MEDIA;
}
