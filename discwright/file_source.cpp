#include <algorithm>

#include "Discwright.h"
#include "byte_source.h"
#include "error.h"
#include "platform/platform.h"

namespace discwright {

namespace {

class FileSource : public ByteSource {
 public:
  FileSource(platform::File file, uint64_t size, std::string path)
      : file_(std::move(file)), size_(size), path_(std::move(path)) {}

  uint64_t size() const override { return size_; }
  std::string describe() const override { return "file \"" + path_ + "\""; }

  size_t read(void* buf, size_t n) override {
    n = size_t(std::min<uint64_t>(n, size_ - position_));
    size_t got = 0;
    while (got < n) {
      int64_t r = file_.readAt(position_ + got, static_cast<char*>(buf) + got, n - got);
      if (r < 0) {
        platform::SystemError err = platform::lastError();
        throw DwError(DW_E_FILE, "Cannot read the image file \"" + path_ + "\": " + err.text, err.code);
      }
      if (r == 0) break;  // the file shrank: the pipeline reports it
      got += size_t(r);
    }
    position_ += got;
    return got;
  }

 private:
  platform::File file_;
  uint64_t size_;
  uint64_t position_ = 0;
  std::string path_;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path) {
  if (path.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "No image file was named");
  platform::File file;
  if (!file.open(path, platform::File::Access::Read)) {
    platform::SystemError err = platform::lastError();
    throw DwError(DW_E_FILE, "Cannot open the image file \"" + path + "\": " + err.text, err.code);
  }
  platform::FileInfo info;
  if (!file.info(info)) {
    platform::SystemError err = platform::lastError();
    throw DwError(DW_E_FILE, "The image \"" + path + "\" cannot be examined: " + err.text, err.code);
  }
  if (info.kind != platform::FileKind::Regular)
    throw DwError(DW_E_FILE, "The image \"" + path + "\" is not a regular file");
  file.adviseSequential();
  return std::make_unique<FileSource>(std::move(file), info.size, path);
}

}  // namespace discwright
