#include "libburn/sg_io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "error.h"

namespace discwright {

namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

uint16_t be16(std::span<const uint8_t> b, size_t at) { return uint16_t((b[at] << 8) | b[at + 1]); }
uint32_t be32(std::span<const uint8_t> b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

std::string senseText(uint32_t s) {
  char text[40];
  std::snprintf(text, sizeof text, "sense %X/%02X/%02X", unsigned(s >> 16), unsigned((s >> 8) & 0xFF),
                unsigned(s & 0xFF));
  return text;
}

// Undoes the octal escapes (\040 for a blank) of a mount table field.
std::string unescapeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    auto octal = [&](size_t at) { return field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string canonicalPath(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

}  // namespace

uint32_t packSense(std::span<const uint8_t> s) {
  if (s.empty()) return 0;
  uint8_t code = s[0] & 0x7F;
  if ((code == 0x70 || code == 0x71) && s.size() >= 14) return sense(s[2] & 0x0F, s[12], s[13]);
  if ((code == 0x72 || code == 0x73) && s.size() >= 4) return sense(s[1] & 0x0F, s[2], s[3]);
  return 0;
}

bool meansNotSupported(uint32_t s) {
  uint32_t keyAsc = s >> 8;
  return keyAsc == (senses::kInvalidCommand >> 8) || keyAsc == (senses::kInvalidField >> 8);
}

std::optional<CapabilitiesPage> parseCapabilitiesPage(std::span<const uint8_t> data) {
  if (data.size() < 8) return std::nullopt;
  // The mode data length does not count its own two bytes.
  data = data.first(std::min(data.size(), size_t(be16(data, 0)) + 2));
  size_t pageStart = 8 + be16(data, 6);  // past the header and any block descriptors
  if (data.size() < pageStart + 2) return std::nullopt;
  auto page = data.subspan(pageStart);
  if ((page[0] & 0x3F) != 0x2A) return std::nullopt;
  page = page.first(std::min(page.size(), size_t(page[1]) + 2));
  CapabilitiesPage s;
  if (page.size() >= 6) {
    s.readModes[DW_READ_CDDA] = page[5] & 0x01;           // CD-DA commands supported
    s.readModes[DW_READ_CDDA_ACCURATE] = page[5] & 0x02;  // CD-DA stream is accurate
    s.readModes[DW_READ_MODE2_FORM1] = page[4] & 0x10;
    s.readModes[DW_READ_MODE2_FORM2] = page[4] & 0x20;
    s.readModes[DW_READ_RAW_PW] = page[5] & 0x04;         // R-W supported
    s.readModes[DW_READ_C2_POINTERS] = page[5] & 0x10;
  }
  if (page.size() >= 16) s.currentRead = be16(page, 14);
  // Newer drives report the selected write speed at 28; older ones only at 20.
  if (page.size() >= 30) s.currentWrite = be16(page, 28);
  if (!s.currentWrite && page.size() >= 22) s.currentWrite = be16(page, 20);
  return s;
}

std::optional<RpcState> parseRpcState(std::span<const uint8_t> r) {
  if (r.size() < 7) return std::nullopt;
  RpcState s;
  s.typeCode = uint8_t(r[4] >> 6);
  s.vendorResets = uint8_t((r[4] >> 3) & 0x07);
  s.userChanges = uint8_t(r[4] & 0x07);
  s.regionMask = r[5];
  s.scheme = r[6];
  return s;
}

std::optional<MmcDiscInfo> parseDiscInformation(std::span<const uint8_t> r) {
  if (r.size() < 12) return std::nullopt;
  MmcDiscInfo d;
  d.erasable = r[2] & 0x10;
  d.lastSessionState = uint8_t((r[2] >> 2) & 0x03);
  d.discStatus = uint8_t(r[2] & 0x03);
  d.firstTrack = r[3];
  d.sessions = uint16_t((r[9] << 8) | r[4]);
  d.firstTrackLastSession = uint16_t((r[10] << 8) | r[5]);
  d.lastTrackLastSession = uint16_t((r[11] << 8) | r[6]);
  d.discType = r[8];
  return d;
}

std::optional<MmcTrackInfo> parseTrackInformation(std::span<const uint8_t> r) {
  if (r.size() < 28) return std::nullopt;
  MmcTrackInfo t;
  t.trackNumber = uint16_t((r.size() > 32 ? r[32] << 8 : 0) | r[2]);
  t.sessionNumber = uint16_t((r.size() > 33 ? r[33] << 8 : 0) | r[3]);
  t.damaged = r[5] & 0x20;
  t.copy = r[5] & 0x10;
  t.trackMode = r[5] & 0x0F;
  t.reserved = r[6] & 0x80;
  t.blank = r[6] & 0x40;
  t.packet = r[6] & 0x20;
  t.fixedPacket = r[6] & 0x10;
  t.dataMode = r[6] & 0x0F;
  t.nextWritableValid = r[7] & 0x01;
  t.start = be32(r, 8);
  t.nextWritable = be32(r, 12);
  t.freeBlocks = be32(r, 16);
  t.size = be32(r, 24);
  return t;
}

namespace {

// The printable characters of reply[from, from + n) when the valid bit (bit 7 of byte 8) is set.
std::string subChannelText(std::span<const uint8_t> r, uint8_t format, size_t n) {
  if (r.size() < 9 + n || r[4] != format || !(r[8] & 0x80)) return {};
  std::string text(reinterpret_cast<const char*>(r.data()) + 9, n);
  for (char c : text)  // digits and capital letters only: a zeroed or garbled field says nothing
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return {};
  return text;
}

}  // namespace

std::string parseMediaCatalog(std::span<const uint8_t> r) { return subChannelText(r, 0x02, 13); }
std::string parseIsrc(std::span<const uint8_t> r) { return subChannelText(r, 0x03, 12); }

uint32_t MmcCommands::run(std::span<const uint8_t> cdb, std::span<uint8_t> in, milliseconds timeout,
                          const char* what, size_t* received) {
  for (int attempt = 0;; ++attempt) {
    ScsiReply r = transport_.execute(cdb, in, timeout);
    if (r.good()) {
      if (received) *received = std::min(r.received, in.size());
      return 0;
    }
    if (meansNotSupported(r.sense)) return r.sense;
    uint8_t key = uint8_t(r.sense >> 16);
    // A unit attention reports a past event (a new disc, a reset) once; the command itself was not run.
    if (key == 0x06 && attempt == 0) continue;
    if (key == 0x02 && ((r.sense >> 8) & 0xFF) == 0x3A)
      throw DwError(DW_E_NO_MEDIUM, "There is no disc in " + name_ + ": insert one", r.sense);
    if (key == 0x02)
      throw DwError(DW_E_NOT_READY, name_ + " is not ready yet: try again in a moment", r.sense);
    if (key == 0x06)
      throw DwError(DW_E_NOT_READY, "The disc in " + name_ + " keeps changing: wait until it has settled", r.sense);
    if (r.status == 0x08 || r.status == 0x18)
      throw DwError(DW_E_BUSY, name_ + " is busy with another program: try again in a moment", r.sense);
    throw DwError(DW_E_IO,
                  std::string(what) + " failed on " + name_ +
                      (r.sense ? " (" + senseText(r.sense) + ")" : " (status " + std::to_string(r.status) + ")") +
                      ": check the drive and the disc, then try again",
                  r.sense);
  }
}

void MmcCommands::testUnitReady() {
  const std::array<uint8_t, 6> cdb{0x00, 0, 0, 0, 0, 0};
  run(cdb, {}, 10s, "Asking whether the drive is ready");
}

void MmcCommands::preventRemoval(bool prevent) {
  const std::array<uint8_t, 6> cdb{0x1E, 0, 0, 0, uint8_t(prevent ? 0x01 : 0x00), 0};
  if (uint32_t s = run(cdb, {}, 10s, prevent ? "Locking the tray" : "Unlocking the tray"))
    throw DwError(DW_E_NOT_SUPPORTED, name_ + " cannot lock its tray", s);
}

void MmcCommands::sendOpc() {
  // DoOPC with no parameter list: the drive calibrates for the inserted disc itself.
  const std::array<uint8_t, 10> cdb{0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0};
  if (uint32_t s = run(cdb, {}, 60s, "Power calibration"))
    throw DwError(DW_E_NOT_SUPPORTED, name_ + " cannot calibrate its laser power for this disc", s);
}

std::optional<RpcState> MmcCommands::rpcState() {
  std::array<uint8_t, 8> reply{};
  const std::array<uint8_t, 12> cdb{0xA4, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(reply.size()), 0x08, 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading the region state", &got)) return std::nullopt;
  return parseRpcState(std::span<const uint8_t>(reply).first(got));
}

std::optional<CapabilitiesPage> MmcCommands::capabilities() {
  std::array<uint8_t, 256> reply{};
  // DBD: no block descriptors; current values (PC 0) of page 2Ah.
  const std::array<uint8_t, 10> cdb{0x5A, 0x08, 0x2A, 0, 0, 0, 0, uint8_t(reply.size() >> 8), uint8_t(reply.size()), 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading the drive capabilities", &got)) return std::nullopt;
  return parseCapabilitiesPage(std::span<const uint8_t>(reply).first(got));
}

std::optional<MmcDiscInfo> MmcCommands::discInformation() {
  std::array<uint8_t, 34> reply{};
  const std::array<uint8_t, 10> cdb{0x51, 0, 0, 0, 0, 0, 0, 0, uint8_t(reply.size()), 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading the disc information", &got)) return std::nullopt;
  return parseDiscInformation(std::span<const uint8_t>(reply).first(got));
}

std::optional<MmcTrackInfo> MmcCommands::trackInformation(uint32_t track) {
  std::array<uint8_t, 48> reply{};
  // Address type 01b: the address field holds a track number.
  const std::array<uint8_t, 10> cdb{0x52, 0x01, uint8_t(track >> 24), uint8_t(track >> 16), uint8_t(track >> 8),
                                    uint8_t(track), 0, 0, uint8_t(reply.size()), 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading the track information", &got)) return std::nullopt;
  return parseTrackInformation(std::span<const uint8_t>(reply).first(got));
}

void MmcCommands::readCd(uint32_t lba, uint32_t count, std::span<uint8_t> out) {
  if (count == 0) return;
  if (count > kReadCdSectorsPerCommand || out.size() < size_t(count) * 2352)
    throw DwError(DW_E_INVALID_ARGUMENT, "READ CD takes at most " + std::to_string(kReadCdSectorsPerCommand) +
                                             " sectors into a buffer that holds them");
  // Expected sector type 0: any; byte 9 F8h: sync, all headers, user data, EDC and ECC
  // (audio sectors give their 2352 bytes of samples whatever is asked).
  const std::array<uint8_t, 12> cdb{0xBE, 0x00, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
                                    uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count), 0xF8, 0x00, 0x00};
  size_t got = 0;
  if (uint32_t s = run(cdb, out.first(size_t(count) * 2352), 60s, "Reading whole CD sectors", &got))
    throw DwError(DW_E_NOT_SUPPORTED, name_ + " cannot read whole sectors of this disc", s);
  if (got < size_t(count) * 2352)
    throw DwError(DW_E_IO, "Reading " + std::to_string(count) + " whole sectors at " + std::to_string(lba) + " from " +
                               name_ + " gave only " + std::to_string(got) + " bytes",
                  senses::kReadError);
}

std::string MmcCommands::mediaCatalog() {
  std::array<uint8_t, 24> reply{};
  // SubQ bit, data format 02h: the media catalog number.
  const std::array<uint8_t, 10> cdb{0x42, 0, 0x40, 0x02, 0, 0, 0, 0, uint8_t(reply.size()), 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading the catalog number", &got)) return {};
  return parseMediaCatalog(std::span<const uint8_t>(reply).first(got));
}

std::string MmcCommands::isrc(uint8_t track) {
  std::array<uint8_t, 24> reply{};
  const std::array<uint8_t, 10> cdb{0x42, 0, 0x40, 0x03, 0, 0, track, 0, uint8_t(reply.size()), 0};
  size_t got = 0;
  if (run(cdb, reply, 10s, "Reading a track's ISRC", &got)) return {};
  return parseIsrc(std::span<const uint8_t>(reply).first(got));
}

std::string accessDeniedText(const std::string& device) {
  return "You may not open " + device +
         ": add your user to the group that owns it (usually cdrom) and log in again";
}

std::string busyText(const std::string& device) { return "The drive " + device + " is in use by another program"; }

std::string mountedText(const std::string& device, const std::string& mountPoint) {
  return "The disc in " + device + " is mounted at " + mountPoint + ": unmount it first";
}

std::optional<std::string> mountPointIn(std::string_view table, const std::string& device) {
  const std::string wanted = canonicalPath(device);
  std::istringstream lines{std::string(table)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string source, target;
    if (!(fields >> source >> target)) continue;
    source = unescapeMountField(source);
    // Only device nodes can be our drive; "proc", "tmpfs" and the like cannot.
    if (source.empty() || source[0] != '/') continue;
    if (source == device || canonicalPath(source) == wanted) return unescapeMountField(target);
  }
  return std::nullopt;
}

std::optional<OpenFailure> openFailure(const std::string& device, int error, std::string_view mountTable) {
  if (error == EACCES || error == EPERM) return OpenFailure{DW_E_NO_DEVICE, accessDeniedText(device)};
  // A mount holds the node exclusively, so it comes out as "busy": name the real cause.
  if (auto at = mountPointIn(mountTable, device)) return OpenFailure{DW_E_BUSY, mountedText(device, *at)};
  if (error == EBUSY) return OpenFailure{DW_E_BUSY, busyText(device)};
  return std::nullopt;
}

}  // namespace discwright
