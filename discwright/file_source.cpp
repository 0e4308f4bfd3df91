#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Discwright.h"
#include "byte_source.h"
#include "error.h"

namespace discwright {

namespace {

class FileSource : public ByteSource {
 public:
  FileSource(int fd, uint64_t size, std::string path) : fd_(fd), size_(size), path_(std::move(path)) {}
  ~FileSource() override { ::close(fd_); }

  uint64_t size() const override { return size_; }
  std::string describe() const override { return "file \"" + path_ + "\""; }

  size_t read(void* buf, size_t n) override {
    n = size_t(std::min<uint64_t>(n, size_ - position_));
    size_t got = 0;
    while (got < n) {
      ssize_t r = ::read(fd_, static_cast<char*>(buf) + got, n - got);
      if (r < 0) {
        if (errno == EINTR) continue;
        int err = errno;
        throw DwError(DW_E_FILE, "Cannot read the image file \"" + path_ + "\": " + std::strerror(err),
                      uint32_t(err));
      }
      if (r == 0) break;  // the file shrank: the pipeline reports it
      got += size_t(r);
    }
    position_ += got;
    return got;
  }

 private:
  int fd_;
  uint64_t size_;
  uint64_t position_ = 0;
  std::string path_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path) {
  if (path.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "No image file was named");
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    throw DwError(DW_E_FILE, "Cannot open the image file \"" + path + "\": " + std::strerror(err), uint32_t(err));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = errno;
    ::close(fd);
    throw DwError(DW_E_FILE, "The image \"" + path + "\" is not a regular file", uint32_t(err));
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<FileSource>(fd, uint64_t(st.st_size), path);
}

}  // namespace discwright
