// File-tree calls of the C API: ISO9660 + Joliet images of a folder, and trees that
// continue a disc's files.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api_support.h"
#include "disc_append.h"
#include "filetree/iso_tree.h"
#include "library.h"

using namespace discwright;

namespace {

template <class Body>
uint8_t treeCall(DiscwrightHandle handle, const Triple& triple, Body&& body) {
  return guarded(triple, [&] {
    auto tree = Library::instance().handles().fileTree(handle);
    std::lock_guard lock(tree->mutex);
    body(*tree->tree);
  });
}

TreeLargeFileCallback largeFileCallback(DiscwrightCallback callback, void* context) {
  if (!callback) return {};
  return [callback, context](const std::string& name, uint64_t size) {
    callback(DW_REASON_LARGE_FILE, context, const_cast<char*>(name.c_str()), &size);
  };
}

TreeNameCallback nameCallback(DiscwrightCallback callback, void* context) {
  if (!callback) return {};
  return [callback, context](const std::string& name) {
    callback(DW_REASON_ADD_NAME, context, const_cast<char*>(name.c_str()), nullptr);
  };
}

TreeSkipCallback skipCallback(DiscwrightCallback callback, void* context) {
  if (!callback) return {};
  return [callback, context](const std::string& name, const std::string& why) {
    callback(DW_REASON_IGNORE_NAME, context, const_cast<char*>(name.c_str()), const_cast<char*>(why.c_str()));
  };
}

std::vector<std::string> pathList(const char* const* paths, uint32_t count) {
  if (count > 0) required(paths, "paths");
  std::vector<std::string> list;
  for (uint32_t i = 0; i < count; ++i) list.emplace_back(&required(paths[i], "path"));
  return list;
}

// Reads through the grabber while it exists; a tree may outlive it, and must then fail
// rather than reach a device that is gone.
BlockReader grabberReader(const std::shared_ptr<Grabber>& grabber) {
  std::weak_ptr<Grabber> weak = grabber;
  return [weak](uint32_t lba, uint32_t count, void* buffer) {
    auto alive = weak.lock();
    if (!alive) throw DwError(DW_E_INVALID_HANDLE, "the device the disc's files were read from has been closed");
    alive->device->checkFault("ReadSectors");
    alive->device->readSectors(lba, count, buffer);
  };
}

}  // namespace

#define TRIPLE Triple{exceptionText, exceptionTextSize, status, nullptr}
#define TRIPLE_ARGS char *exceptionText, uint32_t exceptionTextSize, uint32_t *status

extern "C" {

uint8_t Discwright_ISO9660JolietFileTree_Create(DiscwrightHandle* fileTree, TRIPLE_ARGS, DiscwrightCallback callback,
                                                void* context, const char* folder) {
  return guarded(TRIPLE, [&] {
    auto& out = required(fileTree, "file tree handle address");
    out = 0;
    if (!Library::instance().started())
      throw DwError(DW_E_NOT_STARTED, "The Discwright session is not started: call Discwright_UpStartEx first");
    auto tree = std::make_shared<FileTree>();
    tree->tree = IsoTree::fromFolder(&required(folder, "folder"), nameCallback(callback, context),
                                     skipCallback(callback, context), largeFileCallback(callback, context));
    out = Library::instance().handles().add(std::move(tree));
  });
}

uint8_t Discwright_ISO9660JolietFileTree_CreateFromPaths(DiscwrightHandle* fileTree, TRIPLE_ARGS,
                                                         DiscwrightCallback callback, void* context,
                                                         const char* const* paths, uint32_t count) {
  return guarded(TRIPLE, [&] {
    auto& out = required(fileTree, "file tree handle address");
    out = 0;
    if (!Library::instance().started())
      throw DwError(DW_E_NOT_STARTED, "The Discwright session is not started: call Discwright_UpStartEx first");
    std::vector<std::string> list = pathList(paths, count);
    auto tree = std::make_shared<FileTree>();
    tree->tree = IsoTree::fromPaths(list, nameCallback(callback, context), skipCallback(callback, context),
                                    largeFileCallback(callback, context));
    out = Library::instance().handles().add(std::move(tree));
  });
}

uint8_t Discwright_ISO9660JolietFileTree_SetBootImage(DiscwrightHandle fileTree, TRIPLE_ARGS, const char* bootImage,
                                                      uint32_t, uint32_t, uint32_t, uint32_t) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) { t.setBootImage(&required(bootImage, "boot image")); });
}

uint8_t Discwright_ISO9660JolietFileTree_BuildImage(DiscwrightHandle fileTree, TRIPLE_ARGS, uint32_t startBlock,
                                                    uint32_t, uint8_t joliet, const char* volumeLabel,
                                                    const char* applicationId, const char* preparerId) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    t.build(startBlock, joliet != 0, volumeLabel ? volumeLabel : "", applicationId ? applicationId : "",
            preparerId ? preparerId : "");
  });
}

