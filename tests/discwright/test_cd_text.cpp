// CD-TEXT packs against outside references: byte for byte the packs libburn makes of the
// same texts given as an input sheet (the routine behind `cdrskin --cdtext_dummy`, which
// itself wants a blank CD in a real drive), and read back by `cdrskin textfile_to_v07t=`.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Discwright.h"
#include "common/test_common.h"
#include "error.h"
#include "layout/cd_text.h"

#if KORVANEL_HAS_FILE_DRIVES
#include <libburn/libburn.h>
using namespace burn;
#endif

namespace {

namespace fs = std::filesystem;
using namespace discwright;
using testcommon::TempDir;

struct TrackText {
  std::string title, performer, isrc;  // as the sheet has them: ISO 8859-1
  std::string utf8Title = "";          // the layout's title when it is not the sheet's in UTF-8
};
struct Album {
  const char* name;
  std::string title, performer, catalog;
  std::vector<TrackText> tracks;
};

void PrintTo(const Album& a, std::ostream* os) { *os << a.name; }

const std::vector<Album>& albums() {
  static const std::vector<Album> table = {
      {"AlbumAndTracks", "Joyful Nights", "United Cat Orchestra", "",
       {{"Song of Joy", "Felix", ""}, {"Two", "Felix", ""}, {"Three", "The Purrs", ""}}},
      {"LongTextsSpanPacks", "A title much longer than the twelve bytes of one pack, and then some more", "Short", "",
       {{"Another text well beyond twelve bytes", "P", ""}, {"x", "Someone with a long name indeed", ""}}},
      {"EmptyTrackTitle", "Album", "", "", {{"First", "", ""}, {"", "", ""}, {"Third", "", ""}}},
      {"Latin1Accents", "Caf\xe9 au lait", "Se\xf1or \xc5ngstr\xf6m", "",
       {{"Na\xefve \xfc" "ber", "Fran\xe7oise", ""}, {"Price 5 ?", "\xc6sop", "", "Price 5 \xe2\x82\xac"}}},
      {"TracksWithoutAlbum", "", "", "", {{"Only", "Tracks", ""}, {"Here", "Tracks", ""}}},
      {"CatalogAndIsrc", "Coded", "Band", "0123456789012",
       {{"One", "Band", "DEXY12400001"}, {"Two", "Band", "DEXY12400002"}}},
  };
  return table;
}

std::string utf8(const std::string& latin1) {
  std::string out;
  for (const char ch : latin1) {
    const auto c = uint8_t(ch);
    if (c < 0x80) out += ch;
    else out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
  }
  return out;
}

TrackLayout layoutOf(const Album& a) {
  TrackLayout l;
  l.title = utf8(a.title);
  l.performer = utf8(a.performer);
  l.catalog = a.catalog;
  for (const TrackText& t : a.tracks) {
    LayoutTrack track;
    track.title = t.utf8Title.empty() ? utf8(t.title) : t.utf8Title;
    track.performer = utf8(t.performer);
    track.isrc = t.isrc;
    l.tracks.push_back(track);
  }
  return l;
}

std::string number(size_t track) {
  return std::string(track < 10 ? "0" : "") + std::to_string(track);
}

void writeSheet(const fs::path& path, const Album& a) {
  std::ofstream s(path, std::ios::binary);
  s << "Input Sheet Version = 0.7T\nText Code = 8859\nLanguage Code = English\n";
  if (!a.title.empty()) s << "Album Title = " << a.title << "\n";
  if (!a.performer.empty()) s << "Artist Name = " << a.performer << "\n";
  if (!a.catalog.empty()) s << "UPC / EAN = " << a.catalog << "\n";
  for (size_t i = 0; i < a.tracks.size(); ++i) {
    const TrackText& t = a.tracks[i];
    if (!t.title.empty()) s << "Track " << number(i + 1) << " Title = " << t.title << "\n";
    if (!t.performer.empty()) s << "Track " << number(i + 1) << " Artist = " << t.performer << "\n";
    if (!t.isrc.empty()) s << "ISRC " << number(i + 1) << " = " << t.isrc << "\n";
  }
}

class CdTextAlbum : public ::testing::TestWithParam<Album> {};

#if KORVANEL_HAS_FILE_DRIVES
std::vector<uint8_t> libburnPacks(const fs::path& sheet, size_t tracks) {
  burn_initialize();  // a no-op while the library's own use of it runs
  burn_session* session = burn_session_create();
  for (size_t i = 0; i < tracks; ++i) {
    burn_track* track = burn_track_create();
    burn_session_add_track(session, track, BURN_POS_END);
    burn_track_free(track);
  }
  std::vector<uint8_t> bytes;
  std::string path = sheet.string();
  if (burn_session_input_sheet_v07t(session, path.data(), 0, 0) > 0) {
    unsigned char* packs = nullptr;
    int count = 0;
    if (burn_cdtext_from_session(session, &packs, &count, 0) > 0 && packs) bytes.assign(packs, packs + 18 * count);
    std::free(packs);
  }
  burn_session_free(session);
  return bytes;
}
#endif

TEST_P(CdTextAlbum, PacksEqualTheReferenceAndReadBack) {
  const Album& album = GetParam();
  const TrackLayout layout = layoutOf(album);
  const std::vector<uint8_t> ours = cdTextPacks(layout);
  ASSERT_FALSE(ours.empty());
  ASSERT_EQ(ours.size() % 18, 0u);

  const CdTexts back = readCdTextPacks(ours);
  EXPECT_EQ(back.title, utf8(album.title));
  EXPECT_EQ(back.performer, utf8(album.performer));
  ASSERT_EQ(back.titles.size(), album.tracks.size());
  for (size_t i = 0; i < album.tracks.size(); ++i) {
    EXPECT_EQ(back.titles[i], utf8(album.tracks[i].title)) << i;
    EXPECT_EQ(back.performers[i], utf8(album.tracks[i].performer)) << i;
  }

  TempDir dir;
  writeSheet(dir / "album.v07t", album);
#if KORVANEL_HAS_FILE_DRIVES
  EXPECT_EQ(ours, libburnPacks(dir / "album.v07t", album.tracks.size()));
#endif

#ifndef _WIN32
  if (std::system("command -v cdrskin >/dev/null 2>&1") != 0) GTEST_SKIP() << "cdrskin is not installed";
  std::ofstream(dir / "album.cdt", std::ios::binary).write(reinterpret_cast<const char*>(ours.data()), std::streamsize(ours.size()));
  const std::string command = "cdrskin textfile_to_v07t='" + (dir / "album.cdt").string() + "' > '" +
                              (dir / "sheet.txt").string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::stringstream sheet;
  sheet << std::ifstream(dir / "sheet.txt", std::ios::binary).rdbuf();
  const auto line = [](std::string spec, const std::string& value) {
    spec.resize(std::max<size_t>(spec.size(), 19), ' ');
    return "\n" + spec + " = " + value + "\n";
  };
  std::vector<std::string> expected = {line("Text Code", "8859"), line("Language Code", "English")};
  if (!album.title.empty()) expected.push_back(line("Album Title", album.title));
  if (!album.performer.empty()) expected.push_back(line("Artist Name", album.performer));
  for (size_t i = 0; i < album.tracks.size(); ++i) {
    if (!album.tracks[i].title.empty()) expected.push_back(line("Track " + number(i + 1) + " Title", album.tracks[i].title));
    if (!album.tracks[i].performer.empty())
      expected.push_back(line("Track " + number(i + 1) + " Artist", album.tracks[i].performer));
  }
  for (const std::string& e : expected) EXPECT_NE(sheet.str().find(e), std::string::npos) << e << "in\n" << sheet.str();
#endif
}

INSTANTIATE_TEST_SUITE_P(Albums, CdTextAlbum, ::testing::ValuesIn(albums()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdText, EdgesAndDamage) {
  TrackLayout plain;
  plain.tracks.resize(2);
  EXPECT_TRUE(cdTextPacks(plain).empty()) << "no text, no packs";

  // Damaged packs are refused, not read as other texts.
  std::vector<uint8_t> packs = cdTextPacks(layoutOf(albums()[0]));
  packs[5] ^= 0x20;
  try {
    readCdTextPacks(packs);
    ADD_FAILURE() << "damaged packs were read";
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_IO);
  }
  packs.pop_back();
  EXPECT_THROW(readCdTextPacks(packs), DwError);

  // More text than a block holds.
  TrackLayout huge;
  huge.tracks.resize(99);
  for (LayoutTrack& t : huge.tracks) t.title = std::string(40, 'x') + char('A' + (&t - huge.tracks.data()) % 26);
  try {
    cdTextPacks(huge);
    ADD_FAILURE() << "too much CD-TEXT was taken";
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_INVALID_ARGUMENT);
  }
}

}  // namespace
