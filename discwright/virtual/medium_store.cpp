#include "virtual/medium_store.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "error.h"

namespace discwright {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::File;

namespace {

std::string reasonOf(const platform::SystemError& err) {
  std::string reason = err.text;
  if (err.diskFull) reason += ": the folder of the virtual media is full";
  return reason;
}

// Call at once after the failed call, before anything else can change the system's last error.
[[noreturn]] void fileError(const std::string& what, const std::string& path,
                            const platform::SystemError& err = platform::lastError()) {
  throw DwError(DW_E_IO, what + " \"" + path + "\": " + reasonOf(err), err.code);
}

// path/name, in the system's way of joining them.
std::string inFolder(const std::string& folder, const std::string& name) {
  return platform::utf8(platform::fsPath(folder) / platform::fsPath(name));
}

// A primary volume descriptor with the label, so that a written medium without
// content of its own still answers with its volume label.
std::vector<uint8_t> volumeDescriptors(const std::string& label, uint32_t volumeBlocks) {
  std::vector<uint8_t> pvd(2 * DISCWRIGHT_SECTOR_SIZE, 0);
  pvd[0] = 1;
  std::memcpy(&pvd[1], "CD001", 5);
  pvd[6] = 1;
  std::memset(&pvd[8], ' ', 32);
  std::memset(&pvd[40], ' ', 32);
  std::memcpy(&pvd[40], label.data(), std::min<size_t>(label.size(), 32));
  for (int i = 0; i < 4; ++i) {
    pvd[80 + i] = uint8_t(volumeBlocks >> (8 * i));        // both-endian block count
    pvd[87 - i] = uint8_t(volumeBlocks >> (8 * i));
  }
  pvd[120] = pvd[123] = 1;  // volume set size
  pvd[124] = pvd[127] = 1;  // volume sequence number
  pvd[128] = 0x00, pvd[129] = 0x08, pvd[130] = 0x08, pvd[131] = 0x00;  // block size 2048
  pvd[881] = 1;
  uint8_t* terminator = &pvd[DISCWRIGHT_SECTOR_SIZE];
  terminator[0] = 255;
  std::memcpy(&terminator[1], "CD001", 5);
  terminator[6] = 1;
  return pvd;
}

uint64_t blocksFor(uint64_t bytes) { return (bytes + DISCWRIGHT_SECTOR_SIZE - 1) / DISCWRIGHT_SECTOR_SIZE; }

// Everything of the configuration that shapes a new medium: when any of it
// changes, the saved medium no longer answers the configuration and is made anew.
std::string fingerprint(const MediumConfig& c) {
  return std::to_string(c.discType) + "/" + std::to_string(c.capacityBytes) + "/" + std::to_string(int(c.state)) +
         "/" + std::to_string(c.usedBytes) + "/" + c.contentFile + "/" + c.label;
}

const char* contentError = "The content file of a virtual medium";

const char* kindKey(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return "audio";
    case TrackKind::Mode1: return "mode1";
    case TrackKind::Mode2Raw: return "mode2_raw";
  }
  return "?";
}

std::string hexOf(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

json cdJson(const CdRecord& cd) {
  json tracks = json::array();
  for (const CdTrackRecord& t : cd.tracks)
    tracks.push_back({{"kind", kindKey(t.kind)}, {"pause", t.pause}, {"lead_blocks", t.leadBlocks},
                      {"postgap", t.postgap}, {"copy", t.copyPermitted}, {"pre_emphasis", t.preEmphasis},
                      {"isrc", t.isrc}});
  return {{"catalog", cd.catalog}, {"cd_text", hexOf(cd.cdText)}, {"tracks", tracks}};
}

// The content file opened for copying, after the checks; never blocks on a FIFO.
File openContent(const MediumConfig& config, uint64_t& size) {
  const std::string& path = config.contentFile;
  const std::string named = std::string(contentError) + " \"" + path + "\"";
  File file;
  if (!file.open(path, File::Access::Read))
    throw DwError(DW_E_CONFIG, named + " cannot be read: " + platform::lastErrorText());
  platform::FileInfo info;
  if (!file.info(info)) throw DwError(DW_E_CONFIG, named + " cannot be examined: " + platform::lastErrorText());
  using platform::FileKind;
  if (info.kind != FileKind::Regular)
    throw DwError(DW_E_CONFIG, named + " is not a regular file (" +
                                   (info.kind == FileKind::Folder   ? "a folder"
                                    : info.kind == FileKind::Pipe   ? "a pipe"
                                    : info.kind == FileKind::Device ? "a device"
                                                                    : "a socket or other special file") +
                                   "): name a file that holds the medium's bytes");
  size = info.size;
  if (size > config.capacityBytes)
    throw DwError(DW_E_CONFIG, named + " (" + std::to_string(size) + " bytes) is larger than the medium's capacity of " +
                                   std::to_string(config.capacityBytes) + " bytes");
  return file;
}

// Writes all of data at offset; false with the system's last error when it cannot.
bool writeAll(File& file, uint64_t offset, const char* data, size_t size) {
  while (size > 0) {
    int64_t n = file.writeAt(offset, data, size);
    if (n < 0) return false;
    data += n;
    offset += uint64_t(n);
    size -= size_t(n);
  }
  return true;
}

// Writes all of text to path through a file beside it that is renamed over, so
// that a crash never leaves half a file; the beside file never stays behind.
void writeReplacing(const std::string& path, const std::string& text, bool durable) {
  const std::string what = "Cannot save the medium layout";
  std::string temp = path + ".tmp";
  File out;
  auto fail = [&] {
    platform::SystemError err = platform::lastError();
    out.close();
    std::error_code ignored;  // the failure reported is the one above
    fs::remove(platform::fsPath(temp), ignored);
    fileError(what, path, err);
  };
  if (!out.open(temp, File::Access::CreateEmpty)) fileError(what, path);
  if (!writeAll(out, 0, text.data(), text.size())) fail();
  if (durable && !out.sync()) fail();
  if (!out.close()) fail();
  // Durable: the rename itself lasts, so a crash cannot bring back the old
  // layout over a medium already written.
  if (!platform::replaceFile(temp, path, durable)) fail();
}

}  // namespace

void createStateFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(platform::fsPath(folder), ec);
  if (ec)
    throw DwError(DW_E_CONFIG, "Cannot create the state folder \"" + folder + "\" of the virtual media: " +
                                   ec.message());
}

