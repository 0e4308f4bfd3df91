// An ISO9660 + Joliet image of a folder, built with libisofs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"

namespace discwright {

// Called for every name added to the tree (reason 0 of the library callback).
using TreeNameCallback = std::function<void(const std::string& name)>;
// Called for every entry left out of the tree (reason 2): a FIFO, socket or device node.
using TreeSkipCallback = std::function<void(const std::string& name, const std::string& why)>;
// Called for every file over 4 GiB (reason 4): only readers of ISO 9660 level 3 join its extents.
using TreeLargeFileCallback = std::function<void(const std::string& name, uint64_t size)>;

class IsoTree {
 public:
  // Throws DwError (DW_E_FILE) when the folder is missing, or when any file, folder or
  // link in it cannot be read (naming each with the reason). Special files are left out
  // and reported through onSkip.
  // Every file's size and modification time are kept as the tree measures them: a
  // stream whose file changed since (or could not be read) fails before its last bytes.
  static std::unique_ptr<IsoTree> fromFolder(const std::string& folder, TreeNameCallback onAdd = {},
                                             TreeSkipCallback onSkip = {}, TreeLargeFileCallback onLarge = {});
  // A tree of the given files and folders, each at the top of the image under the name it
  // was chosen by. Fails as fromFolder does, and also when two of them share a name. A
  // chosen symbolic link is followed (links inside the chosen folders stay links).
  static std::unique_ptr<IsoTree> fromPaths(const std::vector<std::string>& paths, TreeNameCallback onAdd = {},
                                            TreeSkipCallback onSkip = {}, TreeLargeFileCallback onLarge = {});
  ~IsoTree();
  IsoTree(const IsoTree&) = delete;
  IsoTree& operator=(const IsoTree&) = delete;

  // Adds an El Torito boot image: floppy emulation for 1.2/1.44/2.88 MB files,
  // no emulation otherwise. Takes effect at the next build().
  void setBootImage(const std::string& path);

  // Builds the image starting at block startBlock of the medium. Afterwards
  // size() is known and read() starts at the first byte.
  void build(uint32_t startBlock, bool joliet, const std::string& volumeLabel, const std::string& applicationId,
             const std::string& preparerId);
  bool built() const;
  uint64_t size() const;  // DwError when not built

  // Sequential reading of the built image.
  void seekToBegin();
  void read(void* buffer, uint32_t count);  // exactly count bytes, DwError when fewer are left

  // A fresh, independent stream of the same image bytes (for burning).
  std::unique_ptr<ByteSource> openStream() const;

 private:
  IsoTree();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace discwright
