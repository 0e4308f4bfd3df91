// The platform layer on Windows: the wide-character API on UTF-16 forms of the
// library's UTF-8 paths.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/platform.h"

namespace discwright::platform {

namespace {

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::wstring wide(const std::string& utf8Text) {
  if (utf8Text.empty()) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return {};
  }
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Text.data(), int(utf8Text.size()), nullptr, 0);
  if (n <= 0) return {};  // GetLastError() says why; the call that gets "" fails on it
  std::wstring out(size_t(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Text.data(), int(utf8Text.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* text, size_t size) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text, int(size), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(std::max(n, 0)), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, int(size), out.data(), n, nullptr, nullptr);
  return out;
}

// The wide path for the API. Paths longer than MAX_PATH reach the file system
// only with the \\?\ prefix, which also turns off the parsing of / and . parts,
// so such a path gets backslashes and must already be plain.
std::wstring apiPath(const std::string& utf8Path) {
  std::wstring path = wide(utf8Path);
  if (path.size() < MAX_PATH || path.rfind(LR"(\\?\)", 0) == 0) return path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return LR"(\\?\)" + path;
  if (path.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + path.substr(2);
  return path;  // relative: the API measures it against the current folder's limit
}

// A byte of the lock file far beyond any data: a locked range refuses reads
// from other handles, and the lock file's text (the holder's process id) must
// stay readable.
constexpr uint64_t kLockOffset = uint64_t(1) << 62;

OVERLAPPED at(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = DWORD(offset);
  o.OffsetHigh = DWORD(offset >> 32);
  return o;
}

// One call moves at most this much; callers loop over short counts.
constexpr size_t kMaxTransfer = size_t(1) << 30;

}  // namespace

SystemError lastError() {
  DWORD code = ::GetLastError();
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = n > 0 ? narrow(text, n) : "system error " + std::to_string(code);
  ::LocalFree(text);
  // The system's sentences end in a full stop and a line break; ours go on after the reason.
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
    words.pop_back();
  return {uint32_t(code), words, code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND,
          code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL};
}

bool File::open(const std::string& path, Access access) {
  close();
  std::wstring name = apiPath(path);
  if (name.empty()) return false;
  DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = access == Access::Read ? OPEN_EXISTING : access == Access::Create ? OPEN_ALWAYS : CREATE_ALWAYS;
  // Backup semantics open a folder too, so that a caller can name what it found.
  HANDLE h = ::CreateFileW(name.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (access != Access::Read) {
    // Sparse, as on Linux, so that a write far into a medium file leaves a hole
    // instead of gigabytes of zeros. A volume that has no sparse files (FAT)
    // refuses it: the file then works the same, only larger on the disk.
    DWORD returned = 0;
    ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  }
  return true;
}

bool File::close() {
  if (!isOpen()) return true;
  HANDLE h = handleOf(handle_);
  handle_ = kClosed;
  return ::CloseHandle(h) != 0;
}

int64_t File::readAt(uint64_t offset, void* data, size_t size) {
  OVERLAPPED o = at(offset);
  DWORD n = 0;
  if (::ReadFile(handleOf(handle_), data, DWORD(std::min(size, kMaxTransfer)), &n, &o)) return n;
  return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

int64_t File::writeAt(uint64_t offset, const void* data, size_t size) {
  OVERLAPPED o = at(offset);
  DWORD n = 0;
  if (::WriteFile(handleOf(handle_), data, DWORD(std::min(size, kMaxTransfer)), &n, &o)) return n;
  return -1;
}

bool File::info(FileInfo& out) const {
  HANDLE h = handleOf(handle_);
  switch (::GetFileType(h)) {
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION i{};
      if (!::GetFileInformationByHandle(h, &i)) return false;
      out.kind = (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
      out.size = (uint64_t(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
      return true;
    }
    case FILE_TYPE_PIPE: out = {FileKind::Pipe, 0}; return true;
    case FILE_TYPE_CHAR: out = {FileKind::Device, 0}; return true;
    default:
      if (::GetLastError() != NO_ERROR) return false;
      out = {FileKind::Other, 0};
      return true;
  }
}

bool File::truncate(uint64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = LONGLONG(size);
  return ::SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool File::sync() { return ::FlushFileBuffers(handleOf(handle_)) != 0; }

void File::adviseSequential() {
  // Windows takes this hint only when the file is opened (FILE_FLAG_SEQUENTIAL_SCAN);
  // its read-ahead finds a sequential reader by itself.
}

File::Lock File::tryLock() {
  OVERLAPPED o = at(kLockOffset);
  if (::LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o))
    return Lock::Taken;
  return ::GetLastError() == ERROR_LOCK_VIOLATION ? Lock::Busy : Lock::Failed;
}

void File::unlock() {
  OVERLAPPED o = at(kLockOffset);
  ::UnlockFileEx(handleOf(handle_), 0, 1, 0, &o);
}

namespace {

// FileRenameInfoEx, which the headers name only for newer targets than ours.
constexpr auto kRenameInfoEx = FILE_INFO_BY_HANDLE_CLASS(22);

// The rename with POSIX rules (Windows 10 1809 and later, NTFS): the name goes
// over even to a file that others have open, and their handles keep the old
// bytes. Returns 1 when done, 0 on failure, -1 when the system has no such rename.
int renamePosixStyle(const std::wstring& from, const std::wstring& to, bool durable) {
  // Write access only to flush: a claimed folder (moved, never durable) shares nothing but deleting.
  HANDLE h = ::CreateFileW(from.c_str(), DELETE | (durable ? GENERIC_WRITE : 0),
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::wstring target(to.size() + 1, L'\0');
  DWORD n = ::GetFullPathNameW(to.c_str(), DWORD(target.size()), target.data(), nullptr);
  if (n >= target.size()) {
    target.resize(n);
    n = ::GetFullPathNameW(to.c_str(), DWORD(target.size()), target.data(), nullptr);
  }
  if (n == 0) {
    DWORD err = ::GetLastError();
    ::CloseHandle(h);
    ::SetLastError(err);
    return 0;
  }
  target.resize(n);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), info->FileName);
  bool done = ::SetFileInformationByHandle(h, kRenameInfoEx, info, DWORD(buffer.size())) &&
              (!durable || ::FlushFileBuffers(h));
  DWORD err = ::GetLastError();
  ::CloseHandle(h);
  ::SetLastError(err);
  if (done) return 1;
  return err == ERROR_INVALID_PARAMETER || err == ERROR_NOT_SUPPORTED || err == ERROR_INVALID_FUNCTION ? -1 : 0;
}

}  // namespace

bool replaceFile(const std::string& temp, const std::string& final, bool durable) {
  std::wstring from = apiPath(temp), to = apiPath(final);
  if (from.empty() || to.empty()) return false;
  if (int done = renamePosixStyle(from, to, durable); done >= 0) return done == 1;
  // The classic rename, where the other has none (older Windows, FAT, Wine 8):
  // it refuses a target that is open, even for reading (ERROR_ACCESS_DENIED).
  // Write-through returns only once the rename is on the disk, as the folder's
  // fsync does on POSIX.
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0)) !=
         0;
}

std::string makeUniqueFolder(const std::string& prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device seed;
  std::mt19937 pick(seed());
  std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = prefix;
    for (int i = 0; i < 6; ++i) path += kLetters[letter(pick)];
    std::wstring name = apiPath(path);
    if (name.empty()) return {};
    if (::CreateDirectoryW(name.c_str(), nullptr)) return path;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};  // GetLastError() is ERROR_ALREADY_EXISTS
}

bool FolderClaim::tryClaim(const std::string& folder) {
  release();
  std::wstring name = apiPath(folder);
  if (name.empty()) return false;
  // The folder's own handle, shared only for deleting: a second claim (which
  // lists) meets a sharing violation, while the holder's files inside, the
  // folder's rename and its removal stay possible. The system closes the
  // handle of a process that dies.
  HANDLE h = ::CreateFileW(name.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return true;
}

void FolderClaim::release() {
  if (handle_ == -1) return;
  ::CloseHandle(handleOf(handle_));
  handle_ = -1;
}

int64_t processId() { return int64_t(::GetCurrentProcessId()); }

// Without the long-path prefix: the MinGW runtime's folder listing under
// std::filesystem misreads a \\?\ path (it listed the current folder instead).
std::filesystem::path fsPath(const std::string& utf8Name) { return std::filesystem::path(wide(utf8Name)); }

}  // namespace discwright::platform

namespace discwright::platform {

std::filesystem::path userStateFolder() {
  namespace fs = std::filesystem;
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local) return fs::path(local) / L"Korvanel";
  return fs::temp_directory_path() / L"Korvanel";
}

}  // namespace discwright::platform
