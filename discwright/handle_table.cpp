#include "handle_table.h"

#include "error.h"

namespace discwright {

DiscwrightHandle HandleTable::insert(Entry entry) {
  std::lock_guard lock(mutex_);
  // Ids are not reused while the process lives, so a stale handle never
  // reaches a newer object (0 is skipped on wrap-around).
  DiscwrightHandle id = next_++;
  if (id == 0) id = next_++;
  entries_.emplace(id, std::move(entry));
  return id;
}

DiscwrightHandle HandleTable::add(std::shared_ptr<Grabber> grabber) { return insert(std::move(grabber)); }
DiscwrightHandle HandleTable::add(std::shared_ptr<FileTree> tree) { return insert(std::move(tree)); }
DiscwrightHandle HandleTable::add(std::shared_ptr<LayoutHandle> layout) { return insert(std::move(layout)); }

std::shared_ptr<Grabber> HandleTable::grabber(DiscwrightHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(handle);
  if (it != entries_.end())
    if (auto* g = std::get_if<std::shared_ptr<Grabber>>(&it->second)) return *g;
  throw DwError(DW_E_INVALID_HANDLE, "Invalid device handle: the device is not open (handle " +
                                         std::to_string(handle) + ")");
}

std::shared_ptr<FileTree> HandleTable::fileTree(DiscwrightHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(handle);
  if (it != entries_.end())
    if (auto* t = std::get_if<std::shared_ptr<FileTree>>(&it->second)) return *t;
  throw DwError(DW_E_INVALID_HANDLE, "Invalid file tree handle: the tree does not exist (handle " +
                                         std::to_string(handle) + ")");
}

std::shared_ptr<LayoutHandle> HandleTable::layout(DiscwrightHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(handle);
  if (it != entries_.end())
    if (auto* l = std::get_if<std::shared_ptr<LayoutHandle>>(&it->second)) return *l;
  throw DwError(DW_E_INVALID_HANDLE, "Invalid track layout handle: the layout does not exist (handle " +
                                         std::to_string(handle) + ")");
}

void HandleTable::dispose(Entry& entry) {
  if (auto* g = std::get_if<std::shared_ptr<Grabber>>(&entry)) {
    // A burn still running on this grabber is stopped; its call keeps the object alive.
    (*g)->cancelRequested = true;
    if ((*g)->device) (*g)->device->ownerGone(g->get());
  }
}

bool HandleTable::remove(DiscwrightHandle handle) {
  Entry entry;
  {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(handle);
    if (it == entries_.end()) return false;
    entry = std::move(it->second);
    entries_.erase(it);
  }
  dispose(entry);
  return true;
}

void HandleTable::clear() {
  std::unordered_map<DiscwrightHandle, Entry> entries;
  {
    std::lock_guard lock(mutex_);
    entries.swap(entries_);
  }
  for (auto& [id, entry] : entries) dispose(entry);
}

}  // namespace discwright
