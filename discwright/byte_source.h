// A stream of image bytes that a burn reads from: a file or a built file tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace discwright {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Size of the whole stream in bytes.
  virtual uint64_t size() const = 0;
  // Fills buf with the next min(n, bytes left) bytes and returns that count
  // (0 at the end). Throws DwError on a read failure.
  virtual size_t read(void* buf, size_t n) = 0;
  // What to call the source in messages ("file /x.iso", "file tree").
  virtual std::string describe() const = 0;
};

// Opens an image file for reading; DW_E_FILE with a clear text when it cannot.
std::unique_ptr<ByteSource> openFileSource(const std::string& path);

}  // namespace discwright
