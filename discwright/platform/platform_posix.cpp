// The platform layer on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace discwright::platform {

namespace {

int fdOf(std::intptr_t handle) { return int(handle); }

// Makes the folder's entries (a rename) last: a crash before the folder is on
// the disk could bring back the old file under the name.
bool syncFolderOf(const std::string& path) {
  const std::string folder = utf8(std::filesystem::path(path).parent_path());
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  int err = errno;
  ::close(fd);
  errno = err;
  return synced;
}

}  // namespace

SystemError lastError() {
  int err = errno;
  return {uint32_t(err), std::strerror(err), err == ENOENT, err == ENOSPC};
}

bool File::open(const std::string& path, Access access) {
  close();
  int flags = O_CLOEXEC;
  switch (access) {
    case Access::Read: flags |= O_RDONLY | O_NONBLOCK; break;
    case Access::Create: flags |= O_RDWR | O_CREAT; break;
    case Access::CreateEmpty: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool File::close() {
  if (!isOpen()) return true;
  int fd = fdOf(handle_);
  handle_ = kClosed;
  return ::close(fd) == 0;  // never retried: the descriptor is gone either way
}

int64_t File::readAt(uint64_t offset, void* data, size_t size) {
  for (;;) {
    ssize_t n = ::pread(fdOf(handle_), data, size, off_t(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

int64_t File::writeAt(uint64_t offset, const void* data, size_t size) {
  for (;;) {
    ssize_t n = ::pwrite(fdOf(handle_), data, size, off_t(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool File::info(FileInfo& out) const {
  struct stat st {};
  if (::fstat(fdOf(handle_), &st) != 0) return false;
  out.size = uint64_t(st.st_size);
  out.kind = S_ISREG(st.st_mode)                          ? FileKind::Regular
             : S_ISDIR(st.st_mode)                        ? FileKind::Folder
             : S_ISFIFO(st.st_mode)                       ? FileKind::Pipe
             : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? FileKind::Device
                                                          : FileKind::Other;
  return true;
}

bool File::truncate(uint64_t size) {
  for (;;) {
    if (::ftruncate(fdOf(handle_), off_t(size)) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool File::sync() { return ::fsync(fdOf(handle_)) == 0; }

void File::adviseSequential() {
  // Only a hint: a system that ignores it reads the same bytes.
  ::posix_fadvise(fdOf(handle_), 0, 0, POSIX_FADV_SEQUENTIAL);
}

File::Lock File::tryLock() {
  for (;;) {
    if (::flock(fdOf(handle_), LOCK_EX | LOCK_NB) == 0) return Lock::Taken;
    if (errno == EWOULDBLOCK) return Lock::Busy;
    if (errno != EINTR) return Lock::Failed;
  }
}

void File::unlock() { ::flock(fdOf(handle_), LOCK_UN); }

bool replaceFile(const std::string& temp, const std::string& final, bool durable) {
  if (::rename(temp.c_str(), final.c_str()) != 0) return false;
  return !durable || syncFolderOf(final);
}

std::string makeUniqueFolder(const std::string& prefix) {
  std::vector<char> name(prefix.begin(), prefix.end());
  for (char c : std::string("XXXXXX")) name.push_back(c);
  name.push_back('\0');
  return ::mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}

bool FolderClaim::tryClaim(const std::string& folder) {
  release();
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // flock goes with the open descriptor, so a dead process's claim is gone with it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  handle_ = fd;
  return true;
}

void FolderClaim::release() {
  if (handle_ < 0) return;
  ::close(int(handle_));
  handle_ = -1;
}

int64_t processId() { return int64_t(::getpid()); }

std::filesystem::path fsPath(const std::string& utf8Name) { return std::filesystem::path(utf8Name); }

}  // namespace discwright::platform

namespace discwright::platform {

std::filesystem::path userStateFolder() {
  namespace fs = std::filesystem;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) return fs::path(xdg) / "korvanel";
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".local" / "state" / "korvanel";
  return fs::temp_directory_path() / "korvanel";
}

}  // namespace discwright::platform
