// What differs between the systems the library runs on, behind small interfaces:
// files with 64-bit offsets and locks, replace-on-rename, folders that tell a
// live process from a dead one, process ids and the system's words for a
// failure. One source file per system (platform_posix.cpp, platform_windows.cpp)
// implements it. Paths are UTF-8 throughout; the Windows side turns them into
// UTF-16 for the wide API.
//
// Calls report a failure by their result; lastError() then tells why, and must
// be asked before any other system call (errno / GetLastError()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace discwright::platform {

struct SystemError {
  uint32_t code = 0;      // errno, or GetLastError()
  std::string text;       // the system's own words, in the user's language where it has them
  bool notFound = false;  // no such file or folder
  bool diskFull = false;  // no space left on the volume
};
SystemError lastError();
inline std::string lastErrorText() { return lastError().text; }

enum class FileKind { Regular, Folder, Pipe, Device, Other };
struct FileInfo {
  FileKind kind = FileKind::Other;
  uint64_t size = 0;
};

// An open file, closed with its object. Opens share reading, writing and
// deleting with other handles, so that a file can be replaced or removed while
// someone reads it.
class File {
 public:
  enum class Access {
    Read,         // an existing file (or folder, pipe, device: see info()); never blocks on a pipe
    Create,       // read-write, made when missing, its bytes kept
    CreateEmpty,  // read-write, made when missing, emptied
  };
  enum class Lock { Taken, Busy, Failed };

  File() = default;
  ~File() { close(); }
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = kClosed;
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool open(const std::string& path, Access access);
  bool isOpen() const { return handle_ != kClosed; }
  // false when the system reports a failure that closing brought out (a delayed write error).
  bool close();

  // Bytes read (0 at the end of the file) or written, or -1. Short counts are
  // possible: callers loop. Interrupted calls are retried here.
  int64_t readAt(uint64_t offset, void* data, size_t size);
  int64_t writeAt(uint64_t offset, const void* data, size_t size);
  bool info(FileInfo& out) const;
  bool truncate(uint64_t size);
  bool sync();
  // Hints that the file is read once from start to end.
  void adviseSequential();

  // An exclusive lock that goes with this File (or its process, however that
  // ends); another File, in this process or another, finds it Busy. It does not
  // keep anyone from reading or writing the file's bytes.
  Lock tryLock();
  void unlock();

 private:
  static constexpr std::intptr_t kClosed = -1;  // -1 is also INVALID_HANDLE_VALUE
  std::intptr_t handle_ = kClosed;
};

// Puts temp in the place of final in one step, replacing a file there (or
// moves a folder to a free name). Durable: once it returns, the new name
// survives a crash. false with lastError() on failure; temp is left as it is.
// Windows without POSIX-style renames (before 10 1809, FAT, Wine 8) refuses to
// replace a file that another handle has open (ERROR_ACCESS_DENIED).
bool replaceFile(const std::string& temp, const std::string& final, bool durable = true);

// Makes a new folder named prefix followed by six random characters; returns
// its path, or "" with lastError().
std::string makeUniqueFolder(const std::string& prefix);

// A claim on a folder that lasts while its holder lives, however the process
// ends: a second claim of the same folder, by any process, is refused, which
// tells a folder whose process still runs from one left by a process that died.
class FolderClaim {
 public:
  FolderClaim() = default;
  ~FolderClaim() { release(); }
  FolderClaim(FolderClaim&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  FolderClaim& operator=(FolderClaim&& other) noexcept {
    if (this != &other) {
      release();
      handle_ = other.handle_;
      other.handle_ = -1;
    }
    return *this;
  }
  FolderClaim(const FolderClaim&) = delete;
  FolderClaim& operator=(const FolderClaim&) = delete;

  // false when another holder has it, or with lastError() when it cannot be opened.
  bool tryClaim(const std::string& folder);
  void release();

 private:
  std::intptr_t handle_ = -1;
};

int64_t processId();

// The folder where the library keeps what a user's runs leave (the media of the
// virtual recorders): $XDG_STATE_HOME/korvanel (else ~/.local/state/korvanel, else a
// temporary folder) on Linux; %LOCALAPPDATA%\\Korvanel on Windows.
std::filesystem::path userStateFolder();

// A UTF-8 path as std::filesystem takes it: on Windows the wide form (a narrow
// fs::path would be read in the ANSI code page there). Paths longer than 260
// characters work through this class and replaceFile; std::filesystem takes
// them only where Windows allows long paths to the program.
std::filesystem::path fsPath(const std::string& utf8);
// And back to UTF-8.
inline std::string utf8(const std::filesystem::path& path) {
  std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace discwright::platform