MediumStore::MediumStore(const std::string& folder, const std::string& recorderName) : recorderName_(recorderName) {
  backingPath_ = inFolder(folder, recorderName + ".medium");
  layoutPath_ = backingPath_ + ".json";
}

MediumStore::~MediumStore() = default;

void MediumStore::openBacking(bool truncate) {
  if (!file_.open(backingPath_, truncate ? File::Access::CreateEmpty : File::Access::Create))
    fileError("Cannot open the medium file", backingPath_);
}

void MediumStore::damaged(const std::string& why) const {
  throw DwError(DW_E_IO,
                "The stored medium of " + recorderName_ + " is damaged: " + why + ". Remove \"" + layoutPath_ +
                    "\" and \"" + backingPath_ + "\" to start with a new medium",
                sense(0x03, 0x31, 0x00));
}

MediumLayout MediumStore::load(const MediumConfig& config) {
  std::string text;
  {
    File in;
    if (!in.open(layoutPath_, File::Access::Read)) {
      platform::SystemError err = platform::lastError();
      if (err.notFound) return create(config);
      fileError("Cannot read the medium layout", layoutPath_, err);
    }
    char buffer[4096];
    for (;;) {
      int64_t n = in.readAt(text.size(), buffer, sizeof buffer);
      if (n < 0) fileError("Cannot read the medium layout", layoutPath_);
      if (n == 0) break;
      text.append(buffer, size_t(n));
    }
  }
  Unfinished unfinished;
  bool configChanged = false;
  MediumLayout m = parse(text, config, unfinished, configChanged);
  if (configChanged) return create(config);
  const std::optional<uint32_t>& writingAt = unfinished.writingAt;

  platform::FileInfo info;
  {
    File backing;
    if (!backing.open(backingPath_, File::Access::Read) || !backing.info(info))
      damaged("its medium file \"" + backingPath_ + "\" cannot be found (" + platform::lastErrorText() + ")");
  }
  if (info.kind != platform::FileKind::Regular)
    damaged("its medium file \"" + backingPath_ + "\" is not a regular file");
  uint64_t size = info.size;
  // The last recorded block must hold at least its first byte. An erase that
  // broke off may have emptied the file already.
  if (!unfinished.erasing && !m.tracks.empty() && size <= uint64_t(m.recordedEnd() - 1) * DISCWRIGHT_SECTOR_SIZE)
    damaged("its medium file \"" + backingPath_ + "\" holds " + std::to_string(size) + " bytes, fewer than the " +
            std::to_string(m.recordedEnd()) + " blocks of its tracks need");
  fingerprint_ = fingerprint(config);
  openBacking(false);
  if (unfinished.erasing) {
    // The process died while erasing: part of the disc may be gone, so it reads
    // as one unfinished session over what the file still holds (at least one
    // block), as a cancelled erase does.
    uint64_t blocks = std::clamp<uint64_t>(std::min<uint64_t>(m.recordedEnd(), blocksFor(size)), 1, m.capacityBlocks);
    m.tracks = {{0, uint32_t(blocks), 1, true}};
    m.cd.reset();
    m.closedSessions = 0;
    m.sessionOpen = true;
    m.openSessionMulti = false;
    m.finalized = false;
    try {
      if (size < blocks * DISCWRIGHT_SECTOR_SIZE && !file_.truncate(blocks * DISCWRIGHT_SECTOR_SIZE))
        fileError("Cannot size the medium file", backingPath_);
      save(m);
    } catch (const DwError&) {
      // As below: the record still says an erase began, which gives this answer again.
    }
  } else if (writingAt && unfinished.growing) {
    // Files were being added to an overwritable disc: what reached the file past the old
    // end is referenced by no volume until the descriptors at block 16 are replaced, which
    // is written last. The disc keeps the volume its block 16 describes.
    uint64_t blocks = std::clamp<uint64_t>(std::max<uint64_t>(m.recordedEnd(), blocksFor(size)), 1, m.capacityBlocks);
    m.tracks = {{0, uint32_t(blocks), 1}};
    try {
      save(m);
    } catch (const DwError&) {
      // As below: the record still says a write began, which gives this answer again.
    }
  } else if (writingAt) {
    // The process that wrote has gone without recording the end: the medium
    // holds what reached its file, at least one block, in an unfinished session.
    const uint64_t stride = unfinished.raw ? kRawSectorBytes : DISCWRIGHT_SECTOR_SIZE;
    uint64_t base = uint64_t(*writingAt) * stride;
    uint64_t blocks = size > base ? (size - base + stride - 1) / stride : 0;
    blocks = std::clamp<uint64_t>(blocks, 1, m.capacityBlocks - *writingAt);
    m.tracks.push_back({*writingAt, uint32_t(blocks), uint16_t(m.closedSessions + 1), true});
    // An audio CD's tracks cannot be told apart without its record: what reached the
    // medium reads as one broken-off audio track.
    if (unfinished.raw) m.cd = CdRecord{{CdTrackRecord{TrackKind::Audio, false, false, kLeadInPauseBlocks, 0, 0, {}}}, {}, {}};
    m.sessionOpen = true;
    m.openSessionMulti = false;
    try {
      save(m);
    } catch (const DwError&) {
      // A full folder: the stored record still says a write began, which gives
      // this same answer next time; the next write reports the full folder.
    }
  }
  return m;
}

