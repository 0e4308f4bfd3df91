#include "virtual/virtual_config.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <cerrno>
#include <cstring>

#include <nlohmann/json.hpp>

#include "error.h"

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

template <size_t N>
std::array<bool, N> flagList(const json& value, const std::vector<std::string>& names, const std::string& where) {
  std::array<bool, N> flags{};
  if (value.is_null()) return flags;
  if (!value.is_array()) fail(where, "expected a list of names");
  for (const auto& item : value) {
    if (!item.is_string()) fail(where, "expected a list of names");
    auto it = std::find(names.begin(), names.end(), lower(item.get<std::string>()));
    if (it == names.end()) {
      std::string known;
      for (const auto& n : names) known += (known.empty() ? "" : ", ") + n;
      fail(where, "unknown name \"" + item.get<std::string>() + "\" (known: " + known + ")");
    }
    size_t index = size_t(it - names.begin());
    if (index < N) flags[index] = true;
  }
  return flags;
}

std::string at(const std::string& where, const char* key) { return where.empty() ? key : where + "." + key; }

uint64_t number(const json& obj, const char* key, uint64_t fallback, const std::string& where) {
  if (!obj.contains(key)) return fallback;
  const auto& v = obj.at(key);
  if (!v.is_number_unsigned() && !(v.is_number_integer() && v.get<int64_t>() >= 0))
    fail(at(where, key), "expected a non-negative whole number");
  return v.get<uint64_t>();
}

std::string text(const json& obj, const char* key, const std::string& fallback, const std::string& where) {
  if (!obj.contains(key)) return fallback;
  if (!obj.at(key).is_string()) fail(at(where, key), "expected a text");
  return obj.at(key).get<std::string>();
}

bool flag(const json& obj, const char* key, bool fallback, const std::string& where) {
  if (!obj.contains(key)) return fallback;
  if (!obj.at(key).is_boolean()) fail(at(where, key), "expected true or false");
  return obj.at(key).get<bool>();
}

DiscwrightDeviceAddress parseAddress(const json& value, const std::string& where) {
  DiscwrightDeviceAddress a{};
  std::vector<unsigned> parts;
  if (value.is_string()) {
    std::stringstream ss(value.get<std::string>());
    std::string part;
    while (std::getline(ss, part, ':')) {
      if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) parts.clear(), parts.push_back(999);
      else parts.push_back(unsigned(std::stoul(part)));
    }
  } else if (value.is_array()) {
    for (const auto& p : value) parts.push_back(p.is_number_unsigned() ? p.get<unsigned>() : 999);
  }
  if (parts.size() != 4 || std::any_of(parts.begin(), parts.end(), [](unsigned p) { return p > 255; }))
    fail(where, "expected an address \"port:bus:target:lun\" of four numbers 0 to 255");
  a.Valid = 1;
  a.PortID = uint8_t(parts[0]);
  a.BusID = uint8_t(parts[1]);
  a.TargetID = uint8_t(parts[2]);
  a.LUN = uint8_t(parts[3]);
  return a;
}

