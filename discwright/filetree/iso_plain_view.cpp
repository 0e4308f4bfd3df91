#include "filetree/iso_plain_view.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "Discwright.h"
#include "error.h"

namespace discwright {
namespace {
constexpr uint32_t kBlock = 2048;
constexpr size_t kMaxPath = 255;
constexpr size_t kMaxFileName = 30;  // name and extension of a file together

uint32_t le32At(const std::vector<unsigned char>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void put16(std::vector<unsigned char>& b, size_t at, uint16_t v, bool big) {
  b[at + (big ? 1 : 0)] = uint8_t(v);
  b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
}
void put32(std::vector<unsigned char>& b, size_t at, uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) b[at + (big ? 3 - i : i)] = uint8_t(v >> (8 * i));
}

// Gives one record a new identifier. A shorter name: the system use area moves up and the
// record shrinks with it.
void setRecordId(std::vector<unsigned char>& bytes, const std::string& id) {
  if (id.size() == bytes[32]) {
    std::copy(id.begin(), id.end(), bytes.begin() + 33);
    return;
  }
  const size_t oldEnd = 33 + bytes[32] + (bytes[32] % 2 == 0 ? 1 : 0);
  const size_t newEnd = 33 + id.size() + (id.size() % 2 == 0 ? 1 : 0);
  std::vector<unsigned char> out(bytes.begin(), bytes.begin() + 33);
  out.insert(out.end(), id.begin(), id.end());
  out.resize(newEnd, 0);
  out.insert(out.end(), bytes.begin() + oldEnd, bytes.end());
  out[0] = uint8_t(out.size());
  out[32] = uint8_t(id.size());
  bytes = std::move(out);
}

// A file over 4 GiB has one record per extent, all of the same identifier and every one
// but the last flagged (bit 7 of the flags); readers join them only when they follow each
// other in order under one name.
constexpr uint8_t kMultiExtent = 0x80;

// One entry of a directory: a record, and for a file of several extents its later records.
struct DirRecord {
  std::vector<unsigned char> bytes;               // the whole (first) record
  std::vector<std::vector<unsigned char>> later;  // the records of the further extents, in order
  std::string id() const { return std::string(bytes.begin() + 33, bytes.begin() + 33 + bytes[32]); }
  void setId(const std::string& id) {
    setRecordId(bytes, id);
    for (auto& rec : later) setRecordId(rec, id);
  }
  bool isDir() const { return bytes[25] & 2; }
  uint8_t lastFlags() const { return later.empty() ? bytes[25] : later.back()[25]; }
  bool operator==(const DirRecord&) const = default;
  uint32_t extent() const { return le32At(bytes, 2); }
  uint32_t size() const { return le32At(bytes, 10); }
};

struct PlainDir {
  size_t at = 0;  // byte offset of the extent in the image
  size_t pathLength = 0;  // its identifiers on the way from the root plus one separator each
  uint32_t size = 0;
  uint32_t extent = 0;
  uint8_t extAttrLength = 0;
  std::vector<DirRecord> records;  // "." and ".." first
};

// Name, extension and version of "NAME.EXT;1" ("NAME" for a folder), for ordering.
struct IdParts {
  std::string name, ext;
  int version = 0;
};
IdParts idParts(const std::string& id) {
  IdParts p;
  std::string rest = id;
  if (auto semi = rest.find(';'); semi != std::string::npos) {
    p.version = std::atoi(rest.c_str() + semi + 1);
    rest.resize(semi);
  }
  if (auto dot = rest.find('.'); dot != std::string::npos) {
    p.ext = rest.substr(dot + 1);
    rest.resize(dot);
  }
  p.name = rest;
  return p;
}

// Identifier order: names compared as if padded with spaces, then extensions, then the
// higher version first.
bool idBefore(const std::string& a, const std::string& b) {
  auto padCmp = [](const std::string& x, const std::string& y) {
    for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
      unsigned char cx = i < x.size() ? x[i] : ' ', cy = i < y.size() ? y[i] : ' ';
      if (cx != cy) return cx < cy ? -1 : 1;
    }
    return 0;
  };
  IdParts pa = idParts(a), pb = idParts(b);
  if (int c = padCmp(pa.name, pb.name)) return c < 0;
  if (int c = padCmp(pa.ext, pb.ext)) return c < 0;
  return pa.version > pb.version;
}

// A name of the same length as id that nothing in taken uses: the end of the name part
// (else of the extension) becomes a counter.
std::string uniqueSameLength(const std::string& id, const std::set<std::string>& taken) {
  const size_t semi = id.find(';');
  const std::string base = semi == std::string::npos ? id : id.substr(0, semi);
  const std::string version = semi == std::string::npos ? std::string() : id.substr(semi);
  const size_t dot = base.find('.');
  size_t begin = 0, end = dot == std::string::npos ? base.size() : dot;
  if (end == 0) {  // ".EXT": only the extension has room
    begin = dot + 1;
    end = base.size();
  }
  for (size_t digits = 1; digits <= std::min<size_t>(end - begin, 7); ++digits) {
    uint64_t limit = 1;
    for (size_t i = 0; i < digits; ++i) limit *= 10;
    for (uint64_t n = 0; n < limit; ++n) {
      std::string counter = std::to_string(n);
      counter.insert(0, digits - counter.size(), '0');
      std::string candidate = base;
      candidate.replace(end - digits, digits, counter);
      candidate += version;
      if (!taken.count(candidate)) return candidate;
    }
  }
  throw DwError(DW_E_INTERNAL, "No unique ISO 9660 name is left for \"" + id + "\"");
}

// Hands out the records of one directory in order, reading it in pieces: a folder of
// many files never sits in memory whole. The last piece is kept, so reading a small
// directory again costs nothing.
class RecordReader {
 public:
  explicit RecordReader(const ImageReadAt& read) : read_(read) {}