MediumLayout MediumStore::parse(const std::string& text, const MediumConfig& config, Unfinished& unfinished,
                                bool& configChanged) const {
  json j;
  if (nestedDeeperThan(text, kMaxJsonDepth))
    damaged("\"" + layoutPath_ + "\" nests lists or objects deeper than " + std::to_string(kMaxJsonDepth) + " levels");
  try {
    j = json::parse(text);
  } catch (const json::parse_error& e) {
    damaged("\"" + layoutPath_ + "\" is not valid JSON (byte " + std::to_string(e.byte) + ")");
  }
  auto where = [&](const std::string& key) { return "\"" + layoutPath_ + "\": \"" + key + "\""; };
  if (!j.is_object()) damaged("\"" + layoutPath_ + "\" does not hold a JSON object");
  auto fp = j.find("fingerprint");
  if (fp == j.end() || !fp->is_string()) damaged(where("fingerprint") + " is missing or not a text");
  if (fp->get<std::string>() != fingerprint(config)) {
    configChanged = true;
    return {};
  }
  auto number = [&](const json& v, const std::string& name, uint64_t max) -> uint64_t {
    if (!v.is_number_unsigned() || v.get<uint64_t>() > max)
      damaged(where(name) + " must be a whole number from 0 to " + std::to_string(max));
    return v.get<uint64_t>();
  };
  auto field = [&](const char* key) -> const json& {
    auto it = j.find(key);
    if (it == j.end()) damaged(where(key) + " is missing");
    return *it;
  };
  auto flag = [&](const char* key) {
    const json& v = field(key);
    if (!v.is_boolean()) damaged(where(key) + " must be true or false");
    return v.get<bool>();
  };

  MediumLayout m;
  uint64_t type = number(field("disc_type"), "disc_type", 255);
  if (type > DISC_TYPE_HDDVDRW || type == DISC_TYPE_NO_MEDIA)
    damaged(where("disc_type") + " is " + std::to_string(type) + ", not a known kind of disc");
  if (type != config.discType)
    damaged(where("disc_type") + " is " + std::to_string(type) + ", but the configuration names kind " +
            std::to_string(config.discType));
  m.discType = uint8_t(type);
  m.capacityBlocks = uint32_t(number(field("capacity_blocks"), "capacity_blocks", UINT32_MAX));
  if (m.capacityBlocks != config.capacityBytes / DISCWRIGHT_SECTOR_SIZE)
    damaged(where("capacity_blocks") + " is " + std::to_string(m.capacityBlocks) + ", but the configured capacity is " +
            std::to_string(config.capacityBytes / DISCWRIGHT_SECTOR_SIZE) + " blocks");
  m.closedSessions = uint16_t(number(field("closed_sessions"), "closed_sessions", 99));
  m.sessionOpen = flag("session_open");
  m.openSessionMulti = flag("open_session_multi");
  m.finalized = flag("finalized");

  const json& tracks = field("tracks");
  if (!tracks.is_array() || tracks.size() > 99) damaged(where("tracks") + " must be a list of at most 99 tracks");
  uint64_t next = 0;
  uint16_t session = 1;
  for (size_t i = 0; i < tracks.size(); ++i) {
    std::string name = "tracks[" + std::to_string(i) + "]";
    const json& t = tracks[i];
    // The fourth element came later: layouts saved before it have three.
    if (!t.is_array() || t.size() < 3 || t.size() > 4)
      damaged(where(name) + " must be [first block, blocks, session] or [first block, blocks, session, damaged]");
    uint64_t start = number(t[0], name + "[0]", UINT32_MAX);
    uint64_t blocks = number(t[1], name + "[1]", UINT32_MAX);
    uint64_t s = number(t[2], name + "[2]", 99);
    if (t.size() == 4 && !t[3].is_boolean()) damaged(where(name + "[3]") + " must be true or false");
    if (blocks == 0) damaged(where(name) + " has no blocks");
    uint64_t expected = i == 0 ? 1 : session;
    if (s != expected && !(i > 0 && s == expected + 1))
      damaged(where(name) + " belongs to session " + std::to_string(s) + " after session " +
              std::to_string(i == 0 ? 0 : session) + ": sessions are numbered 1, 2, ... in order");
    // A session begins after the gap its predecessor left, or (as layouts saved before the gap) without one.
    uint64_t gapped = next + (i > 0 && s != session ? sessionGap(m.discType, session) : 0);
    if (start != next && start != gapped)
      damaged(where(name) + " starts at block " + std::to_string(start) + " instead of " + std::to_string(gapped) +
              ": the tracks must follow each other without overlap, and a session only after its predecessor's "
              "lead-out and lead-in");
    if (start + blocks > m.capacityBlocks)
      damaged(where(name) + " ends at block " + std::to_string(start + blocks) + ", beyond the capacity of " +
              std::to_string(m.capacityBlocks) + " blocks");
    session = uint16_t(s);
    next = start + blocks;
    m.tracks.push_back({uint32_t(start), uint32_t(blocks), uint16_t(s), t.size() == 4 && t[3].get<bool>()});
  }
  if (m.tracks.empty() ? (m.closedSessions != 0 || m.sessionOpen || m.finalized)
                       : session != m.sessionCount())
    damaged("\"" + layoutPath_ + "\": its " + std::to_string(m.tracks.size()) + " tracks in " +
            std::to_string(m.tracks.empty() ? 0 : session) + " sessions do not match closed_sessions " +
            std::to_string(m.closedSessions) + " and session_open " + (m.sessionOpen ? "true" : "false"));
  if (m.finalized && m.sessionOpen) damaged("\"" + layoutPath_ + "\": a finalized disc cannot have an open session");
  // Layouts saved before audio CDs have no "cd": their discs hold data tracks only.
  if (auto c = j.find("cd"); c != j.end()) m.cd = parseCd(*c, m);

  if (auto w = j.find("writing"); w != j.end()) {
    if (!w->is_object() || !w->contains("start")) damaged(where("writing") + " must be {\"start\": block}");
    uint64_t start = number(w->at("start"), "writing.start", UINT32_MAX);
    if (auto g = w->find("grow"); g != w->end()) {
      if (!g->is_boolean()) damaged(where("writing.grow") + " must be true or false");
      unfinished.growing = g->get<bool>();
    }
    if (unfinished.growing && !isOverwritableKind(m.discType))
      damaged(where("writing.grow") + " is recorded for a disc kind that is not overwritable");
    // Layouts saved before the gap recorded a write at the end of the last track. A disc
    // that grows is written after its volume, which the layout does not record.
    if (unfinished.growing ? start >= m.capacityBlocks
                           : (start != m.nextWritable() && start != m.recordedEnd()) || m.finalized || start >= m.capacityBlocks)
      damaged(where("writing") + " names block " + std::to_string(start) + ", but the next writable block is " +
              (m.finalized ? std::string("none (the disc is finalized)") : std::to_string(m.nextWritable())));
    if (auto r = w->find("raw"); r != w->end()) {
      if (!r->is_boolean() || (r->get<bool>() && !m.tracks.empty()))
        damaged(where("writing.raw") + " must be true or false, and true only on a blank disc");
      unfinished.raw = r->get<bool>();
    }
    unfinished.writingAt = uint32_t(start);
  }
  if (auto e = j.find("erasing"); e != j.end()) {
    if (!e->is_boolean()) damaged(where("erasing") + " must be true or false");
    if (unfinished.writingAt && e->get<bool>()) damaged(where("erasing") + " and \"writing\" cannot both be recorded");
    unfinished.erasing = e->get<bool>();
  }
  return m;
}

