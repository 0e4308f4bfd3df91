// File-tree calls of the C API: ISO9660 + Joliet images of a folder.
#include <string>
#include <vector>

#include "api_support.h"
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
    TreeNameCallback onAdd;
    if (callback)
      onAdd = [callback, context](const std::string& name) {
        callback(DW_REASON_ADD_NAME, context, const_cast<char*>(name.c_str()), nullptr);
      };
    TreeSkipCallback onSkip;
    if (callback)
      onSkip = [callback, context](const std::string& name, const std::string& why) {
        callback(DW_REASON_IGNORE_NAME, context, const_cast<char*>(name.c_str()), const_cast<char*>(why.c_str()));
      };
    auto tree = std::make_shared<FileTree>();
    tree->tree = IsoTree::fromFolder(&required(folder, "folder"), onAdd, onSkip, largeFileCallback(callback, context));
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
    if (count > 0) required(paths, "paths");
    std::vector<std::string> list;
    for (uint32_t i = 0; i < count; ++i) list.emplace_back(&required(paths[i], "path"));
    TreeNameCallback onAdd;
    TreeSkipCallback onSkip;
    if (callback) {
      onAdd = [callback, context](const std::string& name) {
        callback(DW_REASON_ADD_NAME, context, const_cast<char*>(name.c_str()), nullptr);
      };
      onSkip = [callback, context](const std::string& name, const std::string& why) {
        callback(DW_REASON_IGNORE_NAME, context, const_cast<char*>(name.c_str()), const_cast<char*>(why.c_str()));
      };
    }
    auto tree = std::make_shared<FileTree>();
    tree->tree = IsoTree::fromPaths(list, onAdd, onSkip, largeFileCallback(callback, context));
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
