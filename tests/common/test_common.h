// Pieces every test fixture needs alike: a temporary folder, the error triple,
// recorder configurations written to a file, the library started on one with
// its media in a given folder, and files of known pattern bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Discwright.h"

namespace testcommon {

namespace fs = std::filesystem;
using nlohmann::json;
using Bytes = std::vector<uint8_t>;

// A fresh folder under the system temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// The error triple of one call. Pass it with DW_ARGS(t).
struct Triple {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};

  // Success when code is expected; a failure code must also come with a text.
  // The message shows the code, status and text, so a failing test says why.
  ::testing::AssertionResult check(uint8_t code, uint8_t expected = DW_E_OK) const;
};
#define DW_ARGS(t) (t).text, uint32_t(sizeof((t).text)), &(t).status, (t).failure
#define DW_TREE_ARGS(t) (t).text, uint32_t(sizeof((t).text)), &(t).status

// The name as the library takes it: UTF-8 on every system.
inline std::string utf8(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

// ---- Recorder configurations ------------------------------------------------

// "1:0:<index>:0", the address recorder number index is given.
std::string addressText(int index);

// A CD recorder "CdRom<index>" that can do everything, with a blank CD-R and no throttling.
json cdRecorder(int index, const std::string& mediumType = "CD-R");
// A DVD recorder (track- and session-at-once only) with a blank DVD+R.
json dvdRecorder(int index, const std::string& mediumType = "DVD+R");

// Writes {"recorders": [...]} plus any top-level extras to path.
void writeConfig(const fs::path& path, const std::vector<json>& recorders, const json& extras = json::object());

// Starts the library on the virtual recorders of configPath only, with their
// media in stateFolder (never the user's). timeScale < 0 keeps each recorder's
// own. Returns the library's code; errorText gets its reason on a failure.
uint8_t startLibrary(const fs::path& configPath, const fs::path& stateFolder, double timeScale,
                     std::string& errorText);

// ---- Pattern files ----------------------------------------------------------

// size bytes of a pattern that differs per block and per seed, so a block
// written at the wrong place or from the wrong image shows.
Bytes pattern(uint64_t size, uint32_t seed);
// Writes pattern(size, seed) to path and returns those bytes.
Bytes writePatternFile(const fs::path& path, uint64_t size, uint32_t seed);
// The whole file; empty when it cannot be read.
Bytes readFile(const fs::path& path);

}  // namespace testcommon