CdRecord MediumStore::parseCd(const json& c, const MediumLayout& m) const {
  auto where = [&](const std::string& key) { return "\"" + layoutPath_ + "\": \"cd." + key + "\""; };
  if (!c.is_object()) damaged(where("") + " must be an object");
  auto text = [&](const json& o, const char* key, const std::string& name, size_t max) {
    auto it = o.find(key);
    if (it == o.end() || !it->is_string() || it->get<std::string>().size() > max)
      damaged(where(name) + " must be a text of at most " + std::to_string(max) + " characters");
    return it->get<std::string>();
  };
  auto number = [&](const json& o, const char* key, const std::string& name) -> uint32_t {
    auto it = o.find(key);
    if (it == o.end() || !it->is_number_unsigned() || it->get<uint64_t>() > m.capacityBlocks + 150ull)
      damaged(where(name) + " must be a whole number of blocks within the disc");
    return uint32_t(it->get<uint64_t>());
  };
  auto flag = [&](const json& o, const char* key, const std::string& name) {
    auto it = o.find(key);
    if (it == o.end() || !it->is_boolean()) damaged(where(name) + " must be true or false");
    return it->get<bool>();
  };
  CdRecord cd;
  cd.catalog = text(c, "catalog", "catalog", 13);
  const std::string packs = text(c, "cd_text", "cd_text", 2 * 18 * 2048);
  if (packs.size() % 36 != 0 || packs.find_first_not_of("0123456789abcdef") != std::string::npos)
    damaged(where("cd_text") + " must be whole 18-byte packs in hexadecimal digits");
  for (size_t i = 0; i < packs.size(); i += 2) cd.cdText.push_back(uint8_t(std::stoul(packs.substr(i, 2), nullptr, 16)));
  auto tracks = c.find("tracks");
  if (tracks == c.end() || !tracks->is_array() || tracks->size() != m.tracks.size())
    damaged(where("tracks") + " must list the disc's " + std::to_string(m.tracks.size()) + " tracks");
  for (size_t i = 0; i < tracks->size(); ++i) {
    const json& t = (*tracks)[i];
    const std::string name = "tracks[" + std::to_string(i) + "]";
    if (!t.is_object()) damaged(where(name) + " must be an object");
    CdTrackRecord r;
    const std::string kind = text(t, "kind", name + ".kind", 16);
    if (kind == "audio") r.kind = TrackKind::Audio;
    else if (kind == "mode1") r.kind = TrackKind::Mode1;
    else if (kind == "mode2_raw") r.kind = TrackKind::Mode2Raw;
    else damaged(where(name + ".kind") + " must be \"audio\", \"mode1\" or \"mode2_raw\"");
    r.pause = number(t, "pause", name + ".pause");
    r.leadBlocks = number(t, "lead_blocks", name + ".lead_blocks");
    if (r.leadBlocks > m.tracks[i].blocks) damaged(where(name + ".lead_blocks") + " lies beyond the track's end");
    r.postgap = number(t, "postgap", name + ".postgap");
    r.copyPermitted = flag(t, "copy", name + ".copy");
    r.preEmphasis = flag(t, "pre_emphasis", name + ".pre_emphasis");
    r.isrc = text(t, "isrc", name + ".isrc", 12);
    cd.tracks.push_back(std::move(r));
  }
  return cd;
}

