#include "sbDiscFiles.h"

#include <algorithm>

#include "Discwright.h"

void CollectDiscFile(uint32_t reason, void* context, void* param1, void*) {
  if ((reason & 0xFF) != DW_REASON_DISC_ENTRY) return;
  const auto* entry = static_cast<const DiscwrightDiscEntry*>(param1);
  TsbDiscFile file{QString::fromUtf8(entry->Path), entry->SizeBytes, {}};
  for (uint32_t i = 0; i < entry->ExtentCount; ++i) file.Extents.emplace_back(entry->ExtentBlocks[i], entry->ExtentBytes[i]);
  static_cast<std::vector<TsbDiscFile>*>(context)->push_back(std::move(file));
}

void SortByPath(std::vector<TsbDiscFile>& files) {
  std::sort(files.begin(), files.end(), [](const TsbDiscFile& a, const TsbDiscFile& b) { return a.Path < b.Path; });
}
