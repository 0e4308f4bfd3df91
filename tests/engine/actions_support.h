// Fixture of the action tests: a library session on virtual recorders in a
// temporary folder, a burner opened on one of them, and recorders of what the
// actions report (message lines, error boxes, progress, the diagnostic log).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Discwright.h"
#include "common/scripted_dialogs.h"
#include "common/test_common.h"
#include "sbActions.h"
#include "sbBurner.h"

namespace actest {

namespace fs = std::filesystem;
using nlohmann::json;
using testcommon::Bytes;
using testcommon::TempDir;

// A CD recorder named CdRom<index> that can do everything, with a blank CD-R.
json cdRecorder(int index = 0);

// One reported line.
struct Line {
  QString text;
  TsbLogItemType kind;
  bool operator==(const Line&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Line& line);

// Collects reports; actions report from the burn thread too, so it is locked.
class MessageLog {
 public:
  TsbMessageEvent handler();
  std::vector<Line> lines() const;
  QStringList texts() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

using testcommon::pattern;
using testcommon::readFile;
inline Bytes writeFile(const fs::path& path, uint64_t size, uint32_t seed) {
  return testcommon::writePatternFile(path, size, seed);
}

class ActionsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the recorders and starts the library on them; a negative timeScale
  // keeps each recorder's own.
  void start(const std::vector<json>& recorders, double timeScale = 0);
  // A burner opened by name on the recorder and locked, as the wizard leaves it.
  TsbBurner& openBurner(const std::string& name = "CdRom0");

  // Runs the list against the burner, reporting into messages.
  bool run(TsbActionList& list);

  // Closes the tray and reads count blocks from lba through the burner's device.
  Bytes readMedium(uint32_t lba, uint32_t count);
  DiscwrightDiscInformation discInformation();

  std::vector<QString> errorBoxes() const;
  std::vector<int> progress() const;
  // The lines of the diagnostic log without their time stamps.
  QStringList diagnosticLog() const;

  TempDir dir_;
  MessageLog messages;
  std::unique_ptr<TsbBurner> burner;
  testcommon::ScopedDialogs dialogs;

 private:
  void stop();

  bool started_ = false;
  fs::path logFile_;
  mutable std::mutex mutex_;
  std::vector<int> progress_;
};

}  // namespace actest
