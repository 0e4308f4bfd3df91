// The device record, the list of them, and the small records that travel with a device.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>

#include "Discwright.h"

#include "sbBurnerRecords.h"

struct TsbReadModes {
  std::array<bool, DW_READ_MODE_COUNT> Modes{};
};

struct TsbDVDRPC {
  bool Valid = false;
  QString Value1, Value2, Value3, Value4, Value5;
};

struct TsbDeviceItem {
  QString Vendor;
  QString Product;
  QString ProductRevisionLevel;
  QString DiscLabel;
  int DiscFiles = -1;  // files the last session of a disc left open lists; -1: not read
  QString AppendProblem;  // why files cannot be added to a disc left open (a broken-off session)
  uint32_t BufferSize = 0;
  DiscwrightDeviceAddress Address{};
  QString DeviceName;  // "CdRomN" for devices opened by name
  TsbTransportType TransportType = ttSpti;
  TsbFormatFlags FormatFlags{};
  uint8_t DiscType = 0;
  QString DriveLetter;  // mount point of the disc, empty when none
  // Why a disc in the drive cannot be read (a damaged disc, a drive fault);
  // empty when there is none or it reads. A drive with a problem is not empty.
  QString DiscProblem;
  // No disc because the tray is open (as far as the drive tells).
  bool TrayOpen = false;
  // Library failures of the probe that its checks would otherwise hide behind
  // their own message ("No writable disc"), as failure lines with their triple.
  QStringList ProbeFailures;
  DiscwrightDiscInformation DiscInformation{};
  DiscwrightTrackInformation TrackInformation{};
  DiscwrightTocInformation TOCInformation{};
  TsbDiscSpace DiscSpace;
  TsbReadModes ReadModes;
  TsbWriteModes WriteModes;
  TsbDVDRPC DVDRPC;
  // Why a drive that is there cannot be used (its device file may not be
  // opened, another program holds it), with the remedy; empty for a usable one.
  QString Unusable;

  TsbDeviceInfo Info() const;  // the part the burner takes over
  bool CanWrite() const { return FormatFlags[kFormatFlagWrite]; }
  // What the burner opens: the device name, else the local device path of the drive.
  QString DevicePath() const;
};

class TsbDeviceList {
 public:
  TsbDeviceItem& Add() { return items_.emplace_back(); }
  TsbDeviceItem& Items(int index) { return items_.at(size_t(index)); }
  const TsbDeviceItem& Items(int index) const { return items_.at(size_t(index)); }
  int Count() const { return int(items_.size()); }
  void Clear() { items_.clear(); }
  void Delete(int index) { items_.erase(items_.begin() + index); }

  TsbTransportType TransportType = ttSpti;
  std::atomic<bool> CancelRequested{false};  // set by the window thread during a scan
  // Each disc left open is read to count its files (the device page's row), set before a scan:
  // a directory of 100,000 files takes a fifth of a second that a burn does not need.
  bool CountDiscFiles = false;

 private:
  std::deque<TsbDeviceItem> items_;
};
