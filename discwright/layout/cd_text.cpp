// CD-TEXT packs of one block (English, ISO 8859-1): for each kind of text the album's
// text and then each track's, NUL-terminated, run on through packs of 12 bytes; a track
// text equal to the one before is written as a TAB. Three size packs close the block.
#include "layout/cd_text.h"

#include <array>

#include "Discwright.h"
#include "error.h"

namespace discwright {

namespace {

constexpr size_t kPackBytes = 18, kTextBytes = 12;
constexpr uint8_t kTitle = 0x80, kPerformer = 0x81, kUpcIsrc = 0x8E, kSizeInfo = 0x8F;
constexpr uint8_t kLatin1 = 0x00, kAscii = 0x01, kEnglish = 0x09;
// A block's sequence numbers are one byte each, and readers take 255 packs at most.
constexpr size_t kMaxPacks = 255;

// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1, no initial value, no reflection.
uint16_t crc16(const uint8_t* data, size_t n) {
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i) {
    crc ^= uint16_t(data[i] << 8);
    for (int bit = 0; bit < 8; ++bit) crc = uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

// UTF-8 to ISO 8859-1: what Latin-1 lacks becomes '?', control characters a space.
std::string latin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = uint8_t(utf8[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    uint32_t code = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    bool valid = n > 0 && i + n <= utf8.size();
    for (size_t k = 1; valid && k < n; ++k) {
      const auto follow = uint8_t(utf8[i + k]);
      valid = (follow >> 6) == 2;
      code = (code << 6) | (follow & 0x3F);
    }
    if (!valid) n = 1, code = 0xFFFD;
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) out += ' ';
    else if (code > 0xFF) out += '?';
    else out += char(code);
    i += n;
  }
  return out;
}

std::string utf8(const std::string& latin) {
  std::string out;
  for (const char ch : latin) {
    const auto c = uint8_t(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class PackWriter {
 public:
  // The bytes of one text; a pack begun inside it tells the character it begins at.
  void text(uint8_t type, uint8_t track, const std::string& bytes, bool binary = false) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (!open_ || used_ == kTextBytes) {
        if (open_) close();
        begin(type, track, binary ? 0 : uint8_t(std::min<size_t>(i, 15)));
      }
      packs_[packs_.size() - kPackBytes + 4 + used_++] = uint8_t(bytes[i]);
    }
  }
  // Fills the open pack with zeros and seals it.
  void close() {
    if (!open_) return;
    uint8_t* pack = packs_.data() + packs_.size() - kPackBytes;
    const uint16_t crc = uint16_t(~crc16(pack, 16));
    pack[16] = uint8_t(crc >> 8);
    pack[17] = uint8_t(crc & 0xFF);
    open_ = false;
  }
  size_t count(uint8_t type) const { return counts_[type & 0x0F]; }
  size_t packs() const { return packs_.size() / kPackBytes; }
  std::vector<uint8_t> take() { return std::move(packs_); }

 private:
  void begin(uint8_t type, uint8_t track, uint8_t position) {
    const size_t sequence = packs();
    if (sequence >= kMaxPacks)
      throw DwError(DW_E_INVALID_ARGUMENT, "The CD-TEXT is too long: a disc holds " + std::to_string(kMaxPacks) +
                                               " packs of it; shorten the titles or performers");
    packs_.insert(packs_.end(), kPackBytes, 0);
    uint8_t* pack = packs_.data() + packs_.size() - kPackBytes;
    pack[0] = type;
    pack[1] = track;
    pack[2] = uint8_t(sequence);
    pack[3] = position;  // block 0, single-byte characters
    ++counts_[type & 0x0F];
    used_ = 0;
    open_ = true;
  }

  std::vector<uint8_t> packs_;
  std::array<size_t, 16> counts_{};
  size_t used_ = 0;
  bool open_ = false;
};

}  // namespace

std::vector<uint8_t> cdTextPacks(const TrackLayout& layout) {
  if (!layout.hasCdText()) return {};
  const size_t tracks = layout.tracks.size();
  if (tracks == 0 || tracks > 99) throw DwError(DW_E_INVALID_ARGUMENT, "CD-TEXT needs 1 to 99 tracks");
  PackWriter w;
  struct Kind {
    uint8_t type;
    const std::string& album;
    std::string LayoutTrack::*track;
  };
  for (const Kind& kind : {Kind{kTitle, layout.title, &LayoutTrack::title},
                           Kind{kPerformer, layout.performer, &LayoutTrack::performer},
                           Kind{kUpcIsrc, layout.catalog, &LayoutTrack::isrc}}) {
    bool any = !kind.album.empty();
    for (const LayoutTrack& t : layout.tracks) any = any || !(t.*kind.track).empty();
    if (!any) continue;
    w.text(kind.type, 0, latin1(kind.album) + '\0');
    std::string previous;
    for (size_t i = 0; i < tracks; ++i) {
      const std::string text = latin1(layout.tracks[i].*kind.track);
      // The same text as the track before: a TAB says so in one byte.
      w.text(kind.type, uint8_t(i + 1), i > 0 && !text.empty() && text == previous ? std::string("\t", 2)
                                                                                     : text + '\0');
      previous = text;
    }
    w.close();
  }
  // The size information: character code, first and last track, copy protection, the
  // number of packs of each type, the last sequence number, and the block's language.
  std::string sizes(36, '\0');
  sizes[0] = char(kLatin1);
  sizes[1] = 1;
  sizes[2] = char(tracks);
  for (uint8_t type = 0; type < 15; ++type) sizes[4 + type] = char(w.count(uint8_t(0x80 | type)));
  sizes[4 + 15] = 3;
  sizes[20] = char(w.packs() + 3 - 1);
  sizes[28] = char(kEnglish);
  for (uint8_t part = 0; part < 3; ++part) w.text(kSizeInfo, part, sizes.substr(part * kTextBytes, kTextBytes), true);
  w.close();
  return w.take();
}

CdTexts readCdTextPacks(const std::vector<uint8_t>& packs) {
  if (packs.size() % kPackBytes != 0)
    throw DwError(DW_E_IO, "The CD-TEXT is damaged: " + std::to_string(packs.size()) + " bytes are no whole packs");
  const size_t count = packs.size() / kPackBytes;
  // Some drives hand the packs over with their CRCs zeroed: nothing to check then.
  bool crcs = false;
  for (size_t p = 0; p < count && !crcs; ++p) crcs = packs[p * kPackBytes + 16] != 0 || packs[p * kPackBytes + 17] != 0;
  uint8_t charCode = kLatin1;
  size_t lastTrack = 0;
  for (size_t p = 0; p < count; ++p) {
    const uint8_t* pack = packs.data() + p * kPackBytes;
    const uint16_t crc = uint16_t(~crc16(pack, 16));
    if (crcs && (pack[16] != (crc >> 8) || pack[17] != (crc & 0xFF)))
      throw DwError(DW_E_IO, "The CD-TEXT is damaged: pack " + std::to_string(p + 1) + " of " + std::to_string(count) +
                                 " fails its check sum");
    if (pack[0] == kSizeInfo && pack[1] == 0 && ((pack[3] >> 4) & 7) == 0) {
      charCode = pack[4];
      lastTrack = pack[6];
    }
  }
  CdTexts texts;
  if (charCode != kLatin1 && charCode != kAscii) return texts;  // a Japanese block: not ours to read
  for (const uint8_t type : {kTitle, kPerformer}) {
    // The type's text bytes of block 0 in their order, from the track of its first pack.
    std::string bytes;
    int track = -1;
    for (size_t p = 0; p < count; ++p) {
      const uint8_t* pack = packs.data() + p * kPackBytes;
      if (pack[0] != type || ((pack[3] >> 4) & 7) != 0 || (pack[3] & 0x80)) continue;
      if (track < 0) track = pack[1];
      bytes.append(reinterpret_cast<const char*>(pack + 4), kTextBytes);
    }
    if (track < 0) continue;
    std::vector<std::string> byTrack(100);
    std::string current;
    for (const char c : bytes) {
      if (c != '\0') {
        current += c;
        continue;
      }
      if (track > 99) break;
      byTrack[size_t(track)] = current == "\t" && track > 0 ? byTrack[size_t(track - 1)] : utf8(current);
      current.clear();
      ++track;
    }
    if (lastTrack == 0)
      for (size_t t = 99; t > 0 && lastTrack == 0; --t)
        if (!byTrack[t].empty()) lastTrack = t;
    (type == kTitle ? texts.title : texts.performer) = byTrack[0];
    auto& list = type == kTitle ? texts.titles : texts.performers;
    list.assign(byTrack.begin() + 1, byTrack.begin() + 1 + std::ptrdiff_t(std::min<size_t>(lastTrack, 99)));
  }
  if (texts.titles.size() < texts.performers.size()) texts.titles.resize(texts.performers.size());
  if (texts.performers.size() < texts.titles.size()) texts.performers.resize(texts.titles.size());
  return texts;
}

}  // namespace discwright
