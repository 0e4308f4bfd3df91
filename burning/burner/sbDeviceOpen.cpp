#include "sbDeviceOpen.h"

#include <cstring>

QString AddressText(const DiscwrightDeviceAddress& address) {
  return QStringLiteral("%1:%2:%3:%4").arg(address.PortID).arg(address.BusID).arg(address.TargetID).arg(address.LUN);
}

QString TripleFailureText(const QString& function, uint8_t exception, uint32_t status, const char* text) {
  return QStringLiteral("%1() failed, exception %2, status %3, text \"%4\"")
      .arg(function)
      .arg(exception)
      .arg(int32_t(status))
      .arg(QString::fromLocal8Bit(text, qsizetype(strnlen(text, DISCWRIGHT_TEXT_SIZE))));
}

const char* CreateCallOf(TsbTransportType transport) {
  return transport == ttAspi ? "Discwright_CdvdBurnerGrabber_Create" : "Discwright_CdvdBurnerGrabber_CreateEx";
}

uint8_t CreateGrabber(DiscwrightHandle& grabber, char* text, uint32_t& status, uint8_t* failure,
                      const TsbDeviceTarget& target, uint32_t flags, DiscwrightCallback callback, void* context,
                      const char** call) {
  // Not through SB_CALL: each caller logs the open in words of its own (with the
  // address it opened), and a scan tries names that are mostly not there.
  uint8_t code;
  if (call) *call = CreateCallOf(target.Transport);
  if (target.Transport == ttAspi) {
    const DiscwrightDeviceAddress& a = target.Address;
    code = Discwright_CdvdBurnerGrabber_Create(&grabber, text, DISCWRIGHT_TEXT_SIZE, &status, failure, callback,
                                               context, a.PortID, a.BusID, a.TargetID, a.LUN, flags);
  } else {
    code = Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, DISCWRIGHT_TEXT_SIZE, &status, failure, callback,
                                                 context, target.Name.constData(), flags);
  }
  if (code != DW_E_OK) grabber = 0;
  return code;
}

bool TsbScopedGrabber::Open(const TsbDeviceTarget& target, uint32_t flags) {
  Close();
  const char* call = nullptr;
  code = CreateGrabber(handle, text, status, failure, target, flags, nullptr, nullptr, &call);
  Call = QString::fromLatin1(call);
  return code == DW_E_OK;
}

// Unlogged: it runs in the destructor, where a log that cannot be written must not end the program.
void TsbScopedGrabber::Close() {
  if (handle) Discwright_Destroy(&handle);
  handle = 0;
}

QString TsbCallTriple::Text() const {
  return QString::fromLocal8Bit(text, qsizetype(strnlen(text, sizeof text))).trimmed();
}
