// The records the burner keeps of its device and disc (transport, disc kind,
// space, write modes, the device's identity), and the disc kinds' names and
// classes. They sit below the device list so that the burner needs nothing of it.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

#include "Discwright.h"

enum TsbTransportType : uint8_t { ttSpti = 0, ttAspi = 1 };

// DISC_TYPE names and classes.
// Localised: in the user's language; else in English, as korvanel-cli's device table shows it.
QString DiscTypeName(uint8_t discType, bool localised = false);  // empty outside 0 to 21
// False only for the pressed kinds; an empty drive and the unknown kind count as recordable.
bool IsRecordableDiscType(uint8_t discType);
// Discs the erase call takes: CD-RW, DVD-RW (both recording modes), DVD+RW, BD-RE.
bool IsErasableDiscType(uint8_t discType);
bool IsDVDDiscType(uint8_t discType);    // single and double layer, pressed and recordable
bool IsBDDiscType(uint8_t discType);     // BD-R, BD-RE
bool IsHDDVDDiscType(uint8_t discType);  // HD DVD-ROM, -R, -RW

struct TsbDiscSpace {
  int64_t FreeBytes = 0;
  int64_t CapacityBytes = 0;  // FreeBytes + UsedBytes
  int64_t UsedBytes = 0;
  uint32_t FreeCount = 0;
};

struct TsbWriteModes {
  bool CanTAO = true;
  bool CanSAO = true;
  bool CanDaoPQ = true;
  bool CanDaoRaw = true;
  bool CanTestWrite = false;
};

using TsbFormatFlags = std::array<bool, 16>;
// The format flag of a device that can write discs at all.
inline constexpr size_t kFormatFlagWrite = 5;

struct TsbDeviceInfo {
  QString Vendor;
  QString Product;
  QString ProductRevisionLevel;
  int64_t BufferSize = 0;
  TsbFormatFlags FormatFlags{};
};

// The 1x of a disc kind in KB/s (1000 bytes): 176 for CDs, 1385 for DVDs, 4495 for BDs.
uint32_t SingleSpeedKBps(uint8_t discType);
