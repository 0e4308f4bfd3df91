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

// Reads count 2048-byte blocks from lba into buffer; throws DwError when it cannot (also
// when the device it reads from is gone).
using BlockReader = std::function<void(uint32_t lba, uint32_t count, void* buffer)>;

// Blocks 0 to 31 of an overwritable medium: the system area and the volume descriptors.
constexpr size_t kMediumHeadBytes = 32 * 2048;

// Where a tree that continues a disc's file system came from.
struct DiscOrigin {
  uint16_t session = 0;       // the session imported (1-based)
  uint32_t sessionStart = 0;  // its first block
  uint32_t nextWritable = 0;  // the block the new session must start at
  uint32_t files = 0;         // files and folders of the disc in the tree now
  uint32_t folders = 0;
  std::string label;                // the disc's volume label
  std::vector<uint8_t> descriptor;  // its volume descriptor as read: the disc is known again by it
  // An overwritable medium (or a file), which grows instead of taking sessions: blocks 0
  // to 31 as read. The new volume descriptors are made over them, and only blocks 16 to
  // 31 are written back, so what else lies there stays.
  bool overwritable = false;
  std::vector<uint8_t> head;
};

// A file of the disc that the tree still holds, where its bytes lie.
struct DiscFile {
  std::string path;  // "/docs/a.txt"
  uint64_t size = 0;
  int64_t modified = 0;  // seconds since 1970
  std::vector<std::pair<uint32_t, uint32_t>> extents;  // first block, bytes
};

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
  // The tree of the session at sessionStart, read through read: its files stay where
  // they are on the disc, and the image built from it is the next session, at
  // nextWritable. DwError: DW_E_NOT_SUPPORTED when there is no ISO 9660 file system
  // there, DW_E_IO when it is damaged or a block cannot be read (the text names it).
  // overwritable: the medium has no sessions; its volume (sessionStart 0) grows, and the
  // image's volume descriptors for block 16 come from headBlocks().
  static std::unique_ptr<IsoTree> fromDisc(BlockReader read, uint16_t session, uint32_t sessionStart,
                                           uint32_t nextWritable, bool overwritable = false);
  ~IsoTree();
  IsoTree(const IsoTree&) = delete;
  IsoTree& operator=(const IsoTree&) = delete;

  // Adds an El Torito boot image: floppy emulation for 1.2/1.44/2.88 MB files,
  // no emulation otherwise. Takes effect at the next build().
  void setBootImage(const std::string& path);

  // The disc this tree continues, or null for a tree of local files only.
  const DiscOrigin* origin() const;
  // The paths on the disc that the chosen entries would take below discFolder (a folder
  // of the disc and a chosen folder of the same name merge: their inner names count).
  std::vector<std::string> findClashes(const std::string& discFolder, const std::vector<std::string>& paths) const;
  // Adds the chosen entries below discFolder, merging folders. A taken name fails
  // (DW_E_FILE, naming them, nothing added) unless replace, which drops the disc's entry.
  void addPaths(const std::string& discFolder, const std::vector<std::string>& paths, bool replace,
                TreeNameCallback onAdd = {}, TreeSkipCallback onSkip = {}, TreeLargeFileCallback onLarge = {});
  // Leaves a file or folder of the disc out of the new session; DW_E_FILE when none is there.
  void removePath(const std::string& discPath);
  // Every file of the disc that the tree still holds.
  void forEachDiscFile(const std::function<void(const DiscFile&)>& visit) const;

  // Builds the image starting at block startBlock of the medium. Afterwards
  // size() is known and read() starts at the first byte. A tree from a disc is built
  // appendable for its origin's next writable block only, and keeps the disc's label when
  // volumeLabel is empty. Building again with the same arguments and an unchanged tree
  // keeps the image built.
  void build(uint32_t startBlock, bool joliet, const std::string& volumeLabel, const std::string& applicationId,
             const std::string& preparerId);
  bool built() const;
  // A tree from an overwritable medium: blocks 16 to 31 to write over the medium's after
  // the image is on it (the descriptors of the grown volume); empty otherwise.
  std::vector<uint8_t> headBlocks() const;
  uint64_t size() const;  // DwError when not built

  // Sequential reading of the built image.
  void seekToBegin();
  void read(void* buffer, uint32_t count);  // exactly count bytes, DwError when fewer are left

  // A fresh, independent stream of the same image bytes (for burning).
  std::unique_ptr<ByteSource> openStream() const;

 private:
  IsoTree();
  void countDiscEntries();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace discwright
