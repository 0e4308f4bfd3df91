// Cue sheets as people have them: made by ripping tools on several systems, with one image
// for the whole disc or one music file per track. Everything is checked and every file
// measured before a layout comes back, so a bad sheet is refused before a disc is touched.
#include "layout/cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "Discwright.h"
#include "audio/audio_file.h"
#include "error.h"
#include "layout/cd_sector.h"
#include "layout/image_range.h"
#include "platform/platform.h"

namespace discwright {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxSheetBytes = 1u << 20;  // a sheet of 99 tracks is a few kilobytes
constexpr uint32_t kMaxTracks = 99;

enum class CueMode { Audio, Mode1Cooked, Mode1Raw, Mode2Raw };
enum class FileType { Binary, Motorola, Music };

uint32_t fileBlockBytes(CueMode m) { return m == CueMode::Mode1Cooked ? kCookedSectorBytes : kRawSectorBytes; }
TrackKind kindOf(CueMode m) {
  return m == CueMode::Audio ? TrackKind::Audio : m == CueMode::Mode2Raw ? TrackKind::Mode2Raw : TrackKind::Mode1;
}

struct CueFile {
  std::string written, path, type;
  int line = 0;
  FileType kind = FileType::Binary;
  uint64_t bytes = 0;  // image files
  AudioFacts facts;    // music files
  // Image files: from which block on the blocks have which size (the mode of the track there).
  std::vector<std::pair<uint32_t, CueMode>> segments;
  uint64_t blocks = 0, base = 0;  // its length, and where it begins in the sheet's run of blocks
};

struct CueIndex {
  uint32_t number = 0;
  size_t file = 0;
  uint32_t block = 0;
  int line = 0;
};

struct CueTrack {
  uint32_t number = 0;
  int line = 0;
  CueMode mode = CueMode::Audio;
  std::string modeName;
  std::vector<CueIndex> indexes;
  uint32_t pregap = 0, postgap = 0;
  bool dcp = false, pre = false;
  std::string isrc, title, performer;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(const std::string& s) { return !s.empty() && std::all_of(s.begin(), s.end(), isDigit); }

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool validUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2)) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

std::string latin1ToUtf8(std::string_view s) {
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string msf(uint64_t block) {
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned(block / (60 * kBlocksPerSecond)),
                unsigned(block / kBlocksPerSecond % 60), unsigned(block % kBlocksPerSecond));
  return text;
}

std::string twoDigits(uint32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

bool lowerEquals(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool isRegularFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// The file of that name in folder, its letters' case aside (a sheet made on Windows).
std::optional<fs::path> findIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (lowerEquals(platform::utf8(it->path().filename()), name) && isRegularFile(it->path())) return it->path();
  }
  return std::nullopt;
}

class CueParser {
 public:
  explicit CueParser(const std::string& cuePath) : cuePath_(cuePath) {
    const fs::path p = platform::fsPath(cuePath);
    name_ = platform::utf8(p.filename());
    folder_ = p.parent_path();
  }

  std::shared_ptr<TrackLayout> run() {
    for (const std::string& line : readLines()) {
      ++lineNo_;
      command(line);
    }
    endTrack();
    if (tracks_.empty()) throw DwError(DW_E_INVALID_ARGUMENT, name_ + " holds no track");
    measure();
    return build();
  }

 private:
  [[noreturn]] void fail(int line, const std::string& what, uint8_t code = DW_E_INVALID_ARGUMENT) const {
    throw DwError(code, name_ + ", line " + std::to_string(line) + ": " + what);
  }
  [[noreturn]] void fail(const std::string& what, uint8_t code = DW_E_INVALID_ARGUMENT) const {
    fail(lineNo_, what, code);
  }