  // Calls each(record, length) for every record of the size bytes at at.
  template <class Each>
  void forEach(size_t at, uint32_t size, Each&& each) {
    for (size_t pos = 0; pos < size;) {
      const uint8_t len = byteAt(at + pos, at + size);
      if (len == 0) {  // the rest of this block is padding
        pos = (pos / kBlock + 1) * kBlock;
        continue;
      }
      if (len < 34 || pos + len > size)
        throw DwError(DW_E_INTERNAL, "A directory record of the built image is damaged");
      each(window(at + pos, len, at + size), len);
      pos += len;
    }
  }

 private:
  static constexpr size_t kPiece = 1u << 20;

  uint8_t byteAt(size_t at, size_t end) { return *window(at, 1, end); }

  // The n bytes at at, loading a piece that starts there (and ends by end) when the kept
  // one does not hold them; what the kept piece already holds of it is moved, not read
  // again, so that the image is read forwards.
  const unsigned char* window(size_t at, size_t n, size_t end) {
    const size_t kept = from_ + bytes_.size();
    if (at < from_ || at + n > kept) {
      const size_t carried = at >= from_ && at < kept ? kept - at : 0;
      if (carried) std::memmove(bytes_.data(), bytes_.data() + (at - from_), carried);
      bytes_.resize(std::max(carried + 1, std::min(kPiece, end - at)));
      read_(at + carried, bytes_.data() + carried, bytes_.size() - carried);
      from_ = at;
    }
    return bytes_.data() + (at - from_);
  }

  const ImageReadAt& read_;
  size_t from_ = 0;
  std::vector<unsigned char> bytes_;
};

// Whether a directory, its records met one by one, needs the full treatment: a file left
// without ";", a path too long, names out of order or repeated. Without any of these the
// renames and the sort below leave it as it is.
class DirCheck {
 public:
  explicit DirCheck(size_t pathLength) : pathLength_(pathLength) {}

  void add(const std::string& id, bool isDir) {
    if (!isDir && (id.find(';') == std::string::npos || pathLength_ + id.size() > kMaxPath)) faulty_ = true;
    if (!run_.empty() && idBefore(id, run_.back())) faulty_ = true;
    // In sorted order equal names meet inside one run of names that sort alike.
    if (!run_.empty() && !idBefore(run_.back(), id)) {
      if (std::find(run_.begin(), run_.end(), id) != run_.end()) faulty_ = true;
    } else {
      run_.clear();
    }
    run_.push_back(id);
  }
  bool faulty() const { return faulty_; }
  void markFaulty() { faulty_ = true; }

 private:
  size_t pathLength_;
  std::vector<std::string> run_;  // the last names, all sorting alike
  bool faulty_ = false;
};

class PlainViewFixer {
 public:
  PlainViewFixer(const ImageReadAt& read, uint64_t imageSize, uint32_t startBlock, const std::string& relocation)
      : read_(read), records_(read), size_(imageSize), start_(startBlock), relocation_(relocation) {}

