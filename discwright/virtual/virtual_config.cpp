#include "virtual/virtual_config.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <cerrno>
#include <cstring>

#include <nlohmann/json.hpp>

#include "error.h"
#include "media_records.h"

namespace discwright {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct ConfigError {
  std::string where;
  std::string what;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw ConfigError{where, what}; }

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string at(const std::string& where, const std::string& key) { return where.empty() ? key : where + "." + key; }

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// " (did you mean "x"?)" for a near miss, else the list of what is known: a
// misspelt key or operation would otherwise do nothing at all, silently.
std::string hint(const std::string& given, const std::vector<std::string>& known, const char* listName) {
  const std::string wanted = lower(given);
  const std::string* best = nullptr;
  size_t bestDistance = SIZE_MAX;
  for (const auto& k : known) {
    size_t d = editDistance(wanted, lower(k));
    if (d < bestDistance) bestDistance = d, best = &k;
  }
  if (best && bestDistance <= std::max<size_t>(2, best->size() / 3)) return " (did you mean \"" + *best + "\"?)";
  for (const auto& k : known)  // "capacity" for "capacity_bytes"
    if (wanted.size() >= 4 && lower(k).find(wanted) != std::string::npos) return " (did you mean \"" + k + "\"?)";
  return " (" + std::string(listName) + ": " + joined(known) + ")";
}

// Refuses every key of obj that is not in known.
void onlyKeys(const json& obj, const std::string& where, const std::vector<std::string>& known) {
  for (const auto& [key, value] : obj.items())
    if (std::find(known.begin(), known.end(), key) == known.end())
      fail(at(where, key), "unknown key" + hint(key, known, "known keys"));
}

const json* find(const json& obj, const char* key) {
  auto it = obj.find(key);
  return it == obj.end() ? nullptr : &*it;
}

// An object entry; a missing one reads as an empty object.
const json& object(const json& obj, const char* key, const std::string& where, const char* expected) {
  static const json empty = json::object();
  const json* v = find(obj, key);
  if (!v) return empty;
  if (!v->is_object()) fail(at(where, key), std::string("expected ") + expected + ", not " + v->dump());
  return *v;
}

// A whole number from min to max. 2048.0 or 4.7e9 are whole numbers too.
uint64_t whole(const json& v, const std::string& where, uint64_t min, uint64_t max) {
  std::optional<uint64_t> n;
  if (v.is_number_unsigned()) {
    n = v.get<uint64_t>();
  } else if (v.is_number_float()) {
    double d = v.get<double>();
    if (std::isfinite(d) && d == std::floor(d) && d >= 0 && d <= double(max)) n = uint64_t(d);
  }
  if (!n || *n < min || *n > max)
    fail(where, "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max) + ", not " +
                    v.dump());
  return *n;
}

uint64_t number(const json& obj, const char* key, uint64_t fallback, const std::string& where, uint64_t min,
                uint64_t max) {
  const json* v = find(obj, key);
  return v ? whole(*v, at(where, key), min, max) : fallback;
}

// A text of at most maxBytes bytes; longer ones would be cut where they are reported.
std::string text(const json& obj, const char* key, const std::string& fallback, const std::string& where,
                 size_t maxBytes = DISCWRIGHT_TEXT_SIZE - 1) {
  const json* v = find(obj, key);
  if (!v) return fallback;
  if (!v->is_string()) fail(at(where, key), "expected a text, not " + v->dump());
  std::string s = v->get<std::string>();
  if (s.size() > maxBytes)
    fail(at(where, key), "the text is " + std::to_string(s.size()) + " bytes long, at most " +
                             std::to_string(maxBytes) + " are allowed");
  return s;
}

bool flag(const json& obj, const char* key, bool fallback, const std::string& where) {
  const json* v = find(obj, key);
  if (!v) return fallback;
  if (!v->is_boolean()) fail(at(where, key), "expected true or false, not " + v->dump());
  return v->get<bool>();
}

const std::map<std::string, uint8_t>& discTypeNames() {
  static const std::map<std::string, uint8_t> names = {
      {"unknown", DISC_TYPE_UNKNOWN},   {"cd-rom", DISC_TYPE_CDROM},         {"cd-r", DISC_TYPE_CDR},
      {"cd-rw", DISC_TYPE_CDRW},        {"dvd-rom", DISC_TYPE_DVDROM},       {"dvd-r", DISC_TYPE_DVDR},
      {"dvd-ram", DISC_TYPE_DVDRAM},    {"dvd-rw-ro", DISC_TYPE_DVDRWRO},    {"dvd-rw", DISC_TYPE_DVDRWSR},
      {"dvd-rw-sr", DISC_TYPE_DVDRWSR}, {"dvd+rw", DISC_TYPE_DVDPLUSRW},     {"ddcd-rom", DISC_TYPE_DDCDROM},
      {"ddcd-r", DISC_TYPE_DDCDR},      {"ddcd-rw", DISC_TYPE_DDCDRW},       {"dvd+r", DISC_TYPE_DVDPLUSR},
      {"dvd+r-dl", DISC_TYPE_DVDPLUSR_DL}, {"dvd-r-dl", DISC_TYPE_DVDR_DL},  {"bd-r", DISC_TYPE_BDR},
      {"bd-re", DISC_TYPE_BDRE},        {"hd-dvd-rom", DISC_TYPE_HDDVDROM},  {"hd-dvd-r", DISC_TYPE_HDDVDR},
      {"hd-dvd-rw", DISC_TYPE_HDDVDRW}};
  return names;
}

// The calls that check for an injected fault, by name without "Discwright_CdvdBurnerGrabber_".
// Cancel is missing on purpose: it cannot fail, so a fault for it would never show.
const std::vector<std::string>& operationNames() {
  static const std::vector<std::string> names = {
      "Create",          "CreateEx",         "Release",         "TestUnitReady",           "GetDeviceInformation",
      "GetSupportedMediaFormats", "GetSupportedMediaFormatsExEx", "ProbeSupportedWriteModes",
      "ProbeSupportedReadModes",  "GetInsertedDiscType", "GetDiscInformation", "GetTrackInformation",
      "GetTOCInformation", "GetSessionInformation", "GetDiscFreeSpace", "GetDiscUsedSpace", "GetRPC",     "GetSpeeds",
      "SetSpeeds",       "GetBUP",           "SetBUP",          "Lock",                    "Eject",
      "CloseTray",       "CloseSession",     "SendOPC",         "ReadSectors",             "TrackAtOnceFromFile",
      "TrackAtOnceFromTree", "SessionAtOnce", "DiscAtOncePQFromFile", "DiscAtOncePQFromTree",
      "DiscAtOnceRawPWFromFile", "DiscAtOnceRawPWFromTree", "Erase", "BurnLayout", "VerifyLayout",
      "ReadRawSectors", "ReadToCueSheet"};
  return names;
}

// Burns and media never go beyond this (a four-layer BD holds 128 GB), so a
// larger capacity or fault position is a mistake.
constexpr uint64_t kMaxBytes = uint64_t(1) << 37;
constexpr uint64_t kMaxSpeed = 0xFFFE;  // 0xFFFF is the request for the maximum speed
// 16x BD (16 x 4495 KB/s) does not fit 16 bits; the request for the maximum is
// told apart by the recorder, so a BD speed may pass 0xFFFF.
constexpr uint64_t kMaxBdSpeed = 71'920;
// A higher device number could never be reached by name; no more recorders than names.
constexpr int kMaxRecorders = DISCWRIGHT_LAST_DEVICE_NUMBER + 1;

template <size_t N>
std::array<bool, N> flagList(const json& obj, const char* key, const std::vector<std::string>& names,
                             const std::string& where) {
  std::array<bool, N> flags{};
  const json* value = find(obj, key);
  if (!value) return flags;
  std::string w = at(where, key);
  if (!value->is_array()) fail(w, "expected a list of names, not " + value->dump());
  for (size_t i = 0; i < value->size(); ++i) {
    const json& item = (*value)[i];
    std::string wi = w + "[" + std::to_string(i) + "]";
    if (!item.is_string()) fail(wi, "expected a name, not " + item.dump());
    auto it = std::find(names.begin(), names.end(), lower(item.get<std::string>()));
    if (it == names.end())
      fail(wi, "unknown name \"" + item.get<std::string>() + "\"" + hint(item.get<std::string>(), names, "known"));
    size_t index = size_t(it - names.begin());
    if (index < N) flags[index] = true;
  }
  return flags;
}

// "p:b:t:l" or [p, b, t, l], each part 0 to 255 written as plain decimal
// digits: the form every lookup by address understands.
DiscwrightDeviceAddress parseAddress(const json& value, const std::string& where) {
  static const std::string expected = "expected \"port:bus:target:lun\" of four whole numbers from 0 to 255";
  std::array<uint8_t, 4> parts{};
  if (value.is_string()) {
    const std::string s = value.get<std::string>();
    size_t begin = 0;
    for (size_t i = 0; i < 4; ++i) {
      size_t end = i < 3 ? s.find(':', begin) : s.size();
      std::string part = end == std::string::npos ? std::string() : s.substr(begin, end - begin);
      if (end == std::string::npos || part.empty() || part.size() > 3 ||
          part.find_first_not_of("0123456789") != std::string::npos || std::stoul(part) > 255)
        fail(where, expected + " (such as \"1:0:0:0\"), not " + value.dump());
      parts[i] = uint8_t(std::stoul(part));
      begin = end + 1;
    }
  } else if (value.is_array()) {
    if (value.size() != 4) fail(where, expected + ", not a list of " + std::to_string(value.size()));
    for (size_t i = 0; i < 4; ++i) parts[i] = uint8_t(whole(value[i], where + "[" + std::to_string(i) + "]", 0, 255));
  } else {
    fail(where, expected + ", not " + value.dump());
  }
  return DiscwrightDeviceAddress{1, parts[0], parts[1], parts[2], parts[3]};
}

std::string addressText(const DiscwrightDeviceAddress& a) {
  return std::to_string(a.PortID) + ":" + std::to_string(a.BusID) + ":" + std::to_string(a.TargetID) + ":" +
         std::to_string(a.LUN);
}

// "CdRomN" with N from 0 to 20, written without leading zeros: the library and
// the programs find a drive by comparing "CdRomN" (or "/dev/srN", which becomes
// "CdRomN") as text, so "CdRom007" would be reachable by none of "CdRom7",
// "/dev/sr7" or the kernel path made from it. Refused rather than rewritten, so
// that the name in the file is the name that works.
std::string parseName(const json& r, size_t index, const std::string& where) {
  std::string name = text(r, "name", "CdRom" + std::to_string(index), where);
  std::string digits = name.size() > 5 ? name.substr(5) : "";
  if (lower(name.substr(0, 5)) != "cdrom" || digits.empty() ||
      digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 3 || std::stoul(digits) > DISCWRIGHT_LAST_DEVICE_NUMBER)
    fail(where + ".name", "expected \"CdRom\" followed by a number from 0 to " +
                              std::to_string(DISCWRIGHT_LAST_DEVICE_NUMBER) + ", such as \"CdRom0\", not \"" + name +
                              "\"");
  std::string plain = std::to_string(std::stoul(digits));
  if (plain != digits)
    fail(where + ".name", "write \"" + name + "\" without leading zeros, \"CdRom" + plain +
                              "\": devices are found as \"CdRom" + plain + "\" or \"/dev/sr" + plain + "\"");
  return "CdRom" + digits;
}

std::vector<uint32_t> speedList(const json& speeds, const char* key, std::vector<uint32_t> fallback,
                                const std::string& where, uint64_t maxSpeed = kMaxSpeed) {
  const json* list = find(speeds, key);
  if (!list) return fallback;
  std::string w = at(where, key);
  if (!list->is_array()) fail(w, "expected a list of speeds in KB/s, not " + list->dump());
  std::vector<uint32_t> out;
  for (size_t i = 0; i < list->size(); ++i)
    out.push_back(uint32_t(whole((*list)[i], w + "[" + std::to_string(i) + "]", 1, maxSpeed)));
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

MediumConfig parseMedium(const json& m, bool freshDefault, const fs::path& base, const std::string& where) {
  if (!m.is_object()) fail(where, "expected an object or null, not " + m.dump());
  onlyKeys(m, where,
           {"type", "capacity_bytes", "state", "used_bytes", "content_file", "label", "fresh_at_start"});
  MediumConfig medium;
  const json* type = find(m, "type");
  if (!type) {
    medium.discType = DISC_TYPE_CDR;
  } else if (type->is_string() && discTypeNames().count(lower(type->get<std::string>()))) {
    medium.discType = discTypeNames().at(lower(type->get<std::string>()));
  } else if (type->is_number()) {
    medium.discType = uint8_t(whole(*type, where + ".type", 0, DISC_TYPE_HDDVDRW));
  } else {
    fail(where + ".type", "unknown disc type " + type->dump());
  }
  if (medium.discType == DISC_TYPE_NO_MEDIA) fail(where + ".type", "use \"medium\": null for an empty tray");
  medium.capacityBytes =
      number(m, "capacity_bytes", defaultCapacity(medium.discType), where, DISCWRIGHT_SECTOR_SIZE, kMaxBytes);
  medium.capacityBytes -= medium.capacityBytes % DISCWRIGHT_SECTOR_SIZE;
  std::string state = lower(text(m, "state", "blank", where));
  if (state == "blank") medium.state = MediumState::Blank;
  else if (state == "appendable") medium.state = MediumState::Appendable;
  else if (state == "complete") medium.state = MediumState::Complete;
  else fail(where + ".state", "expected \"blank\", \"appendable\" or \"complete\"");
  medium.usedBytes = number(m, "used_bytes", 0, where, 0, kMaxBytes);
  medium.contentFile = text(m, "content_file", "", where);
  if (!medium.contentFile.empty()) medium.contentFile = (base / medium.contentFile).lexically_normal().string();
  medium.label = text(m, "label", "", where, 32);  // the room of a volume label
  medium.freshAtStart = flag(m, "fresh_at_start", freshDefault, where);
  if (medium.state == MediumState::Blank && (medium.usedBytes > 0 || !medium.contentFile.empty()))
    fail(where, "a blank medium holds no content (state is \"blank\")");
  if (medium.state != MediumState::Blank && medium.usedBytes == 0 && medium.contentFile.empty())
    medium.usedBytes = DISCWRIGHT_SECTOR_SIZE * 32;  // a written medium holds at least its volume descriptors
  if (medium.usedBytes > medium.capacityBytes)
    fail(where + ".used_bytes", "larger than the capacity (" + std::to_string(medium.capacityBytes) + " bytes)");
  if (medium.state == MediumState::Blank && !medium.label.empty())
    fail(where + ".label", "a blank medium has no label");
  // The label lives in the volume descriptor at block 16: a shorter track would drop it.
  constexpr uint64_t labelledBytes = 18ull * DISCWRIGHT_SECTOR_SIZE;
  if (!medium.label.empty() && medium.contentFile.empty() && medium.usedBytes < labelledBytes)
    fail(where + ".used_bytes", std::to_string(medium.usedBytes) + " bytes cannot hold the label, whose volume "
                                "descriptor lies in block 16: a labelled medium needs at least " +
                                    std::to_string(labelledBytes) + " bytes");
  if (!medium.label.empty() && !medium.contentFile.empty())
    fail(where + ".label", "a medium with a content_file has the label of that content; remove \"label\"");
  if (medium.state == MediumState::Blank && !isRecordableKind(medium.discType))
    fail(where + ".state", "a pressed disc (" + (type->is_string() ? type->get<std::string>() : type->dump()) +
                               ") cannot be blank: use \"complete\"");
  return medium;
}

void parseFaults(const json& f, RecorderConfig& rc, const std::string& where) {
  if (!f.is_object()) fail(where, "expected an object, not " + f.dump());
  onlyKeys(f, where, {"operations", "write_fails_at", "medium_removed_at", "corrupt_byte_at"});
  const json& ops = object(f, "operations", where, "an object of operation names");
  for (const auto& [name, faultJson] : ops.items()) {
    std::string w = where + ".operations." + name;
    const auto& known = operationNames();
    if (std::find(known.begin(), known.end(), name) == known.end())
      fail(w, "unknown operation" + hint(name, known, "known operations"));
    if (!faultJson.is_object())
      fail(w, "expected an object with \"exception\", \"status\" and \"text\", not " + faultJson.dump());
    onlyKeys(faultJson, w, {"exception", "status", "text"});
    InjectedFault fault;
    fault.exception = uint8_t(number(faultJson, "exception", DW_E_IO, w, 1, 255));
    fault.status = uint32_t(number(faultJson, "status", 0, w, 0, UINT32_MAX));
    fault.text = text(faultJson, "text", "Injected failure of " + name, w);
    rc.failingOperations[name] = fault;
  }
  auto position = [&](const char* key) -> std::optional<uint64_t> {
    if (!find(f, key)) return std::nullopt;
    return number(f, key, 0, where, 0, kMaxBytes);
  };
  rc.writeFailsAt = position("write_fails_at");
  rc.mediumRemovedAt = position("medium_removed_at");
  rc.corruptByteAt = position("corrupt_byte_at");
}

RecorderConfig parseRecorder(const json& r, size_t index, bool freshDefault, const fs::path& base) {
  std::string where = "recorders[" + std::to_string(index) + "]";
  if (!r.is_object()) fail(where, "expected an object, not " + r.dump());
  onlyKeys(r, where,
           {"name", "address", "vendor", "product", "revision", "buffer_size", "media_formats", "write_modes",
            "read_modes", "buffer_underrun_protection", "write_speeds", "read_speeds", "region", "tray",
            "time_scale", "mount_point", "medium", "faults", "autoloader"});
  RecorderConfig rc;
  rc.name = parseName(r, index, where);
  rc.address = find(r, "address") ? parseAddress(r.at("address"), where + ".address")
                                  : DiscwrightDeviceAddress{1, 1, 0, uint8_t(index), 0};
  rc.vendor = text(r, "vendor", rc.vendor, where);
  rc.product = text(r, "product", rc.product, where);
  rc.revision = text(r, "revision", rc.revision, where);
  rc.bufferSize = uint32_t(number(r, "buffer_size", rc.bufferSize, where, 0, UINT32_MAX));

  static const std::vector<std::string> formatNames = {
      "read_cdr",  "read_cdrw",  "read_dvd",   "read_dvdr",    "read_dvdram",    "test_write",
      "write",     "write_cdrw", "write_dvdr", "write_dvdram", "read_dvdplusrw", "read_dvdplusr",
      "read_dvdplusr_dl", "write_dvdplusrw", "write_dvdplusr", "write_dvdplusr_dl"};
  auto all = flagList<size_t(DW_FMT_COUNT) + size_t(DW_FMTX_COUNT)>(r, "media_formats", formatNames, where);
  std::copy_n(all.begin(), DW_FMT_COUNT, rc.formats.begin());
  std::copy_n(all.begin() + DW_FMT_COUNT, DW_FMTX_COUNT, rc.formatsEx.begin());
  rc.writeModes = flagList<DW_WRITE_MODE_COUNT>(r, "write_modes", {"tao", "sao", "dao_pq", "dao_raw"}, where);
  rc.readModes = flagList<DW_READ_MODE_COUNT>(
      r, "read_modes", {"cdda", "cdda_accurate", "mode2_form1", "mode2_form2", "raw_pw", "c2_pointers"}, where);
  rc.bupSupported = flag(r, "buffer_underrun_protection", false, where);

  std::string w = where + ".write_speeds";
  const json& speeds = object(r, "write_speeds", where, "{\"cd\": [...], \"dvd\": [...], \"bd\": [...]}");
  onlyKeys(speeds, w, {"cd", "dvd", "bd"});
  rc.cdWriteSpeeds = speedList(speeds, "cd", {706, 1411, 2822, 4234, 5645, 7056, 8467}, w);
  rc.dvdWriteSpeeds = speedList(speeds, "dvd", {2770, 5540, 11080, 16620, 22160}, w);
  rc.bdWriteSpeeds = speedList(speeds, "bd", {4495, 8990, 17980}, w, kMaxBdSpeed);
  w = where + ".read_speeds";
  const json& reads = object(r, "read_speeds", where, "{\"cd\": N, \"dvd\": N, \"bd\": N}");
  onlyKeys(reads, w, {"cd", "dvd", "bd"});
  rc.cdMaxRead = uint32_t(number(reads, "cd", rc.cdMaxRead, w, 1, kMaxSpeed));
  rc.dvdMaxRead = uint32_t(number(reads, "dvd", rc.dvdMaxRead, w, 1, kMaxSpeed));
  rc.bdMaxRead = uint32_t(number(reads, "bd", rc.bdMaxRead, w, 1, kMaxSpeed));

  if (find(r, "region")) {
    // The ranges of the fields of a drive's region report.
    const json& g = object(r, "region", where, "an object");
    w = where + ".region";
    onlyKeys(g, w, {"scheme", "region_mask", "vendor_resets", "user_changes", "type_code"});
    rc.rpc.scheme = uint8_t(number(g, "scheme", 2, w, 0, 2));
    rc.rpc.regionMask = uint8_t(number(g, "region_mask", 0xFF, w, 0, 255));
    rc.rpc.vendorResets = uint8_t(number(g, "vendor_resets", 4, w, 0, 7));
    rc.rpc.userChanges = uint8_t(number(g, "user_changes", 5, w, 0, 7));
    rc.rpc.typeCode = uint8_t(number(g, "type_code", 0, w, 0, 3));
  } else if (rc.formats[DW_FMT_READ_DVD]) {
    rc.rpc = RpcState{2, 0xFF, 4, 5, 0};  // an unset RPC-II drive
  }

  if (find(r, "medium") && !r.at("medium").is_null())
    rc.medium = parseMedium(r.at("medium"), freshDefault, base, where + ".medium");
  std::string tray = lower(text(r, "tray", "closed", where));
  if (tray != "closed" && tray != "open" && tray != "slot")
    fail(where + ".tray", "expected \"open\", \"closed\" or \"slot\"");
  rc.trayOpen = tray == "open";
  rc.slotLoading = tray == "slot";
  rc.autoloaderBlanks = uint32_t(number(r, "autoloader", 0, where, 0, 999));
  if (const json* scale = find(r, "time_scale")) {
    double d = scale->is_number() ? scale->get<double>() : -1;
    if (!(d >= 0 && d <= DISCWRIGHT_MAX_TIME_SCALE))
      fail(where + ".time_scale",
           "expected a number from 0 to " + std::to_string(int(DISCWRIGHT_MAX_TIME_SCALE)) + ", not " + scale->dump());
    rc.timeScale = d;
  }
  rc.mountPoint = text(r, "mount_point", "", where, DISCWRIGHT_TEXT_SIZE - 5);  // reported with a 4-byte device prefix
  if (const json* faults = find(r, "faults")) parseFaults(*faults, rc, where + ".faults");
  return rc;
}

}  // namespace

uint64_t defaultCapacity(uint8_t discType) {
  switch (speedClass(discType)) {
    case 0: return 359'847ull * DISCWRIGHT_SECTOR_SIZE;    // 80-minute CD
    case 1:
      return (discType == DISC_TYPE_DVDPLUSR_DL || discType == DISC_TYPE_DVDR_DL ? 4'173'824ull : 2'295'104ull) *
             DISCWRIGHT_SECTOR_SIZE;
    default: return 12'219'392ull * DISCWRIGHT_SECTOR_SIZE;  // single-layer BD
  }
}

int speedClass(uint8_t discType) {
  switch (discType) {
    case DISC_TYPE_DVDROM: case DISC_TYPE_DVDR: case DISC_TYPE_DVDRAM: case DISC_TYPE_DVDRWRO:
    case DISC_TYPE_DVDRWSR: case DISC_TYPE_DVDPLUSRW: case DISC_TYPE_DVDPLUSR: case DISC_TYPE_DVDPLUSR_DL:
    case DISC_TYPE_DVDR_DL:
      return 1;
    case DISC_TYPE_BDR: case DISC_TYPE_BDRE: case DISC_TYPE_HDDVDROM: case DISC_TYPE_HDDVDR:
    case DISC_TYPE_HDDVDRW:
      return 2;
    default:
      return 0;
  }
}

bool nestedDeeperThan(const std::string& jsonText, int limit) {
  int depth = 0;
  bool inString = false, escaped = false;
  for (char c : jsonText) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

VirtualSetup parseVirtualSetup(const std::string& jsonText, const std::string& baseFolder,
                               const std::string& sourceName) {
  try {
    if (nestedDeeperThan(jsonText, kMaxJsonDepth))
      fail("file", "lists or objects are nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    json doc;
    // A key written twice in one object would silently keep only its last value.
    std::vector<std::set<std::string>> keys;
    auto once = [&](int, json::parse_event_t event, json& parsed) {
      if (event == json::parse_event_t::object_start) keys.emplace_back();
      else if (event == json::parse_event_t::object_end) keys.pop_back();
      else if (event == json::parse_event_t::key && !keys.back().insert(parsed.get<std::string>()).second)
        fail("file", "the key \"" + parsed.get<std::string>() + "\" appears twice in one object");
      return true;
    };
    try {
      doc = json::parse(jsonText, once);
    } catch (const json::parse_error& e) {
      fail("file", std::string("not valid JSON: ") + e.what());
    }
    if (!doc.is_object()) fail("file", "expected a JSON object with \"recorders\"");
    onlyKeys(doc, "", {"state_folder", "fresh_media_at_start", "recorders"});
    fs::path base(baseFolder);
    VirtualSetup setup;
    std::string state = text(doc, "state_folder", "", "");
    if (!state.empty()) setup.stateFolder = (base / state).lexically_normal().string();
    bool fresh = flag(doc, "fresh_media_at_start", false, "");
    const json* recorders = find(doc, "recorders");
    if (!recorders || !recorders->is_array()) fail("recorders", "expected a list");
    if (recorders->size() > size_t(kMaxRecorders))
      fail("recorders", "at most " + std::to_string(kMaxRecorders) + " recorders (CdRom0 to CdRom" + std::to_string(DISCWRIGHT_LAST_DEVICE_NUMBER) + "), not " +
                            std::to_string(recorders->size()));
    // Each name and address must lead to one recorder only.
    std::map<std::string, size_t> names;
    std::map<std::string, size_t> addresses;
    for (size_t index = 0; index < recorders->size(); ++index) {
      RecorderConfig rc = parseRecorder((*recorders)[index], index, fresh, base);
      std::string where = "recorders[" + std::to_string(index) + "]";
      auto [name, newName] = names.emplace(lower(rc.name), index);
      if (!newName)
        fail(where + ".name", "\"" + rc.name + "\" is already the name of recorders[" +
                                  std::to_string(name->second) + "]");
      auto [address, newAddress] = addresses.emplace(addressText(rc.address), index);
      if (!newAddress)
        fail(where + ".address", addressText(rc.address) + " is already the address of recorders[" +
                                     std::to_string(address->second) + "]");
      setup.recorders.push_back(std::move(rc));
    }
    return setup;
  } catch (const ConfigError& e) {
    throw DwError(DW_E_CONFIG, "Virtual recorder configuration " + sourceName + ": " +
                                   (e.where.empty() ? "" : e.where + ": ") + e.what);
  } catch (const json::exception& e) {
    throw DwError(DW_E_CONFIG, "Virtual recorder configuration " + sourceName + ": " + e.what());
  }
}

VirtualSetup loadVirtualSetup(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw DwError(DW_E_CONFIG, "Cannot read the virtual recorder configuration \"" + path + "\": " +
                                   std::strerror(errno), uint32_t(errno));
  std::stringstream ss;
  ss << in.rdbuf();
  fs::path p = fs::absolute(path);
  return parseVirtualSetup(ss.str(), p.parent_path().string(), "\"" + path + "\"");
}

}  // namespace discwright