MediumLayout MediumStore::create(const MediumConfig& config, bool durable) {
  MediumLayout m;
  m.discType = config.discType;
  m.capacityBlocks = uint32_t(config.capacityBytes / DISCWRIGHT_SECTOR_SIZE);
  // Checked before the medium file is touched, so a refused content file costs nothing.
  uint64_t contentSize = 0;
  File content = config.state != MediumState::Blank && !config.contentFile.empty()
                     ? openContent(config, contentSize)
                     : File();
  fingerprint_ = fingerprint(config);
  openBacking(true);
  if (config.state != MediumState::Blank) {
    uint64_t bytes = config.usedBytes;
    if (content.isOpen()) {
      std::vector<char> buffer(1 << 20);
      bytes = 0;
      while (bytes < contentSize) {
        int64_t n = content.readAt(bytes, buffer.data(), size_t(std::min<uint64_t>(buffer.size(), contentSize - bytes)));
        if (n < 0) fileError("Cannot read the content file of a virtual medium", config.contentFile);
        if (n == 0) break;  // it shrank meanwhile: what was there is the track
        write(bytes, buffer.data(), size_t(n));
        bytes += uint64_t(n);
      }
    } else {
      auto pvd = volumeDescriptors(config.label, uint32_t(blocksFor(bytes)));
      write(16ull * DISCWRIGHT_SECTOR_SIZE, pvd.data(), pvd.size());
    }
    if (blocksFor(bytes) > m.capacityBlocks)
      throw DwError(DW_E_CONFIG, "The content of the virtual medium (" + std::to_string(bytes) +
                                     " bytes) is larger than its capacity");
    uint32_t blocks = std::max<uint32_t>(1, uint32_t(blocksFor(bytes)));
    // Whole blocks in the file (sparse): the layout check expects the last block there.
    if (!file_.truncate(uint64_t(blocks) * DISCWRIGHT_SECTOR_SIZE))
      fileError("Cannot size the medium file", backingPath_);
    m.tracks.push_back({0, blocks, 1});
    m.closedSessions = 1;
    m.finalized = config.state == MediumState::Complete;
  }
  save(m, durable);
  return m;
}