std::vector<uint32_t> speedList(const json& speeds, const char* key, std::vector<uint32_t> fallback,
                                const std::string& where) {
  if (!speeds.contains(key)) return fallback;
  const auto& list = speeds.at(key);
  std::vector<uint32_t> out;
  if (!list.is_array()) fail(where + "." + key, "expected a list of speeds in KB/s");
  for (const auto& s : list) {
    if (!s.is_number_unsigned() || s.get<uint64_t>() == 0 || s.get<uint64_t>() > 0xFFFE)
      fail(where + "." + key, "speeds are whole numbers of KB/s from 1 to 65534");
    out.push_back(s.get<uint32_t>());
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

MediumConfig parseMedium(const json& m, bool freshDefault, const fs::path& base, const std::string& where) {
  if (!m.is_object()) fail(where, "expected an object or null");
  MediumConfig medium;
  const auto& type = m.contains("type") ? m.at("type") : json("CD-R");
  if (type.is_number_unsigned() && type.get<unsigned>() <= DISC_TYPE_HDDVDRW) {
    medium.discType = type.get<uint8_t>();
  } else if (type.is_string() && discTypeNames().count(lower(type.get<std::string>()))) {
    medium.discType = discTypeNames().at(lower(type.get<std::string>()));
  } else {
    fail(where + ".type", "unknown disc type " + type.dump());
  }
  if (medium.discType == DISC_TYPE_NO_MEDIA) fail(where + ".type", "use \"medium\": null for an empty tray");
  medium.capacityBytes = number(m, "capacity_bytes", defaultCapacity(medium.discType), where);
  medium.capacityBytes -= medium.capacityBytes % DISCWRIGHT_SECTOR_SIZE;
  std::string state = lower(text(m, "state", "blank", where));
  if (state == "blank") medium.state = MediumState::Blank;
  else if (state == "appendable") medium.state = MediumState::Appendable;
  else if (state == "complete") medium.state = MediumState::Complete;
  else fail(where + ".state", "expected \"blank\", \"appendable\" or \"complete\"");
  medium.usedBytes = number(m, "used_bytes", 0, where);
  medium.contentFile = text(m, "content_file", "", where);
  if (!medium.contentFile.empty()) medium.contentFile = (base / medium.contentFile).lexically_normal().string();
  medium.label = text(m, "label", "", where);
  medium.freshAtStart = flag(m, "fresh_at_start", freshDefault, where);
  if (medium.state == MediumState::Blank && (medium.usedBytes > 0 || !medium.contentFile.empty()))
    fail(where, "a blank medium holds no content (state is \"blank\")");
  if (medium.state != MediumState::Blank && medium.usedBytes == 0 && medium.contentFile.empty())
    medium.usedBytes = DISCWRIGHT_SECTOR_SIZE * 32;  // a written medium holds at least its volume descriptors
  if (medium.usedBytes > medium.capacityBytes) fail(where + ".used_bytes", "larger than the capacity");
  return medium;
}

void parseFaults(const json& f, RecorderConfig& rc, const std::string& where) {
  if (!f.is_object()) fail(where, "expected an object");
  if (f.contains("operations")) {
    const auto& ops = f.at("operations");
    if (!ops.is_object()) fail(where + ".operations", "expected an object of operation names");
    for (const auto& [name, faultJson] : ops.items()) {
      std::string w = where + ".operations." + name;
      if (!faultJson.is_object()) fail(w, "expected an object with \"exception\", \"status\" and \"text\"");
      FaultSpec fault;
      uint64_t exc = number(faultJson, "exception", DW_E_IO, w);
      if (exc == 0 || exc > 255) fail(w + ".exception", "expected an exception number from 1 to 255");
      fault.exception = uint8_t(exc);
      fault.status = uint32_t(number(faultJson, "status", 0, w));
      fault.text = text(faultJson, "text", "Injected failure of " + name, w);
      rc.failingOperations[name] = fault;
    }
  }
  if (f.contains("write_fails_at")) rc.writeFailsAt = number(f, "write_fails_at", 0, where);
  if (f.contains("medium_removed_at")) rc.mediumRemovedAt = number(f, "medium_removed_at", 0, where);
  if (f.contains("corrupt_byte_at")) rc.corruptByteAt = number(f, "corrupt_byte_at", 0, where);
}

RecorderConfig parseRecorder(const json& r, size_t index, bool freshDefault, const fs::path& base) {
  std::string where = "recorders[" + std::to_string(index) + "]";
  if (!r.is_object()) fail(where, "expected an object");
  RecorderConfig rc;
  rc.name = text(r, "name", "CdRom" + std::to_string(index), where);
  if (rc.name.size() < 6 || lower(rc.name.substr(0, 5)) != "cdrom" ||
      rc.name.find_first_not_of("0123456789", 5) != std::string::npos || rc.name.size() > 7)
    fail(where + ".name", "expected \"CdRom\" followed by a number, such as \"CdRom0\"");
  rc.name = "CdRom" + rc.name.substr(5);
  rc.address = r.contains("address") ? parseAddress(r.at("address"), where + ".address")
                                     : DiscwrightDeviceAddress{1, 1, 0, uint8_t(index), 0};
  rc.vendor = text(r, "vendor", rc.vendor, where);
  rc.product = text(r, "product", rc.product, where);
  rc.revision = text(r, "revision", rc.revision, where);
  rc.bufferSize = uint32_t(number(r, "buffer_size", rc.bufferSize, where));

  static const std::vector<std::string> formatNames = {
      "read_cdr",  "read_cdrw",  "read_dvd",   "read_dvdr",    "read_dvdram",    "test_write",
      "write",     "write_cdrw", "write_dvdr", "write_dvdram", "read_dvdplusrw", "read_dvdplusr",
      "read_dvdplusr_dl", "write_dvdplusrw", "write_dvdplusr", "write_dvdplusr_dl"};
  auto all = flagList<size_t(DW_FMT_COUNT) + size_t(DW_FMTX_COUNT)>(r.value("media_formats", json()), formatNames,
                                                    where + ".media_formats");
  std::copy_n(all.begin(), DW_FMT_COUNT, rc.formats.begin());
  std::copy_n(all.begin() + DW_FMT_COUNT, DW_FMTX_COUNT, rc.formatsEx.begin());
  rc.writeModes = flagList<DW_WRITE_MODE_COUNT>(r.value("write_modes", json()), {"tao", "sao", "dao_pq", "dao_raw"},
                                                where + ".write_modes");
  rc.readModes = flagList<DW_READ_MODE_COUNT>(
      r.value("read_modes", json()),
      {"cdda", "cdda_accurate", "mode2_form1", "mode2_form2", "raw_pw", "c2_pointers"}, where + ".read_modes");
  rc.bupSupported = flag(r, "buffer_underrun_protection", false, where);

  json speeds = r.value("write_speeds", json::object());
  rc.cdWriteSpeeds = speedList(speeds, "cd", {706, 1411, 2822, 4234, 5645, 7056, 8467}, where + ".write_speeds");
  rc.dvdWriteSpeeds = speedList(speeds, "dvd", {2770, 5540, 11080, 16620, 22160}, where + ".write_speeds");
  rc.bdWriteSpeeds = speedList(speeds, "bd", {4495, 8990, 17980}, where + ".write_speeds");
  json reads = r.value("read_speeds", json::object());
  rc.cdMaxRead = uint32_t(number(reads, "cd", rc.cdMaxRead, where + ".read_speeds"));
  rc.dvdMaxRead = uint32_t(number(reads, "dvd", rc.dvdMaxRead, where + ".read_speeds"));
  rc.bdMaxRead = uint32_t(number(reads, "bd", rc.bdMaxRead, where + ".read_speeds"));

  if (r.contains("region")) {
    const auto& g = r.at("region");
    std::string w = where + ".region";
    rc.rpc.scheme = uint8_t(number(g, "scheme", 2, w));
    rc.rpc.regionMask = uint8_t(number(g, "region_mask", 0xFF, w));
    rc.rpc.vendorResets = uint8_t(number(g, "vendor_resets", 4, w));
    rc.rpc.userChanges = uint8_t(number(g, "user_changes", 5, w));
    rc.rpc.typeCode = uint8_t(number(g, "type_code", 0, w));
  } else if (rc.formats[DW_FMT_READ_DVD]) {
    rc.rpc = RpcState{2, 0xFF, 4, 5, 0};  // an unset RPC-II drive
  }

  if (r.contains("medium") && !r.at("medium").is_null())
    rc.medium = parseMedium(r.at("medium"), freshDefault, base, where + ".medium");
  std::string tray = lower(text(r, "tray", "closed", where));
  if (tray != "closed" && tray != "open") fail(where + ".tray", "expected \"open\" or \"closed\"");
  rc.trayOpen = tray == "open";
  if (r.contains("time_scale")) {
    if (!r.at("time_scale").is_number() || r.at("time_scale").get<double>() < 0)
      fail(where + ".time_scale", "expected a number of at least 0");
    rc.timeScale = r.at("time_scale").get<double>();
  }
  rc.mountPoint = text(r, "mount_point", "", where);
  if (r.contains("faults")) parseFaults(r.at("faults"), rc, where + ".faults");
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

VirtualSetup parseVirtualSetup(const std::string& jsonText, const std::string& baseFolder,
                               const std::string& sourceName) {
  try {
    json doc;
    try {
      doc = json::parse(jsonText);
    } catch (const json::parse_error& e) {
      fail("file", std::string("not valid JSON: ") + e.what());
    }
    if (!doc.is_object()) fail("file", "expected a JSON object with \"recorders\"");
    fs::path base(baseFolder);
    VirtualSetup setup;
    std::string state = text(doc, "state_folder", "", "");
    if (!state.empty()) setup.stateFolder = (base / state).lexically_normal().string();
    bool fresh = flag(doc, "fresh_media_at_start", false, "");
    if (!doc.contains("recorders") || !doc.at("recorders").is_array()) fail("recorders", "expected a list");
    std::set<std::string> names;
    std::set<uint32_t> addresses;
    size_t index = 0;
    for (const auto& r : doc.at("recorders")) {
      RecorderConfig rc = parseRecorder(r, index, fresh, base);
      std::string where = "recorders[" + std::to_string(index) + "]";
      if (!names.insert(lower(rc.name)).second) fail(where + ".name", "\"" + rc.name + "\" is used twice");
      uint32_t key = (uint32_t(rc.address.PortID) << 24) | (uint32_t(rc.address.BusID) << 16) |
                     (uint32_t(rc.address.TargetID) << 8) | rc.address.LUN;
      if (!addresses.insert(key).second) fail(where + ".address", "the address is used twice");
      setup.recorders.push_back(std::move(rc));
      ++index;
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