  std::vector<ImagePatch> run() {
    const size_t pvd = 16 * kBlock;
    pvd_.resize(kBlock);
    read_(pvd, pvd_.data(), kBlock);
    if (pvd_[0] != 1 || std::memcmp(&pvd_[1], "CD001", 5) != 0)
      throw DwError(DW_E_INTERNAL, "The built image has no primary volume descriptor");
    DirRecord root;
    root.bytes.assign(pvd_.begin() + 156, pvd_.begin() + 156 + 34);
    rootExtent_ = root.extent();
    enqueue(root, 0);
    // Folders in the order of their place in the image: the producer runs forwards.
    bool changed = false;
    while (!pending_.empty()) {
      auto next = pending_.extract(pending_.begin());
      changed = visit(next.mapped()) || changed;
    }
    if (changed) writePathTables();
    std::sort(patches_.begin(), patches_.end(), [](const ImagePatch& a, const ImagePatch& b) { return a.at < b.at; });
    return std::move(patches_);
  }

 private:
  struct Pending {
    DirRecord record;
    size_t pathLength = 0;
  };
  // What the path tables need of a folder: its sub-folders as they end up.
  struct SubFolder {
    uint32_t extent;
    uint8_t extAttr;
    std::string id;
  };
  struct Folder {
    uint8_t extAttr = 0;
    std::vector<SubFolder> subs;
  };

  size_t offsetOf(uint32_t block) const {
    if (block < start_) throw DwError(DW_E_INTERNAL, "A directory of the built image lies before its start");
    return size_t(block - start_) * kBlock;
  }

  // A folder is read once, from the first record that names it.
  void enqueue(const DirRecord& record, size_t pathLength) {
    const uint32_t extent = record.extent();
    if (folders_.count(extent) || pending_.count(extent)) return;
    pending_.emplace(extent, Pending{record, pathLength});
  }

  // Checks one folder and mends it where needed; true when it changed.
  bool visit(const Pending& entry) {
    PlainDir dir;
    dir.pathLength = entry.pathLength;
    dir.extent = entry.record.extent();
    dir.size = entry.record.size();
    dir.extAttrLength = entry.record.bytes[1];
    dir.at = offsetOf(dir.extent);
    Folder& folder = folders_[dir.extent];
    folder.extAttr = dir.extAttrLength;

    DirCheck check(dir.pathLength);
    size_t count = 0;
    std::string extending;  // the identifier of a file whose next extent follows
    records_.forEach(dir.at, dir.size, [&](const unsigned char* rec, uint8_t) {
      if (count++ < 2) return;  // "." and ".."
      const std::string id(rec + 33, rec + 33 + rec[32]);
      const bool isDir = rec[25] & 2;
      const bool later = !extending.empty() && id == extending;
      extending = !isDir && (rec[25] & kMultiExtent) ? id : std::string();
      if (later) return;  // the same file again
      check.add(id, isDir);
      if (isDir && dir.extent == rootExtent_ && rockRidgeName(rec, rec[0]) == std::make_pair(true, relocation_))
        check.markFaulty();
      if (!isDir) return;
      DirRecord child;
      child.bytes.assign(rec, rec + rec[0]);
      enqueue(child, dir.pathLength + id.size() + 1);
      folder.subs.push_back({child.extent(), rec[1], id});
    });
    if (count < 2) throw DwError(DW_E_INTERNAL, "A directory of the built image lacks its first records");
    if (!check.faulty()) return false;

    count = 0;
    records_.forEach(dir.at, dir.size, [&](const unsigned char* rec, uint8_t len) {
      // A record that continues the file before it stays with it through renames and sorting.
      if (count++ >= 3 && (dir.records.back().lastFlags() & kMultiExtent) && !(rec[25] & 2) &&
          dir.records.back().id() == std::string(rec + 33, rec + 33 + rec[32])) {
        dir.records.back().later.emplace_back(rec, rec + len);
        return;
      }
      DirRecord record;
      record.bytes.assign(rec, rec + len);
      dir.records.push_back(std::move(record));
    });
    auto before = [](const DirRecord& a, const DirRecord& b) { return idBefore(a.id(), b.id()); };
    const std::vector<DirRecord> original = dir.records;
    bool renamed = nameRelocationFolder(dir);
    renamed = namePlaceholders(dir) || renamed;
    renamed = renameRepeats(dir) || renamed;
    std::stable_sort(dir.records.begin() + 2, dir.records.end(), before);
    if (!layout(dir, nullptr)) {  // longer placeholder names may not fit; the rest only shrinks
      dir.records = original;
      renamed = nameRelocationFolder(dir);
      renamed = renameRepeats(dir) || renamed;
      std::stable_sort(dir.records.begin() + 2, dir.records.end(), before);
    }
    if (!renamed && dir.records == original) return false;
    folder.subs.clear();
    for (size_t r = 2; r < dir.records.size(); ++r) {
      const DirRecord& rec = dir.records[r];
      if (rec.isDir()) folder.subs.push_back({rec.extent(), rec.bytes[1], rec.id()});
    }
    store(dir);
    return true;
  }

