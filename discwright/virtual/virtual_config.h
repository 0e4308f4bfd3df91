// The JSON description of emulated recorders and the media in them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Discwright.h"
#include "device.h"

namespace discwright {

enum class MediumState { Blank, Appendable, Complete };

struct MediumConfig {
  uint8_t discType = DISC_TYPE_CDR;
  uint64_t capacityBytes = 0;  // whole 2048-byte blocks
  MediumState state = MediumState::Blank;
  uint64_t usedBytes = 0;      // a written medium without a content file holds this many zero bytes
  std::string contentFile;     // absolute path; its bytes are the medium's first track
  std::string label;           // volume label of a written medium
  bool freshAtStart = false;   // the medium returns to this state at every start
};

struct InjectedFault {
  uint8_t exception = DW_E_IO;
  uint32_t status = 0;
  std::string text;
};

struct RecorderConfig {
  std::string name;
  DiscwrightDeviceAddress address{};
  std::string vendor = "KORVANEL";
  std::string product = "Virtual Recorder";
  std::string revision = "1.00";
  uint32_t bufferSize = 2u << 20;
  std::array<bool, DW_FMT_COUNT> formats{};
  std::array<bool, DW_FMTX_COUNT> formatsEx{};
  std::array<bool, DW_WRITE_MODE_COUNT> writeModes{};
  std::array<bool, DW_READ_MODE_COUNT> readModes{};
  bool bupSupported = false;
  std::vector<uint32_t> cdWriteSpeeds, dvdWriteSpeeds, bdWriteSpeeds;  // KB/s, ascending
  uint32_t cdMaxRead = 7056, dvdMaxRead = 22160, bdMaxRead = 17980;
  RpcState rpc;
  std::optional<MediumConfig> medium;
  bool trayOpen = false;
  bool slotLoading = false;  // an ejected disc stays out: nothing pulls it back in
  // Blank discs in an autoloader's feeder: each eject takes the disc away and loads the next one.
  uint32_t autoloaderBlanks = 0;
  double timeScale = 0;  // 0: as fast as the disk allows; 1: real time at the set speed
  std::string mountPoint;
  std::map<std::string, InjectedFault> failingOperations;  // by operation name, e.g. "SetSpeeds"
  std::optional<uint64_t> writeFailsAt;     // byte of the burn at which writing fails
  std::optional<uint64_t> mediumRemovedAt;  // byte of the burn at which the medium disappears
  std::optional<uint64_t> corruptByteAt;    // byte of the burn written wrongly, without an error
};

struct VirtualSetup {
  std::string stateFolder;  // absolute, empty when the file names none
  std::vector<RecorderConfig> recorders;
};

// Throws DwError(DW_E_CONFIG) naming the file and the offending entry.
VirtualSetup loadVirtualSetup(const std::string& path);
VirtualSetup parseVirtualSetup(const std::string& jsonText, const std::string& baseFolder,
                               const std::string& sourceName);

// Deeper nesting than this is refused before parsing: no file of ours needs a
// tenth of it, and a deep enough one would exhaust the stack.
constexpr int kMaxJsonDepth = 256;
// Whether the JSON text opens more than limit lists or objects inside each other
// (brackets in strings do not count); valid JSON or not.
bool nestedDeeperThan(const std::string& jsonText, int limit);

// Default capacity of a medium kind in bytes.
uint64_t defaultCapacity(uint8_t discType);
// The speed class of a disc kind: 0 CD, 1 DVD, 2 BD (also used for HD DVD).
int speedClass(uint8_t discType);

}  // namespace discwright
