// Shared pieces of the library tests: a temporary folder per test, recorder
// configurations built in code, a started session that is always shut down,
// the error triple, image files with a known pattern and medium read-back.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Discwright.h"
#include "common/test_common.h"

namespace dwtest {

namespace fs = std::filesystem;
using nlohmann::json;
using testcommon::Bytes;
using testcommon::TempDir;
using testcommon::Triple;

// ---- Configurations --------------------------------------------------------

using testcommon::addressText;
using testcommon::cdRecorder;
using testcommon::dvdRecorder;
using testcommon::writeConfig;
// A DVD-ROM reader with a pressed, complete DVD-ROM in it.
json dvdReader(int index);

// ---- Session -----------------------------------------------------------------

// Starts the library on a configuration; always shuts it down when it goes.
// The medium state lives in stateFolder, never in the user's state folder.
class Session {
 public:
  // timeScale < 0 keeps each recorder's configured time scale.
  Session(const fs::path& configPath, const fs::path& stateFolder, double timeScale = -1);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  uint8_t result() const { return result_; }
  const std::string& errorText() const { return errorText_; }

 private:
  uint8_t result_;
  std::string errorText_;
};

// Test fixture: a temporary folder, a config file in it and a session on it.
class LibraryTest : public ::testing::Test {
 protected:
  void TearDown() override;

  // Writes the configuration and starts the session; fails the test when it does not start.
  void start(const std::vector<json>& recorders, const json& extras = json::object(), double timeScale = -1);
  // Shuts the session down and starts it again on the same configuration and state.
  void restart(double timeScale = -1);
  void stop();

  fs::path configPath() const { return dir_ / "recorders.json"; }
  fs::path stateFolder() const { return dir_ / "state"; }

  TempDir dir_;
  std::unique_ptr<Session> session_;
};

// ---- Grabbers ----------------------------------------------------------------

// An opened device; destroyed with the object.
class Grabber {
 public:
  Grabber() = default;
  explicit Grabber(DiscwrightHandle handle) : handle_(handle) {}
  ~Grabber() { reset(); }
  Grabber(Grabber&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
  Grabber& operator=(Grabber&& other) noexcept;
  Grabber(const Grabber&) = delete;
  Grabber& operator=(const Grabber&) = delete;

  DiscwrightHandle get() const { return handle_; }
  operator DiscwrightHandle() const { return handle_; }
  void reset();

 private:
  DiscwrightHandle handle_ = 0;
};

// Opens by name; an open failure fails the test (the handle is then 0).
Grabber openGrabber(const std::string& name, DiscwrightCallback callback = nullptr, void* context = nullptr);

// ---- Images and media --------------------------------------------------------

using testcommon::pattern;
inline Bytes makeImage(const fs::path& path, uint64_t size, uint32_t seed) {
  return testcommon::writePatternFile(path, size, seed);
}

uint64_t blocksFor(uint64_t bytes);

// Reads count blocks from lba; fails the test (and returns what it has) on an error.
Bytes readBlocks(DiscwrightHandle grabber, uint32_t lba, uint32_t count);
// The medium at lba holds image followed by zeros up to the next whole block.
::testing::AssertionResult mediumHolds(DiscwrightHandle grabber, uint32_t lba, const Bytes& image);

// Queries that tests use all the time; they fail the test on an error.
DiscwrightDiscInformation discInfo(DiscwrightHandle grabber);
uint64_t usedBytes(DiscwrightHandle grabber);

// A track table / session layout naming the given files.
std::unique_ptr<DiscwrightTrackTable> trackTable(const std::vector<fs::path>& files);
std::unique_ptr<DiscwrightSessionLayout> sessionLayout(const std::vector<fs::path>& files);

// ---- Callbacks -----------------------------------------------------------------

// Records what the library reports. Progress and buffer reports come from the
// burn's thread, so everything is kept under a mutex and read out as copies.
class CallbackRecorder {
 public:
  struct Progress {
    uint64_t total;
    uint64_t done;
    std::chrono::steady_clock::time_point at;  // when the report came
  };
  struct Buffer {
    uint32_t size;
    uint32_t freeBytes;
  };

  // Pass as the callback with the recorder's address as context.
  static void callback(uint32_t reason, void* context, void* param1, void* param2);

  std::vector<Progress> progress() const;
  std::vector<Buffer> buffers() const;
  std::vector<DiscwrightDeviceAddress> devices() const;
  size_t calls() const;
  void clear();
  // Waits until a progress report with done > 0 has come, up to timeout.
  bool waitForProgress(std::chrono::milliseconds timeout) const;

 private:
  void record(uint32_t reason, void* param1, void* param2);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Progress> progress_;
  std::vector<Buffer> buffers_;
  std::vector<DiscwrightDeviceAddress> devices_;
  size_t calls_ = 0;
};

}  // namespace dwtest
