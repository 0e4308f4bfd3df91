// The action that checks a burned disc against its image file: it closes the tray,
// waits for the unit, reads the last track back and compares it byte by byte,
// including the zero padding of the last block, and reports the SHA-256 of the
// image's bytes read back. Meant to follow the burn action.
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

#include "sbActions.h"
#include "sbDiscFiles.h"

class TsbVerifyAction : public TsbAction {
 public:
  // Sectors per read: 64 KiB, small enough to keep the window responsive in between.
  static constexpr uint32_t kSectorsPerRead = 32;
  // How long a drive may take to spin up after its tray closed.
  std::chrono::milliseconds ReadyTimeout{30000};
  // Pause between two readiness checks.
  std::chrono::milliseconds ReadyPoll{240};

  // The SHA-256 of the bytes read back by the last check that passed; empty otherwise.
  QString Sha256;
  // Files added to a disc left open: the disc's earlier files the new session lists. After
  // the new session compares equal, each is found at its place through the new directory
  // and read back whole.
  std::vector<TsbDiscFile> EarlierFiles;

  void Execute(TsbActionItem* item) override;
  bool ReadsDiscBack() const override { return true; }

 protected:
  // False when the user cancelled while waiting.
  bool WaitUntilReady();
  // Waits in short slices, keeping the window thread's events flowing; false on cancel.
  bool Pause(std::chrono::milliseconds duration);
  [[noreturn]] void Fail(const QString& text);
  // Ends a cancelled verification: a warning, and the disc comes out as after a check.
  void StopCancelled();
  // A test burn wrote nothing: says so, ejects and answers true.
  bool NothingAfterTestBurn();

 private:
  // False when the user cancelled.
  bool CheckEarlierFiles();
};
