// The files a tree read from a disc lists, with where their bytes lie: what the verify of
// an added session checks again through the new directory.
#pragma once

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

struct TsbDiscFile {
  QString Path;
  uint64_t Bytes = 0;
  std::vector<std::pair<uint32_t, uint32_t>> Extents;  // first block and bytes of each piece
};

// The callback of Discwright_ISO9660JolietFileTree_ForEachDiscFile whose context is a
// std::vector<TsbDiscFile>: each file reported is appended.
void CollectDiscFile(uint32_t reason, void* context, void* param1, void* param2);

// Sorted by path, for lookups.
void SortByPath(std::vector<TsbDiscFile>& files);