void MediumStore::beginWrite(const MediumLayout& m, bool grow, bool raw) {
  saveText(m, {m.nextWritable(), grow, false, raw}, true);
}

void MediumStore::beginErase(const MediumLayout& m) { saveText(m, {std::nullopt, false, true}, true); }

void MediumStore::save(const MediumLayout& m, bool durable) { saveText(m, {}, durable); }

void MediumStore::saveText(const MediumLayout& m, const Unfinished& unfinished, bool durable) {
  json j;
  // Read back by load(): the fingerprint ties the saved medium to its configuration.
  j["fingerprint"] = fingerprint_;
  j["disc_type"] = m.discType;
  j["capacity_blocks"] = m.capacityBlocks;
  j["tracks"] = json::array();
  // Three elements where they say all: older readers still take such a layout.
  for (const auto& t : m.tracks)
    j["tracks"].push_back(t.damaged ? json{t.start, t.blocks, t.session, true} : json{t.start, t.blocks, t.session});
  j["closed_sessions"] = m.closedSessions;
  j["session_open"] = m.sessionOpen;
  j["open_session_multi"] = m.openSessionMulti;
  j["finalized"] = m.finalized;
  if (m.cd) j["cd"] = cdJson(*m.cd);
  if (unfinished.writingAt) j["writing"] = {{"start", *unfinished.writingAt}};
  if (unfinished.writingAt && unfinished.growing) j["writing"]["grow"] = true;
  if (unfinished.writingAt && unfinished.raw) j["writing"]["raw"] = true;
  if (unfinished.erasing) j["erasing"] = true;
  writeReplacing(layoutPath_, j.dump(2) + "\n", durable);
}

