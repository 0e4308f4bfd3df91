// What the libburn backend asks of the operating system beyond libburn itself, one
// file per system: drive_system_linux.cpp (SG_IO on /dev/srN, the mount table,
// POSIX signals) and drive_system_windows.cpp (SCSI pass-through on \\.\X:, drive
// letters, volumes).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "libburn/sg_io.h"

namespace discwright {

// "CdRomN" for a drive libburn found at this address, numbered as the system numbers
// its CD/DVD drives; empty when the address is not such a drive.
std::string systemDriveName(const std::string& address);

// A second, shared way to the drive for the commands libburn does not offer; it
// neither conflicts with libburn's own handle nor needs a disc. DwError with an
// actionable text when the drive cannot be opened.
std::unique_ptr<ScsiTransport> openSystemTransport(const std::string& address);

// Why libburn could not open the drive, probed the way libburn opens it; empty when
// the system explains nothing.
std::optional<OpenFailure> diagnoseOpenFailure(const std::string& address);

// Where the disc's file system is reachable ("/media/cdrom", "D:"); empty when none is.
std::string systemMountPoint(const std::string& address);

// Every signal's disposition, taken before a libburn call and put back after it:
// the application's Ctrl+C must keep cancelling through the burner whatever a
// libburn version does with signals.
class KeepSignalDispositions {
 public:
  KeepSignalDispositions();
  ~KeepSignalDispositions();
  KeepSignalDispositions(const KeepSignalDispositions&) = delete;
  KeepSignalDispositions& operator=(const KeepSignalDispositions&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

}  // namespace discwright