uint8_t Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(DiscwrightHandle fileTree, TRIPLE_ARGS,
                                                         uint64_t* sizeBytes) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) { required(sizeBytes, "size") = t.size(); });
}

uint8_t Discwright_ISO9660JolietFileTree_SeekToBegin(DiscwrightHandle fileTree, TRIPLE_ARGS) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) { t.seekToBegin(); });
}

uint8_t Discwright_ISO9660JolietFileTree_Read(DiscwrightHandle fileTree, TRIPLE_ARGS, uint32_t count, void* buffer) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    if (count > (1u << 20)) throw DwError(DW_E_INVALID_ARGUMENT, "At most 1 MiB can be read at once");
    t.read(&required(static_cast<char*>(buffer), "buffer"), count);
  });
}

}  // extern "C"

extern "C" {

uint8_t Discwright_ISO9660JolietFileTree_CreateFromDisc(DiscwrightHandle* fileTree, TRIPLE_ARGS,
                                                        DiscwrightHandle grabber, DiscwrightCallback, void*) {
  return guarded(TRIPLE, [&] {
    auto& out = required(fileTree, "file tree handle address");
    out = 0;
    if (!Library::instance().started())
      throw DwError(DW_E_NOT_STARTED, "The Discwright session is not started: call Discwright_UpStartEx first");
    auto g = Library::instance().handles().grabber(grabber);
    if (g->burning) throw DwError(DW_E_BUSY, "A burn or erase is running on this device", sense(0x02, 0x04, 0x08));
    const LastSession last = lastSessionToContinue(*g->device);
    auto tree = std::make_shared<FileTree>();
    tree->tree = IsoTree::fromDisc(grabberReader(g), last.number, last.start, last.nextWritable,
                                     last.overwritable);
    out = Library::instance().handles().add(std::move(tree));
  });
}

uint8_t Discwright_ISO9660JolietFileTree_GetOrigin(DiscwrightHandle fileTree, TRIPLE_ARGS,
                                                   DiscwrightTreeOrigin* origin) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    DiscwrightTreeOrigin& o = required(origin, "origin");
    o = DiscwrightTreeOrigin{};
    const DiscOrigin* from = t.origin();
    if (!from) return;
    o.FromDisc = 1;
    o.Session = from->session;
    o.SessionStart = from->sessionStart;
    o.NextWritable = from->nextWritable;
    o.DiscFiles = from->files;
    o.DiscFolders = from->folders;
    std::memcpy(o.VolumeLabel, from->label.data(), std::min(from->label.size(), sizeof o.VolumeLabel - 1));
  });
}

uint8_t Discwright_ISO9660JolietFileTree_FindClashes(DiscwrightHandle fileTree, TRIPLE_ARGS,
                                                     DiscwrightCallback callback, void* context, const char* discFolder,
                                                     const char* const* paths, uint32_t count, uint32_t* clashes) {
  if (clashes) *clashes = 0;
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    const auto found = t.findClashes(discFolder ? discFolder : "/", pathList(paths, count));
    if (clashes) *clashes = uint32_t(found.size());
    if (callback)
      for (const std::string& path : found)
        callback(DW_REASON_ON_DISC, context, const_cast<char*>(path.c_str()), nullptr);
  });
}

uint8_t Discwright_ISO9660JolietFileTree_AddPaths(DiscwrightHandle fileTree, TRIPLE_ARGS, DiscwrightCallback callback,
                                                  void* context, const char* discFolder, const char* const* paths,
                                                  uint32_t count, uint8_t replace) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    t.addPaths(discFolder ? discFolder : "/", pathList(paths, count), replace != 0, nameCallback(callback, context),
               skipCallback(callback, context), largeFileCallback(callback, context));
  });
}

uint8_t Discwright_ISO9660JolietFileTree_RemovePath(DiscwrightHandle fileTree, TRIPLE_ARGS, const char* discPath) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) { t.removePath(&required(discPath, "disc path")); });
}

uint8_t Discwright_ISO9660JolietFileTree_ForEachDiscFile(DiscwrightHandle fileTree, TRIPLE_ARGS,
                                                         DiscwrightCallback callback, void* context) {
  return treeCall(fileTree, TRIPLE, [&](IsoTree& t) {
    required(callback, "callback");
    t.forEachDiscFile([&](const DiscFile& file) {
      std::vector<uint32_t> blocks, bytes;
      for (const auto& [block, size] : file.extents) {
        blocks.push_back(block);
        bytes.push_back(size);
      }
      DiscwrightDiscEntry entry{file.path.c_str(),       file.size,     file.modified,
                                uint32_t(blocks.size()), blocks.data(), bytes.data()};
      callback(DW_REASON_DISC_ENTRY, context, &entry, nullptr);
    });
  });
}

}  // extern "C"
