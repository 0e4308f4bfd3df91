// The process-wide libburn state: started once while any session or drive
// needs it, leaving the signal dispositions as the application set them and
// keeping its messages in its queue.
// libburn's drive list and message queue are global, so calls that grab,
// release or scan go through one mutex.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Discwright.h"

namespace discwright {

struct LibburnMessage {
  int code = 0;
  std::string severity;
  std::string text;
};

class LibburnRuntime {
 public:
  // Starts libburn, or shares the running instance. DwError(DW_E_INTERNAL) when it cannot start.
  static std::shared_ptr<LibburnRuntime> acquire();
  ~LibburnRuntime();
  LibburnRuntime(const LibburnRuntime&) = delete;
  LibburnRuntime& operator=(const LibburnRuntime&) = delete;

  std::mutex& mutex() { return mutex_; }

  // Empties libburn's queue; returns what it held, oldest first.
  std::vector<LibburnMessage> drain();
  // The most severe text among messages of severity SORRY or worse, else "".
  static std::string worstText(const std::vector<LibburnMessage>& messages);

 private:
  LibburnRuntime();
  std::mutex mutex_;
};

// A drive found by scanning the machine's recorders.
struct ScannedDrive {
  std::string libburnAddress;  // "/dev/sr0"
  std::string name;            // "CdRom0"
  DiscwrightDeviceAddress address{};
};

// Enumerates the real drives and leaves none of them grabbed.
std::vector<ScannedDrive> scanRealDrives(LibburnRuntime& runtime);

}  // namespace discwright