  std::vector<std::string> readLines() {
    platform::File file;
    platform::FileInfo info;
    if (!file.open(cuePath_, platform::File::Access::Read) || !file.info(info)) {
      const platform::SystemError err = platform::lastError();
      throw DwError(DW_E_FILE, "Cannot read the cue sheet \"" + cuePath_ + "\": " + err.text, err.code);
    }
    if (info.kind != platform::FileKind::Regular || info.size > kMaxSheetBytes)
      throw DwError(DW_E_FILE, "\"" + cuePath_ + "\" is no cue sheet");
    std::string text(size_t(info.size), '\0');
    size_t got = 0;
    while (got < text.size()) {
      const int64_t n = file.readAt(got, text.data() + got, text.size() - got);
      if (n < 0) {
        const platform::SystemError err = platform::lastError();
        throw DwError(DW_E_FILE, "Cannot read the cue sheet \"" + cuePath_ + "\": " + err.text, err.code);
      }
      if (n == 0) break;
      got += size_t(n);
    }
    text.resize(got);
    // Someone chose the image instead of its sheet: say so rather than list its bytes.
    if (text.find('\0') != std::string::npos) throw DwError(DW_E_FILE, "\"" + cuePath_ + "\" is no cue sheet");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    else if (!validUtf8(text)) text = latin1ToUtf8(text);
    // Lines end in LF, CRLF or (old Macs) CR alone.
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.emplace_back();
      } else {
        lines.back() += text[i];
      }
    }
    return lines;
  }

  // Bare words, or words in double quotes that may hold spaces.
  std::vector<std::string> words(std::string_view rest) const {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < rest.size()) {
      if (std::isspace(static_cast<unsigned char>(rest[i]))) {
        ++i;
      } else if (rest[i] == '"') {
        const size_t close = rest.find('"', i + 1);
        if (close == std::string_view::npos) fail("a quotation mark is not closed");
        out.emplace_back(rest.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        size_t end = i;
        while (end < rest.size() && !std::isspace(static_cast<unsigned char>(rest[end]))) ++end;
        out.emplace_back(rest.substr(i, end - i));
        i = end;
      }
    }
    return out;
  }

  // A text argument: quoted (the outer quotes go, quotes inside stay) or bare.
  static std::string text(std::string_view rest) {
    rest = trim(rest);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    return std::string(rest);
  }

  uint32_t number(const std::string& word, const char* what) const {
    if (word.size() > 3 || !allDigits(word))
      fail("\"" + word + "\" is no " + what);
    return uint32_t(std::stoul(word));
  }

  uint32_t time(const std::string& word) const {
    unsigned m = 0, s = 0, f = 0;
    char tail = 0;
    if (std::sscanf(word.c_str(), "%u:%u:%u%c", &m, &s, &f, &tail) != 3 || s >= 60 || f >= kBlocksPerSecond ||
        m > 999 || word.find_first_not_of("0123456789:") != std::string::npos)
      fail("\"" + word + "\" is no time (mm:ss:ff, 75 frames a second)");
    return (m * 60 + s) * kBlocksPerSecond + f;
  }

  CueTrack& track(const std::string& keyword) {
    if (tracks_.empty()) fail(keyword + " comes before the first TRACK");
    return tracks_.back();
  }

  void needArgs(const std::vector<std::string>& args, size_t n, const std::string& keyword) const {
    if (args.size() != n) fail(keyword + " takes " + std::to_string(n) + (n == 1 ? " value" : " values"));
  }

  void command(const std::string& line) {
    const std::string_view s = trim(line);
    if (s.empty()) return;
    size_t end = 0;
    while (end < s.size() && !std::isspace(static_cast<unsigned char>(s[end]))) ++end;
    const std::string keyword = upper(s.substr(0, end));
    const std::string_view rest = s.substr(end);

    if (keyword == "REM") {
      // Remarks are free text (quotes need not pair); only a session number counts.
      char session[8] = {};
      unsigned number = 0;
      if (std::sscanf(std::string(rest).c_str(), " %7s %u", session, &number) == 2 && upper(session) == "SESSION" &&
          number >= 2)
        fail("the sheet describes several sessions (REM SESSION " + twoDigits(number) + "): one session is written");
    } else if (keyword == "SONGWRITER") {
    } else if (keyword == "FILE") {
      fileCommand(rest);
    } else if (keyword == "TRACK") {
      trackCommand(words(rest));
    } else if (keyword == "INDEX") {
      indexCommand(words(rest));
    } else if (keyword == "PREGAP" || keyword == "POSTGAP") {
      const std::vector<std::string> args = words(rest);
      CueTrack& t = track(keyword);
      needArgs(args, 1, keyword);
      (keyword == "PREGAP" ? t.pregap : t.postgap) = time(args[0]);
    } else if (keyword == "CATALOG") {
      const std::vector<std::string> args = words(rest);
      needArgs(args, 1, keyword);
      if (args[0].size() != 13 || !allDigits(args[0]))
        fail("\"" + args[0] + "\" is no catalog number: 13 digits");
      catalog_ = args[0];
    } else if (keyword == "ISRC") {
      const std::vector<std::string> args = words(rest);
      CueTrack& t = track(keyword);
      needArgs(args, 1, keyword);
      const std::string& v = args[0];
      bool ok = v.size() == 12;
      for (size_t i = 0; ok && i < v.size(); ++i)
        ok = i < 5 ? std::isalnum(static_cast<unsigned char>(v[i])) != 0 : std::isdigit(static_cast<unsigned char>(v[i])) != 0;
      if (!ok) fail("\"" + v + "\" is no ISRC: 5 letters or digits, then 7 digits");
      t.isrc = upper(v);
    } else if (keyword == "FLAGS") {
      CueTrack& t = track(keyword);
      for (const std::string& flag : words(rest)) {
        const std::string f = upper(flag);
        if (f == "DCP") t.dcp = true;
        else if (f == "PRE") t.pre = true;
        else if (f == "4CH") fail("four-channel audio (FLAGS 4CH) cannot be written");
        else fail("the flag " + flag + " cannot be written (DCP and PRE can)");
      }
    } else if (keyword == "TITLE" || keyword == "PERFORMER") {
      std::string value = text(rest);
      if (value.size() > DISCWRIGHT_CD_TEXT_CHARS)
        fail(keyword + " is longer than the " + std::to_string(DISCWRIGHT_CD_TEXT_CHARS) + " bytes CD-TEXT takes");
      if (tracks_.empty()) (keyword == "TITLE" ? title_ : performer_) = std::move(value);
      else (keyword == "TITLE" ? tracks_.back().title : tracks_.back().performer) = std::move(value);
    } else if (keyword == "CDTEXTFILE") {
      fail("CDTEXTFILE is not taken: the CD-TEXT is written from TITLE and PERFORMER");
    } else {
      fail("unknown command " + std::string(s.substr(0, end)));
    }
  }

  void fileCommand(std::string_view rest) {
    rest = trim(rest);
    std::string written, type;
    if (!rest.empty() && rest.front() == '"') {
      const size_t close = rest.rfind('"');
      if (close == 0) fail("a quotation mark is not closed");
      written = std::string(rest.substr(1, close - 1));
      type = upper(trim(rest.substr(close + 1)));
    } else {
      size_t end = 0;
      while (end < rest.size() && !std::isspace(static_cast<unsigned char>(rest[end]))) ++end;
      written = std::string(rest.substr(0, end));
      type = upper(trim(rest.substr(end)));
    }
    if (written.empty()) fail("FILE names no file");
    if (type.empty() || type.find_first_of(" \t") != std::string::npos)
      fail("FILE takes a name and a type (BINARY, MOTOROLA, WAVE, ...)");
    CueFile f;
    f.written = written;
    f.type = type;
    f.line = lineNo_;
    f.kind = type == "BINARY" ? FileType::Binary : type == "MOTOROLA" ? FileType::Motorola : FileType::Music;
    f.path = locate(written);
    if (f.kind == FileType::Music) {
      try {
        const AudioFile probed = probeAudioFile(f.path);
        f.facts = probed.facts;
      } catch (const DwError& e) {
        throw DwError(e.code(), name_ + ", line " + std::to_string(lineNo_) + ": " + e.what(), e.status());
      }
      f.blocks = (f.facts.samples + kSamplesPerBlock - 1) / kSamplesPerBlock;
    } else {
      std::error_code ec;
      f.bytes = fs::file_size(platform::fsPath(f.path), ec);
      if (ec) fail("the size of \"" + written + "\" cannot be read: " + ec.message(), DW_E_FILE);
    }
    files_.push_back(std::move(f));
  }

  std::string locate(const std::string& written) const {
    std::string name = written;
#ifndef _WIN32
    std::replace(name.begin(), name.end(), '\\', '/');
#endif
    fs::path p = platform::fsPath(name);
    if (p.is_relative()) p = folder_ / p;
    if (isRegularFile(p)) return platform::utf8(p);
    const std::string leaf = platform::utf8(p.filename());
    if (auto found = findIgnoringCase(p.parent_path(), leaf)) return platform::utf8(*found);
    if (leaf.size() > 4 && lowerEquals(leaf.substr(leaf.size() - 4), ".wav")) {
      const std::string flac = leaf.substr(0, leaf.size() - 4) + ".flac";
      if (findIgnoringCase(p.parent_path(), flac))
        fail("\"" + written + "\" is not there, but \"" + flac +
                 "\" is: the sheet was made for other files; correct it to name the files it means",
             DW_E_FILE);
    }
    fail("the file \"" + written + "\" is not there (looked for " + platform::utf8(p) + ")", DW_E_FILE);
  }

  void endTrack() {
    if (tracks_.empty()) return;
    const CueTrack& t = tracks_.back();
    if (std::none_of(t.indexes.begin(), t.indexes.end(), [](const CueIndex& i) { return i.number == 1; }))
      fail(t.line, "track " + std::to_string(t.number) + " has no INDEX 01");
  }

  void trackCommand(const std::vector<std::string>& args) {
    endTrack();
    needArgs(args, 2, "TRACK");
    if (files_.empty()) fail("TRACK comes before any FILE");
    const uint32_t n = number(args[0], "track number");
    if (n > kMaxTracks || tracks_.size() >= kMaxTracks) fail("a CD holds at most 99 tracks");
    if (n != tracks_.size() + 1)
      fail("track numbers run 1, 2, 3...: TRACK " + args[0] +
           (tracks_.empty() ? std::string(" is the first") : " follows track " + std::to_string(tracks_.size())));
    const std::string mode = upper(args[1]);
    CueTrack t;
    t.number = n;
    t.line = lineNo_;
    t.modeName = mode;
    if (mode == "AUDIO") t.mode = CueMode::Audio;
    else if (mode == "MODE1/2048") t.mode = CueMode::Mode1Cooked;
    else if (mode == "MODE1/2352") t.mode = CueMode::Mode1Raw;
    else if (mode == "MODE2/2352") t.mode = CueMode::Mode2Raw;
    else if (mode == "CDG") fail("CD+G tracks (CDG) cannot be written");
    else if (mode.rfind("CDI", 0) == 0) fail("CD-i tracks (" + args[1] + ") cannot be written");
    else if (mode == "MODE2/2336") fail("MODE2/2336 tracks (sectors without their sync and header) cannot be written");
    else fail("unknown track mode " + args[1]);
    checkFileFits(t);
    tracks_.push_back(std::move(t));
  }

  void checkFileFits(const CueTrack& t) const {
    const CueFile& f = files_.back();
    if (t.mode != CueMode::Audio && f.kind == FileType::Music)
      fail("a " + t.modeName + " track cannot come from a music file (\"" + f.written + "\", " + f.type + ")");
  }

  void indexCommand(const std::vector<std::string>& args) {
    CueTrack& t = track("INDEX");
    needArgs(args, 2, "INDEX");
    const uint32_t n = number(args[0], "index number");
    const uint32_t expected = t.indexes.empty() ? (n == 0 ? 0 : 1) : t.indexes.back().number + 1;
    if (n != expected || n > 99)
      fail("INDEX " + args[0] + (t.indexes.empty() ? " comes first" : " follows INDEX " + twoDigits(t.indexes.back().number)) +
           ": indexes run 00 (when there is one), 01, 02...");
    checkFileFits(t);
    CueIndex idx{n, files_.size() - 1, time(args[1]), lineNo_};
    if (last_ && last_->file == idx.file) {
      // Index 0 and 1 at the same place: a pause of no length.
      const bool mayEqual = n == 1 && !t.indexes.empty();
      if (idx.block < last_->block || (idx.block == last_->block && !mayEqual))
        fail("INDEX " + args[0] + " " + args[1] + " does not come after the index before it (" + msf(last_->block) + ")");
    }
    t.indexes.push_back(idx);
    last_ = idx;
  }

  // The files' lengths in blocks, and each index checked against them.
  void measure() {
    // The modes of an image's blocks: each track's from where it begins.
    std::optional<CueMode> running;
    size_t nextTrack = 0;
    for (size_t fi = 0; fi < files_.size(); ++fi) {
      CueFile& f = files_[fi];
      std::vector<std::pair<uint32_t, CueMode>> starts;
      for (; nextTrack < tracks_.size() && tracks_[nextTrack].indexes.front().file == fi; ++nextTrack)
        starts.emplace_back(tracks_[nextTrack].indexes.front().block, tracks_[nextTrack].mode);
      // Blocks before the first track that begins here belong to the one running on.
      if (starts.empty() || starts.front().first > 0)
        f.segments.emplace_back(0, running ? *running : starts.empty() ? CueMode::Audio : starts.front().second);
      for (const auto& s : starts) f.segments.push_back(s);
      running = f.segments.back().second;
      if (f.kind != FileType::Music) measureImage(f);
    }
    uint64_t base = 0;
    for (CueFile& f : files_) {
      f.base = base;
      base += f.blocks;
    }
    for (const CueTrack& t : tracks_) {
      for (const CueIndex& i : t.indexes) {
        const CueFile& f = files_[i.file];
        const bool oneElsewhere = i.number == 0 && t.indexes.size() > 1 && t.indexes[1].file != i.file;
        if (i.block > f.blocks || (i.block == f.blocks && !oneElsewhere))
          fail(i.line, "INDEX " + twoDigits(i.number) + " " + msf(i.block) + " lies past the end of \"" + f.written +
                           "\", which is " + msf(f.blocks) + " long");
      }
    }
    for (const CueFile& f : files_) {
      const CueMode last = f.segments.back().second;
      if (f.kind != FileType::Music && last != CueMode::Audio && byteOffset(f, f.blocks) != f.bytes)
        fail(f.line, "\"" + f.written + "\" ends inside a sector: its " + std::to_string(f.bytes) +
                         " bytes are no whole number of " + std::to_string(fileBlockBytes(last)) + "-byte sectors");
    }
  }

  static void measureImage(CueFile& f) {
    uint64_t offset = 0;
    for (size_t s = 0; s < f.segments.size(); ++s) {
      const uint32_t bpb = fileBlockBytes(f.segments[s].second);
      const uint64_t left = f.bytes > offset ? f.bytes - offset : 0;
      const bool last = s + 1 == f.segments.size();
      const uint64_t segBlocks = last ? 0 : f.segments[s + 1].first - f.segments[s].first;
      if (last || left < segBlocks * bpb) {
        f.blocks = f.segments[s].first + (left + bpb - 1) / bpb;  // a last audio block cut short counts
        return;
      }
      offset += segBlocks * bpb;
    }
  }

  static uint64_t byteOffset(const CueFile& f, uint64_t block) {
    uint64_t offset = 0;
    for (size_t s = 0; s < f.segments.size(); ++s) {
      const uint64_t from = f.segments[s].first;
      const uint64_t to = s + 1 < f.segments.size() ? f.segments[s + 1].first : UINT64_MAX;
      const uint32_t bpb = fileBlockBytes(f.segments[s].second);
      if (block <= to) return offset + (block - from) * bpb;
      offset += (to - from) * bpb;
    }
    return offset;
  }

  uint64_t global(const CueIndex& i) const { return files_[i.file].base + i.block; }

  std::shared_ptr<TrackLayout> build() const {
    auto layout = std::make_shared<TrackLayout>();
    layout->catalog = catalog_;
    layout->title = title_;
    layout->performer = performer_;
    const uint64_t total = files_.back().base + files_.back().blocks;
    for (size_t k = 0; k < tracks_.size(); ++k) {
      const CueTrack& t = tracks_[k];
      const uint64_t from = global(t.indexes.front());
      const uint64_t to = k + 1 < tracks_.size() ? global(tracks_[k + 1].indexes.front()) : total;
      const CueIndex& one = *std::find_if(t.indexes.begin(), t.indexes.end(), [](const CueIndex& i) { return i.number == 1; });
      const uint64_t indexOne = global(one);
      if (to <= indexOne) fail(one.line, "track " + std::to_string(t.number) + " holds no sector after its INDEX 01");
      LayoutTrack lt;
      lt.kind = kindOf(t.mode);
      lt.copyPermitted = t.dcp;
      lt.preEmphasis = t.pre;
      lt.pauseBlocks = t.pregap + (k == 0 ? kLeadInPauseBlocks : 0);
      lt.sourcePregapBlocks = uint32_t(indexOne - from);
      lt.postgapBlocks = t.postgap;
      for (const CueIndex& i : t.indexes)
        if (i.number >= 2) lt.indexes.push_back(uint32_t(global(i) - indexOne));
      lt.isrc = t.isrc;
      lt.title = t.title;
      lt.performer = t.performer;
      std::vector<std::shared_ptr<const TrackSource>> parts;
      for (const CueFile& f : files_) {
        const uint64_t lo = std::max(from, f.base), hi = std::min(to, f.base + f.blocks);
        if (hi <= lo) continue;
        parts.push_back(part(t, f, lo - f.base, hi - f.base, lt));
      }
      lt.source = joinedSource(std::move(parts), sectorBytes(lt.kind));
      if (t.mode == CueMode::Mode1Raw) checkMode1(t, files_[one.file], one.block);
      layout->tracks.push_back(std::move(lt));
    }
    return layout;
  }

  std::shared_ptr<const TrackSource> part(const CueTrack& t, const CueFile& f, uint64_t from, uint64_t to,
                                          LayoutTrack& lt) const {
    const std::string label = "track " + std::to_string(t.number);
    if (f.kind == FileType::Music) {
      const uint64_t first = from * kSamplesPerBlock;
      const uint64_t samples = to == f.blocks ? f.facts.samples - first : (to - from) * kSamplesPerBlock;
      lt.audio.samples += samples;
      lt.audio.rate = f.facts.rate;
      lt.audio.channels = f.facts.channels;
      try {
        return audioFileSource(f.path, first, samples);
      } catch (const DwError& e) {
        throw DwError(e.code(), name_ + ", line " + std::to_string(f.line) + ": " + e.what(), e.status());
      }
    }
    ImageRange r;
    r.path = f.path;
    r.offset = byteOffset(f, from);
    r.blocks = uint32_t(to - from);
    r.fileBlockBytes = fileBlockBytes(t.mode);
    r.form = t.mode == CueMode::Mode1Raw                                    ? ImageForm::Mode1Data
             : t.mode == CueMode::Audio && f.kind == FileType::Motorola ? ImageForm::SwapBytes
                                                                            : ImageForm::AsIs;
    r.label = label;
    return imageRangeSource(std::move(r));
  }

  // A sheet that calls a Mode 2 image MODE1/2352 is refused now rather than mid-burn.
  void checkMode1(const CueTrack& t, const CueFile& f, uint32_t block) const {
    platform::File file;
    std::vector<uint8_t> sector(kRawSectorBytes), data(kCookedSectorBytes);
    if (!file.open(f.path, platform::File::Access::Read) ||
        file.readAt(byteOffset(f, block), sector.data(), sector.size()) != int64_t(sector.size()))
      fail(t.line, "\"" + f.written + "\" cannot be read: " + platform::lastErrorText(), DW_E_FILE);
    std::string why;
    if (!mode1UserData(sector.data(), data.data(), &why))
      fail(t.line, "track " + std::to_string(t.number) + " is said to be MODE1/2352, but its sector at INDEX 01 is not " +
                       "a Mode 1 sector: " + why);
  }

  std::string cuePath_, name_;
  fs::path folder_;
  int lineNo_ = 0;
  std::string catalog_, title_, performer_;
  std::vector<CueFile> files_;
  std::vector<CueTrack> tracks_;
  std::optional<CueIndex> last_;
};