  bool renameRepeats(PlainDir& dir) {
    std::set<std::string> taken;
    for (size_t i = 2; i < dir.records.size(); ++i) taken.insert(dir.records[i].id());
    std::set<std::string> kept;
    bool changed = false;
    // The image library keeps paths within 255 characters without the ";1" that ends a
    // file name; where that pushes a path over, the file's plain name gets shorter.
    for (size_t i = 2; i < dir.records.size(); ++i) {
      DirRecord& rec = dir.records[i];
      const std::string id = rec.id();
      if (rec.isDir() || id.find(';') == std::string::npos || dir.pathLength + id.size() <= kMaxPath) continue;
      const size_t excess = dir.pathLength + id.size() - kMaxPath;
      IdParts parts = idParts(id);
      if (parts.name.size() + parts.ext.size() <= excess)
        throw DwError(DW_E_INTERNAL, "The folders above \"" + id + "\" leave no room for its plain name");
      const size_t fromName = std::min(excess, parts.name.size() > 1 ? parts.name.size() - 1 : 0);
      parts.name.resize(parts.name.size() - fromName);
      parts.ext.resize(parts.ext.size() - (excess - fromName));
      std::string shorter = parts.name + "." + parts.ext + id.substr(id.find(';'));
      if (taken.count(shorter)) shorter = uniqueSameLength(shorter, taken);
      taken.insert(shorter);
      rec.setId(shorter);
      changed = true;
    }
    for (size_t i = 2; i < dir.records.size(); ++i) {
      DirRecord& rec = dir.records[i];
      if (kept.insert(rec.id()).second) continue;
      const std::string fresh = uniqueSameLength(rec.id(), taken);
      taken.insert(fresh);
      kept.insert(fresh);
      rec.setId(fresh);
      changed = true;
    }
    return changed;
  }

  // Lays the sorted records out again, a record never crossing a block boundary: fills
  // out (dir.size bytes) when given, and tells whether they fit the directory's extent.
  static bool layout(const PlainDir& dir, std::vector<unsigned char>* out) {
    size_t pos = 0;
    auto place = [&](const std::vector<unsigned char>& bytes) {
      if (pos % kBlock + bytes.size() > kBlock) pos = (pos / kBlock + 1) * kBlock;
      if (pos + bytes.size() > dir.size) return false;
      if (out) std::copy(bytes.begin(), bytes.end(), out->begin() + pos);
      pos += bytes.size();
      return true;
    };
    for (const auto& rec : dir.records) {
      if (!place(rec.bytes)) return false;
      for (const auto& more : rec.later)
        if (!place(more)) return false;
    }
    return true;
  }

  // Where the Rock Ridge name of a record lies in it: the NM entry of one piece, in the
  // system use area after the identifier. {found, offset of the name, its length}.
  static std::tuple<bool, size_t, size_t> nameEntry(const unsigned char* rec, size_t len) {
    size_t at = 33 + rec[32] + (rec[32] % 2 == 0 ? 1 : 0);
    while (at + 4 <= len && rec[at + 2] >= 4 && at + rec[at + 2] <= len) {
      if (rec[at] == 'N' && rec[at + 1] == 'M' && rec[at + 2] >= 5 && rec[at + 4] == 0)
        return {true, at + 5, size_t(rec[at + 2]) - 5};
      at += rec[at + 2];
    }
    return {false, 0, 0};
  }
  std::pair<bool, std::string> rockRidgeName(const unsigned char* rec, size_t len) const {
    auto [found, at, n] = nameEntry(rec, len);
    if (!found || relocation_.empty()) return {false, {}};
    return {true, std::string(rec + at, rec + at + n)};
  }

  // The relocation folder's Rock Ridge name becomes one that every reader knows.
  bool nameRelocationFolder(PlainDir& dir) {
    if (dir.extent != rootExtent_ || relocation_.empty()) return false;
    static const std::string known = ".rr_moved";
    for (size_t i = 2; i < dir.records.size(); ++i) {
      DirRecord& rec = dir.records[i];
      auto [found, at, n] = nameEntry(rec.bytes.data(), rec.bytes.size());
      if (!rec.isDir() || !found || std::string(rec.bytes.begin() + at, rec.bytes.begin() + at + n) != relocation_)
        continue;
      if (n != known.size()) throw DwError(DW_E_INTERNAL, "The relocation folder's name has the wrong length");
      std::copy(known.begin(), known.end(), rec.bytes.begin() + at);
      return true;
    }
    return false;
  }

