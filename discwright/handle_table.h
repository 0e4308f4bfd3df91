// Maps the 32-bit handles of the C API to the objects behind them. Objects are
// shared so that a call in progress keeps its object alive across a Destroy.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Discwright.h"
#include "device.h"

namespace discwright {

class IsoTree;
struct TrackLayout;

struct Grabber {
  std::shared_ptr<Device> device;
  DiscwrightCallback callback = nullptr;
  void* context = nullptr;
  std::atomic<bool> cancelRequested{false};
  std::atomic<bool> burning{false};
};

struct FileTree {
  std::mutex mutex;  // reads and builds of one tree are serialised
  std::unique_ptr<IsoTree> tree;
};

struct LayoutHandle {
  std::mutex mutex;  // calls on one layout are serialised
  std::shared_ptr<TrackLayout> layout;
};

class HandleTable {
 public:
  DiscwrightHandle add(std::shared_ptr<Grabber> grabber);
  DiscwrightHandle add(std::shared_ptr<FileTree> tree);
  DiscwrightHandle add(std::shared_ptr<LayoutHandle> layout);
  // DwError(DW_E_INVALID_HANDLE) when the handle is unknown or of the other kind.
  std::shared_ptr<Grabber> grabber(DiscwrightHandle handle) const;
  std::shared_ptr<FileTree> fileTree(DiscwrightHandle handle) const;
  std::shared_ptr<LayoutHandle> layout(DiscwrightHandle handle) const;
  // Removes the handle; false when it was unknown.
  bool remove(DiscwrightHandle handle);
  // Removes every handle (session shut-down).
  void clear();

 private:
  using Entry = std::variant<std::shared_ptr<Grabber>, std::shared_ptr<FileTree>, std::shared_ptr<LayoutHandle>>;
  DiscwrightHandle insert(Entry entry);
  void dispose(Entry& entry);

  mutable std::mutex mutex_;
  std::unordered_map<DiscwrightHandle, Entry> entries_;
  DiscwrightHandle next_ = 1;
};

}  // namespace discwright
