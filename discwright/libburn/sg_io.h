// The MMC commands libburn does not offer, sent on a second, shared handle of a
// real drive (drive_system.h opens it for the system). The commands talk to a
// ScsiTransport, so they can run against a recorded fake in tests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device.h"

namespace discwright {

// What the drive answered to one command.
struct ScsiReply {
  uint8_t status = 0;   // SCSI status byte; 02h: check condition
  uint32_t sense = 0;   // packed as (key << 16) | (asc << 8) | ascq; 0: none
  size_t received = 0;  // data-in bytes actually transferred
  // A recovered error (key 1) still delivered its data.
  bool good() const { return status == 0 && (sense >> 16) <= 1; }
};

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // Runs one command; data-in lands in `in` (empty: no data phase).
  // Throws DwError only when the command could not be delivered at all.
  virtual ScsiReply execute(std::span<const uint8_t> cdb, std::span<uint8_t> in,
                            std::chrono::milliseconds timeout) = 0;
};

// Packs fixed (70h/71h) or descriptor (72h/73h) sense data; 0 when unusable.
uint32_t packSense(std::span<const uint8_t> senseData);

// Invalid command operation code or invalid field in the command: the drive lacks the feature.
bool meansNotSupported(uint32_t sense);

// Raw fields of READ DISC INFORMATION (standard data type).
struct MmcDiscInfo {
  bool erasable = false;
  uint8_t lastSessionState = 0;  // 0 empty, 1 incomplete, 2 damaged, 3 complete
  uint8_t discStatus = 0;        // 0 empty, 1 incomplete, 2 complete, 3 other
  uint8_t firstTrack = 0;
  uint16_t sessions = 0;
  uint16_t firstTrackLastSession = 0;
  uint16_t lastTrackLastSession = 0;
  uint8_t discType = 0;          // 00h data/CD-ROM, 10h CD-I, 20h XA, FFh undefined
};

// Raw fields of READ TRACK INFORMATION.
struct MmcTrackInfo {
  uint16_t trackNumber = 0;
  uint16_t sessionNumber = 0;
  bool damaged = false;
  bool copy = false;
  uint8_t trackMode = 0;
  bool reserved = false;
  bool blank = false;
  bool packet = false;
  bool fixedPacket = false;
  uint8_t dataMode = 0;
  bool nextWritableValid = false;
  uint32_t start = 0;
  uint32_t nextWritable = 0;
  uint32_t freeBlocks = 0;
  uint32_t size = 0;
};

// What mode page 2Ah tells: the current speeds in kB/s (0 where the drive
// leaves the field out) and the CD read modes, indexed by DW_READ_MODE_*.
struct CapabilitiesPage {
  uint32_t currentRead = 0;
  uint32_t currentWrite = 0;
  std::array<bool, DW_READ_MODE_COUNT> readModes{};
};

// Parsers of the replies, on the bytes the drive returned.
std::optional<CapabilitiesPage> parseCapabilitiesPage(std::span<const uint8_t> modeData);
std::optional<RpcState> parseRpcState(std::span<const uint8_t> reply);
std::optional<MmcDiscInfo> parseDiscInformation(std::span<const uint8_t> reply);
std::optional<MmcTrackInfo> parseTrackInformation(std::span<const uint8_t> reply);
// READ SUB-CHANNEL (Q) replies of data formats 02h and 03h: the catalog's 13 digits, a
// track's 12 ISRC characters; empty when the drive found none (the valid bit is clear).
std::string parseMediaCatalog(std::span<const uint8_t> reply);
std::string parseIsrc(std::span<const uint8_t> reply);

// Whole sectors a READ CD transfers at most per command: under 64 KiB, which some
// pass-through paths (and hosts) take at most.
constexpr uint32_t kReadCdSectorsPerCommand = 27;

// The commands. Senses become DwError with the drive's name in the text;
// "not supported" answers become an empty optional or DW_E_NOT_SUPPORTED.
class MmcCommands {
 public:
  static constexpr uint32_t kInvisibleTrack = 0xFF;

  MmcCommands(ScsiTransport& transport, std::string driveName)
      : transport_(transport), name_(std::move(driveName)) {}

  void testUnitReady();
  void preventRemoval(bool prevent);
  void sendOpc();
  std::optional<RpcState> rpcState();
  std::optional<CapabilitiesPage> capabilities();
  std::optional<MmcDiscInfo> discInformation();
  std::optional<MmcTrackInfo> trackInformation(uint32_t trackNumber);
  // count (at most kReadCdSectorsPerCommand) whole 2352-byte sectors from lba into out,
  // of any kind: audio samples, or data with sync, header and error correction.
  void readCd(uint32_t lba, uint32_t count, std::span<uint8_t> out);
  std::string mediaCatalog();
  std::string isrc(uint8_t track);

 private:
  // Runs the command, once more after a unit attention. Returns 0 when done,
  // the sense when the drive does not know it; throws on any other failure.
  uint32_t run(std::span<const uint8_t> cdb, std::span<uint8_t> in, std::chrono::milliseconds timeout,
           const char* what, size_t* received = nullptr);

  ScsiTransport& transport_;
  std::string name_;
};

// Why a real drive's node could not be opened, in words a user can act on;
// empty when errno and the mount table explain nothing.
std::string accessDeniedText(const std::string& device);
std::string busyText(const std::string& device);
std::string mountedText(const std::string& device, const std::string& mountPoint);
// Where the device is mounted according to a /proc/self/mounts text, comparing canonical paths.
std::optional<std::string> mountPointIn(std::string_view mountTable, const std::string& device);
struct OpenFailure {
  uint8_t code = 0;  // DW_E_NO_DEVICE (access) or DW_E_BUSY (in use, mounted)
  std::string text;
};
std::optional<OpenFailure> openFailure(const std::string& device, int error, std::string_view mountTable);

}  // namespace discwright
