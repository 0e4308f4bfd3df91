// The device interface every backend implements (virtual recorders now, real drives later).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Discwright.h"
#include "byte_source.h"
#include "error.h"

namespace discwright {

struct TrackLayout;

struct DeviceIdentity {
  std::string name;  // "CdRom0"
  DiscwrightDeviceAddress address{};
  std::string vendor;
  std::string product;
  std::string revision;
  uint32_t bufferSize = 0;
};

struct Speeds {
  uint32_t currentRead = 0;
  uint32_t maximumRead = 0;
  uint32_t currentWrite = 0;
  uint32_t maximumWrite = 0;
};

struct BupState {
  bool enabled = false;
  bool supported = false;
};

struct RpcState {
  uint8_t scheme = 0;
  uint8_t regionMask = 0;
  uint8_t vendorResets = 0;
  uint8_t userChanges = 0;
  uint8_t typeCode = 0;
};

enum class WriteMode { Tao, Sao, DaoPq, DaoRaw };
const char* writeModeName(WriteMode mode);

// Where an overwritable medium's volume descriptors go when it grows: blocks 16 to 31.
constexpr uint32_t kHeadBlock = 16;
constexpr size_t kHeadBytes = 16 * DISCWRIGHT_SECTOR_SIZE;

// What one burn call asks of a device.
struct BurnJob {
  WriteMode mode = WriteMode::Tao;
  std::vector<std::unique_ptr<ByteSource>> tracks;
  bool testWrite = false;
  bool multiSession = false;  // track-at-once: the session may be followed by another
  bool closeDisc = true;      // session-at-once: close the disc after the session
  // Track-at-once: the track is a session that continues the disc's file system, so it
  // opens a session on an appendable disc whatever multiSession says.
  bool continuesDisc = false;
  // Overwritable media: the volume grows. The track goes at growAt (the block its image
  // was built for), and after it, once it is on the medium, head (blocks 16 to 31, the
  // volume descriptors that make the new directory the disc's) in one write. Until then
  // the old descriptors describe the old files, whatever broke the burn off.
  std::optional<uint32_t> growAt;
  std::vector<uint8_t> head;
  // A CD written by its tracks' layout (audio CDs, cue sheets): tracks[i] yields the
  // blocks of layout->tracks[i]'s source, in sectorBytes(kind) units; the device writes
  // the pauses and postgaps itself. Session-at-once writes cdText (18-byte packs, empty
  // for none) into the lead-in; track-at-once refuses CD-TEXT and pauses other than 2 s.
  std::shared_ptr<const TrackLayout> layout;
  std::vector<uint8_t> cdText;
  size_t fifoBytes = 8u << 20;
};

// What a CD tells beyond its table of contents; fields it does not tell stay empty.
struct CdFacts {
  std::vector<uint8_t> cdText;        // the lead-in's packs
  std::string catalog;                // 13 digits
  std::vector<uint32_t> pauses;       // per track: the pause before index 1, in blocks
  std::vector<std::string> isrcs;     // per track
};

// Where a burn reports to, and how it learns that it must stop.
class BurnObserver {
 public:
  virtual ~BurnObserver() = default;
  virtual void progress(uint64_t total, uint64_t done) = 0;
  virtual void buffer(uint32_t size, uint32_t freeBytes) = 0;
  virtual bool cancelled() const = 0;
  // A layout burn begins track number (1-based) of count.
  virtual void track(uint32_t /*number*/, uint32_t /*count*/) {}
};

// A lock holder: each grabber is one, so destroying a grabber releases its lock.
using LockOwner = const void*;

class Device {
 public:
  virtual ~Device() = default;

  virtual const DeviceIdentity& identity() const = 0;
  virtual std::array<bool, DW_FMT_COUNT> mediaFormats() = 0;
  virtual std::array<bool, DW_FMTX_COUNT> mediaFormatsEx() = 0;
  virtual std::array<bool, DW_WRITE_MODE_COUNT> writeModes() = 0;
  virtual std::array<bool, DW_READ_MODE_COUNT> readModes() = 0;

  virtual void testUnitReady() = 0;
  virtual uint8_t discType() = 0;
  virtual DiscwrightDiscInformation discInformation() = 0;
  virtual DiscwrightTrackInformation trackInformation(uint8_t trackNumber) = 0;
  virtual DiscwrightTocInformation toc() = 0;
  virtual RpcState rpc() = 0;
  virtual Speeds speeds() = 0;
  virtual void setSpeeds(uint32_t readSpeed, uint32_t writeSpeed) = 0;
  virtual BupState bup() = 0;
  virtual void setBup(bool enable) = 0;
  virtual uint64_t freeBytes() = 0;
  virtual uint64_t usedBytes() = 0;
  // Mount point of the medium, empty when it is not mounted.
  virtual std::string mountPoint() = 0;

  virtual void lock(LockOwner owner) = 0;
  virtual void release(LockOwner owner) = 0;
  virtual void eject() = 0;
  virtual void closeTray() = 0;
  virtual void closeSession() = 0;
  virtual void sendOpc() = 0;
  virtual void readSectors(uint32_t lba, uint32_t count, void* buffer) = 0;
  // Whole 2352-byte sectors of a CD: audio samples, or data sectors with sync, header
  // and error correction.
  virtual void readRawSectors(uint32_t /*lba*/, uint32_t /*count*/, void* /*buffer*/) {
    throw DwError(DW_E_NOT_SUPPORTED, "The drive " + identity().name + " cannot read whole CD sectors");
  }
  virtual CdFacts cdFacts() { return {}; }

  virtual void burn(BurnJob& job, BurnObserver& observer) = 0;
  // Erases a rewritable medium (full: every block, else only what makes it read
  // as blank), reporting progress to observer; DW_E_CANCELLED when it asks to stop.
  virtual void erase(bool full, BurnObserver& observer) = 0;

  // A grabber opens the device: an emulated recorder shared with other processes
  // becomes this process's until ownerGone (DwError(DW_E_BUSY) when another has it).
  virtual void attach(LockOwner) {}
  // A grabber goes away: drop what it held (its lock).
  virtual void ownerGone(LockOwner owner) = 0;

  // Called before every operation with the name of its C call less the
  // "Discwright_CdvdBurnerGrabber_" prefix; throws when that operation must fail
  // (fault injection of emulated recorders).
  virtual void checkFault(const std::string& operation) = 0;
};

}  // namespace discwright
