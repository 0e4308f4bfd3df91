// Shared pieces of the engine tests: a temporary folder per test, virtual
// recorder configurations built in code, the library started on them with its
// media in the temporary folder, and a capture of the diagnostic log.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Discwright.h"
#include "common/test_common.h"

namespace enginetest {

namespace fs = std::filesystem;
using nlohmann::json;

using TempFolder = testcommon::TempDir;

// ---- Recorder configurations ------------------------------------------------
// Recorder number N is named "CdRomN" and sits at the address 1:0:N:0.

inline std::string AddressText(int number) { return testcommon::addressText(number); }
DiscwrightDeviceAddress AddressOf(int number);  // Valid = 1

// A CD recorder that can do everything, with a blank CD-R.
json CdWriter(int number, const std::string& mediumType = "CD-R");
// A DVD recorder (track- and session-at-once only) with a blank DVD+R.
json DvdWriter(int number, const std::string& mediumType = "DVD+R");
// A DVD-ROM reader (cannot write, has region control) with a pressed DVD-ROM labelled "REFERENCE".
json DvdReader(int number);
// A written, closed medium of the kind holding usedBytes, with a volume label.
json WrittenMedium(const std::string& type, uint64_t usedBytes, const std::string& label);

// Writes {"recorders": [...]} plus any top-level extras to path.
inline void WriteRecorderConfig(const fs::path& path, const std::vector<json>& recorders,
                                const json& extras = json::object()) {
  testcommon::writeConfig(path, recorders, extras);
}

// ---- Diagnostic log ------------------------------------------------------------

// Switches the process-wide diagnostic log on into a file of its own while it
// lives; restores the logger (off, default file, real clock) when it goes.
class DiagnosticLogCapture {
 public:
  explicit DiagnosticLogCapture(const fs::path& file);
  ~DiagnosticLogCapture();
  DiagnosticLogCapture(const DiagnosticLogCapture&) = delete;
  DiagnosticLogCapture& operator=(const DiagnosticLogCapture&) = delete;

  // The messages logged so far, without their time stamps.
  QStringList Messages() const;
  // Forgets what was logged so far.
  void Clear();

 private:
  fs::path file_;
};

// ---- Fixture -------------------------------------------------------------------

class EngineTest : public ::testing::Test {
 protected:
  // Shuts the library down and resets the user-interface hooks and the logger.
  void TearDown() override;

  // Writes the configuration and starts the library on it; media live in the
  // test's folder. timeScale 0: as fast as the disk allows. Fails the test when
  // the library does not start.
  void StartLibrary(const std::vector<json>& recorders, const json& extras = json::object(),
                    double timeScale = 0);
  void StopLibrary();

  // Captures the diagnostic log from now on.
  DiagnosticLogCapture& CaptureLog();
  QStringList LoggedMessages() const { return log_ ? log_->Messages() : QStringList(); }

  fs::path ConfigPath() const { return dir_ / "recorders.json"; }
  fs::path StateFolder() const { return dir_ / "state"; }

  TempFolder dir_;

 private:
  bool started_ = false;
  std::unique_ptr<DiagnosticLogCapture> log_;
};

// An opened grabber, destroyed with the object.
class OpenedGrabber {
 public:
  explicit OpenedGrabber(const std::string& name);  // fails the test when it cannot be opened
  ~OpenedGrabber();
  OpenedGrabber(const OpenedGrabber&) = delete;
  OpenedGrabber& operator=(const OpenedGrabber&) = delete;

  DiscwrightHandle get() const { return handle_; }

 private:
  DiscwrightHandle handle_ = 0;
};

}  // namespace enginetest