  // A moved folder leaves a file record behind that points to it; the image library gives
  // that record the folder's name, which lacks the ".;1" every file name carries.
  bool namePlaceholders(PlainDir& dir) {
    std::set<std::string> taken;
    for (size_t i = 2; i < dir.records.size(); ++i) taken.insert(dir.records[i].id());
    bool changed = false;
    for (size_t i = 2; i < dir.records.size(); ++i) {
      DirRecord& rec = dir.records[i];
      const std::string id = rec.id();
      if (rec.isDir() || id.find(';') != std::string::npos) continue;
      std::string named = id.substr(0, std::min<size_t>(id.size(), kMaxFileName)) + ".;1";
      if (taken.count(named)) named = uniqueSameLength(named, taken);
      taken.insert(named);
      rec.setId(named);
      changed = true;
    }
    return changed;
  }

  void store(const PlainDir& dir) {
    ImagePatch patch{dir.at, std::vector<unsigned char>(dir.size, 0)};
    if (!layout(dir, &patch.bytes))
      throw DwError(DW_E_INTERNAL, "The renamed directory records no longer fit their directory");
    patches_.push_back(std::move(patch));
  }

  // Path tables list the folders by level, then parent number, then identifier; renaming
  // a folder may change that order, so both tables are built again from the folders.
  void writePathTables() {
    struct Entry {
      uint32_t extent;
      uint8_t extAttr;
      uint16_t parent;
      std::string id;
    };
    std::vector<Entry> entries{{rootExtent_, folders_.at(rootExtent_).extAttr, 1, std::string(1, '\0')}};
    std::set<uint32_t> listed{rootExtent_};
    for (size_t i = 0; i < entries.size(); ++i) {
      const Folder& folder = folders_.at(entries[i].extent);
      std::vector<const SubFolder*> subs;
      for (const SubFolder& sub : folder.subs) subs.push_back(&sub);
      std::stable_sort(subs.begin(), subs.end(),
                       [](const SubFolder* a, const SubFolder* b) { return idBefore(a->id, b->id); });
      for (const SubFolder* sub : subs) {
        if (!listed.insert(sub->extent).second || !folders_.count(sub->extent)) continue;
        if (i + 1 > 0xFFFF) throw DwError(DW_E_INTERNAL, "The image has more folders than its path table can hold");
        entries.push_back({sub->extent, sub->extAttr, uint16_t(i + 1), sub->id});
      }
    }
    const uint32_t tableSize = le32At(pvd_, 132);
    for (int slot = 0; slot < 4; ++slot) {
      const bool big = slot >= 2;
      const size_t field = 140 + 4 * slot;
      uint32_t block = big ? (uint32_t(pvd_[field]) << 24 | uint32_t(pvd_[field + 1]) << 16 |
                              uint32_t(pvd_[field + 2]) << 8 | pvd_[field + 3])
                           : le32At(pvd_, field);
      if (block == 0) continue;
      ImagePatch table{offsetOf(block), {}};
      for (const auto& e : entries) {
        size_t at = table.bytes.size();
        table.bytes.resize(at + 8 + e.id.size() + (e.id.size() % 2));
        table.bytes[at] = uint8_t(e.id.size());
        table.bytes[at + 1] = e.extAttr;
        put32(table.bytes, at + 2, e.extent, big);
        put16(table.bytes, at + 6, e.parent, big);
        std::copy(e.id.begin(), e.id.end(), table.bytes.begin() + at + 8);
      }
      if (table.bytes.size() != tableSize) throw DwError(DW_E_INTERNAL, "The rebuilt path table differs in size");
      if (table.at + tableSize > size_)
        throw DwError(DW_E_INTERNAL, "A directory of the built image lies past its end");
      patches_.push_back(std::move(table));
    }
  }

  const ImageReadAt& read_;
  RecordReader records_;
  uint64_t size_;
  uint32_t start_;
  std::vector<unsigned char> pvd_;  // the primary volume descriptor
  uint32_t rootExtent_ = 0;
  std::map<uint32_t, Pending> pending_;  // folders named but not read yet, by extent
  std::map<uint32_t, Folder> folders_;   // folders read, by extent
  std::vector<ImagePatch> patches_;
  std::string relocation_;  // the relocation folder's Rock Ridge name as the image library wrote it
};

}  // namespace

std::vector<ImagePatch> fixPlainView(const ImageReadAt& read, uint64_t imageSize, uint32_t startBlock,
                                     const std::string& relocationFolder) {
  return PlainViewFixer(read, imageSize, startBlock, relocationFolder).run();
}

}  // namespace discwright