void MediumStore::write(uint64_t offset, const void* data, size_t size) {
  if (!writeAll(file_, offset, static_cast<const char*>(data), size))
    fileError("Cannot write the medium file", backingPath_);
}

void MediumStore::read(uint64_t offset, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    int64_t n = file_.readAt(offset, p, size);
    if (n < 0) fileError("Cannot read the medium file", backingPath_);
    if (n == 0) {  // a sparse tail that was never written reads as zeros
      std::memset(p, 0, size);
      return;
    }
    p += n;
    offset += uint64_t(n);
    size -= size_t(n);
  }
}

void MediumStore::clear() {
  if (!file_.truncate(0)) fileError("Cannot erase the medium file", backingPath_);
}

uint64_t MediumStore::fileSize() const {
  platform::FileInfo info;
  return file_.isOpen() && file_.info(info) ? info.size : 0;
}

// ---- RecorderLock --------------------------------------------------------------

RecorderLock::RecorderLock(const std::string& stateFolder, const std::string& recorderName)
    : path_(inFolder(stateFolder, recorderName + ".lock")), name_(recorderName) {}

RecorderLock::~RecorderLock() = default;  // closing the file also lets go of the lock

bool RecorderLock::tryLock() {
  if (held_) return true;
  if (!file_.isOpen() && !file_.open(path_, File::Access::Create))
    fileError("Cannot open the lock file of " + name_, path_);
  switch (file_.tryLock()) {
    case File::Lock::Taken: break;
    case File::Lock::Busy: return false;
    case File::Lock::Failed: fileError("Cannot lock " + name_ + " through", path_);
  }
  held_ = true;
  // Only for the message another process shows; the lock itself is the file lock.
  std::string pid = std::to_string(platform::processId()) + "\n";
  if (file_.truncate(0) && file_.writeAt(0, pid.data(), pid.size()) < 0) {
    // The message then goes without the process number.
  }
  return true;
}

