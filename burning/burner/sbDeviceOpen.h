// Opening a device: the one place that chooses the create call by transport,
// the address text, the failure text of a call's triple, and a grabber that is
// destroyed however its scope is left.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

#include "Discwright.h"
#include "sbBurnerRecords.h"

// "port:bus:target:lun", as devices are named by address.
QString AddressText(const DiscwrightDeviceAddress& address);

// "<function>() failed, exception %d, status %d, text \"%s\"" for one call's error triple.
QString TripleFailureText(const QString& function, uint8_t exception, uint32_t status, const char* text);

// Which device to open: by address for the address transport (ttAspi), else by name.
struct TsbDeviceTarget {
  TsbTransportType Transport = ttSpti;
  DiscwrightDeviceAddress Address{};
  QByteArray Name;
};

// The create call that opens a device of that transport.
const char* CreateCallOf(TsbTransportType transport);

// Opens target as a grabber into the given triple (text holds
// DISCWRIGHT_TEXT_SIZE bytes). flags as the create calls take them; callback
// and context receive the burn calls' reasons. call is set to the create call
// made. Returns the library's code; grabber is 0 unless it is DW_E_OK.
uint8_t CreateGrabber(DiscwrightHandle& grabber, char* text, uint32_t& status, uint8_t* failure,
                      const TsbDeviceTarget& target, uint32_t flags, DiscwrightCallback callback, void* context,
                      const char** call);

// One call's error triple kept by the caller rather than the burner: the
// queries that tolerate a failure or say it in their own words read it here.
struct TsbCallTriple {
  uint8_t code = DW_E_OK;
  uint32_t status = 0;
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  QString Call;  // the call made last into it

  // The last call's failure text.
  QString FailureText() const { return TripleFailureText(Call, code, status, text); }
  QString Text() const;  // the triple's text, trimmed
};

// A grabber of its own with its own triple, destroyed with its scope.
class TsbScopedGrabber : public TsbCallTriple {
 public:
  TsbScopedGrabber() = default;
  // Opens target (flags 1: the way the queries open a device beside a burn).
  explicit TsbScopedGrabber(const TsbDeviceTarget& target, uint32_t flags = 1) { Open(target, flags); }
  ~TsbScopedGrabber() { Close(); }
  TsbScopedGrabber(const TsbScopedGrabber&) = delete;
  TsbScopedGrabber& operator=(const TsbScopedGrabber&) = delete;

  // True when it opened; the triple and Call tell why it did not.
  bool Open(const TsbDeviceTarget& target, uint32_t flags = 1);
  void Close();
  bool Opened() const { return handle != 0; }

  DiscwrightHandle handle = 0;
};
