// The library session and the device scan of korvanel-cli, and the checks the
// wizard's device and image pages make, with the same messages.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

#include "CliArgs.h"
#include "sbBurner.h"
#include "sbDeviceList.h"

class CliEngine {
 public:
  // Starts the library with the recorders the options name; throws TsbError.
  explicit CliEngine(const CliArgs& args);
  ~CliEngine();
  CliEngine(const CliEngine&) = delete;
  CliEngine& operator=(const CliEngine&) = delete;

  TsbTransportType Transport() const { return transport_; }
  // Scans the devices as the device page does.
  TsbDeviceList& Scan();
  // False for the record the scan keeps of a device it found by address but
  // could not open: it holds nothing but the address.
  bool Opened(const TsbDeviceItem& item) const { return item.TransportType == transport_; }
  // The scanned device DEVICE names (CdRomN, /dev/srN or port:bus:target:lun), or none.
  TsbDeviceItem* Find(const QString& device);
  // The same, or a raised message with the library's reason why DEVICE is not there (busy, say).
  TsbDeviceItem& FindOrExplain(const QString& device, const QString& message);
  // Scans, then the device with a written, readable disc; raises with the reason
  // otherwise. blankRefusal is the whole sentence that refuses a blank disc, %1 the device.
  TsbDeviceItem& FindWrittenDisc(const QString& device, const QString& blankRefusal);
  // The text that identifies a device in listings under the transport.
  QString DeviceId(const TsbDeviceItem& item) const;

  TsbDeviceFinder& Finder() { return finder_; }

  // Devices of the session that the scan could not open, each with the reason.
  std::vector<std::pair<QString, QString>> Unavailable();

  // Raises a check's message, with the library failures noted since the device
  // was looked up above it: the check's text alone would hide their reason.
  [[noreturn]] void CheckFailed(const QString& message) const;

 private:
  // The library's text for why DEVICE cannot be opened now (busy in another
  // program, for example), empty when it opens.
  // code: the library's exception of the open (DW_E_OK when it opened).
  QString WhyUnavailable(const QString& device, uint8_t* code = nullptr) const;
  void ForgetLibraryFailures() { libraryFailures_.clear(); }

  TsbTransportType transport_ = ttSpti;
  TsbDeviceFinder finder_;
  QStringList libraryFailures_;
};

bool IsDeviceAddress(const QString& device);