void RecorderLock::lock(std::chrono::milliseconds patience) {
  auto until = std::chrono::steady_clock::now() + patience;
  // A short look by another process (a device scan) ends within this, a burn does not.
  while (!tryLock()) {
    if (std::chrono::steady_clock::now() >= until) {
      char text[32] = {};
      int64_t n = file_.readAt(0, text, sizeof text - 1);
      long pid = n > 0 ? std::strtol(text, nullptr, 10) : 0;
      throw DwError(DW_E_BUSY,
                    "The drive " + name_ + " is in use by another program" +
                        (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string()) +
                        ": try again when it has finished",
                    sense(0x02, 0x04, 0x08));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void RecorderLock::unlock() {
  if (!held_) return;
  held_ = false;
  file_.unlock();
}

// ---- ProcessMediaFolder -----------------------------------------------------------

namespace {
constexpr const char* kOwnPrefix = "fresh-";          // fresh-<pid>-XXXXXX: a live process's media
constexpr const char* kNewPrefix = ".fresh-new-";     // being set up, not yet locked
}  // namespace

std::shared_ptr<ProcessMediaFolder> ProcessMediaFolder::make(const std::string& stateFolder) {
  // Made under a name the clean-up passes by, locked, then renamed: a folder
  // under its final name is always locked while its process lives.
  std::string made = platform::makeUniqueFolder(inFolder(stateFolder, kNewPrefix));
  if (made.empty()) fileError("Cannot create a folder for the fresh media in", stateFolder);
  platform::FolderClaim claim;
  std::error_code ignored;  // the failure reported is the claim's or the rename's
  if (!claim.tryClaim(made)) {
    platform::SystemError err = platform::lastError();
    fs::remove(platform::fsPath(made), ignored);
    fileError("Cannot lock the folder of the fresh media", made, err);
  }
  std::string final = inFolder(stateFolder, kOwnPrefix + std::to_string(platform::processId()) + "-" +
                                                made.substr(made.size() - 6));
  if (!platform::replaceFile(made, final, false)) {
    platform::SystemError err = platform::lastError();
    claim.release();
    fs::remove(platform::fsPath(made), ignored);
    fileError("Cannot set up the folder of the fresh media", final, err);
  }
  return std::shared_ptr<ProcessMediaFolder>(new ProcessMediaFolder(final, std::move(claim)));
}

ProcessMediaFolder::~ProcessMediaFolder() {
  // A forked child that exits without exec runs this too: the folder is not its own.
  if (platform::processId() == owner_) {
    std::error_code ec;
    fs::remove_all(platform::fsPath(path_), ec);  // nothing to report to at shut-down; the next start removes it
  }
}

void ProcessMediaFolder::removeLeftovers(const std::string& stateFolder) {
  // Advanced with an error code: the range-for's ++ throws when the folder
  // cannot be read on, and a clean-up must not stop the start.
  std::error_code step, ec;
  for (fs::directory_iterator it(platform::fsPath(stateFolder), step), end; !step && it != end; it.increment(step)) {
    const fs::directory_entry& entry = *it;
    std::string name = platform::utf8(entry.path().filename());
    bool own = name.rfind(kOwnPrefix, 0) == 0;
    bool unfinished = name.rfind(kNewPrefix, 0) == 0;
    if ((!own && !unfinished) || !entry.is_directory(ec)) continue;
    if (unfinished) {
      // Locked within microseconds of being made: one older than a minute was left by a crash.
      auto age = fs::file_time_type::clock::now() - fs::last_write_time(entry.path(), ec);
      if (ec || age < std::chrono::minutes(1)) continue;
    }
    platform::FolderClaim claim;
    if (!claim.tryClaim(platform::utf8(entry.path()))) continue;  // its process still lives
    fs::remove_all(entry.path(), ec);
  }
}

}  // namespace discwright