// Quoted for the sheet; a double quote inside becomes a single one (noted in notes).
std::string quoted(std::string text, const std::string& what, std::vector<std::string>& notes) {
  bool changed = false;
  for (char& c : text) {
    if (c == '"') c = '\'', changed = true;
    else if (c == '\r' || c == '\n') c = ' ', changed = true;
  }
  if (changed) notes.push_back("REM " + what + " held double quotes or line breaks: written with ' and spaces");
  return "\"" + text + "\"";
}

const char* sheetMode(TrackKind kind) {
  // The image holds whole sectors, so Mode 1 tracks stand in it raw.
  switch (kind) {
    case TrackKind::Audio: return "AUDIO";
    case TrackKind::Mode1: return "MODE1/2352";
    case TrackKind::Mode2Raw: return "MODE2/2352";
  }
  return "AUDIO";
}

}  // namespace

std::shared_ptr<TrackLayout> layoutFromCueSheet(const std::string& cuePath) {
  if (cuePath.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "No cue sheet was named");
  return CueParser(cuePath).run();
}

std::string cueSheetText(const TrackLayout& disc, const std::string& binName) {
  if (binName.empty() || binName.find_first_of("\"\r\n") != std::string::npos)
    throw DwError(DW_E_INVALID_ARGUMENT, "A cue sheet cannot name the image \"" + binName +
                                             "\": its name holds a double quote or a line break");
  std::vector<std::string> notes;
  std::string body;
  auto line = [&](const std::string& text) { body += text + "\n"; };
  if (!disc.catalog.empty()) line("CATALOG " + disc.catalog);
  if (!disc.title.empty()) line("TITLE " + quoted(disc.title, "The album's title", notes));
  if (!disc.performer.empty()) line("PERFORMER " + quoted(disc.performer, "The album's performer", notes));
  line("FILE \"" + binName + "\" BINARY");
  for (size_t i = 0; i < disc.tracks.size(); ++i) {
    const LayoutTrack& t = disc.tracks[i];
    const std::string n = twoDigits(uint32_t(i + 1));
    line("  TRACK " + n + " " + sheetMode(t.kind));
    if (t.copyPermitted || t.preEmphasis)
      line(std::string("    FLAGS") + (t.copyPermitted ? " DCP" : "") + (t.preEmphasis ? " PRE" : ""));
    if (!t.isrc.empty()) line("    ISRC " + t.isrc);
    if (!t.title.empty()) line("    TITLE " + quoted(t.title, "The title of track " + n, notes));
    if (!t.performer.empty()) line("    PERFORMER " + quoted(t.performer, "The performer of track " + n, notes));
    const uint32_t one = disc.startBlock(i);
    // In a whole-disc image all of the pause stands before index 1, as read.
    const uint32_t written = i == 0 ? (t.pauseBlocks > kLeadInPauseBlocks ? t.pauseBlocks - kLeadInPauseBlocks : 0)
                                    : t.pauseBlocks;
    const uint32_t pause = std::min(one, written + t.sourcePregapBlocks);
    if (pause > 0) line("    INDEX 00 " + msf(one - pause));
    line("    INDEX 01 " + msf(one));
    for (size_t k = 0; k < t.indexes.size() && k < 98; ++k)
      line("    INDEX " + twoDigits(uint32_t(k + 2)) + " " + msf(uint64_t(one) + t.indexes[k]));
  }
  std::string head;
  for (const std::string& note : notes) head += note + "\n";
  return head + body;
}

}  // namespace discwright
