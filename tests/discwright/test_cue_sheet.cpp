// Cue sheets read into track layouts (what each command makes of a track, and every kind of
// bad sheet refused with its line) and written back for a disc saved as one image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "audio/audio_file.h"
#include "common/test_common.h"
#include "error.h"
#include "layout/cd_sector.h"
#include "layout/cue_sheet.h"

namespace {

using discwright::DwError;
using discwright::LayoutTrack;
using discwright::TrackKind;
using discwright::TrackLayout;
using testcommon::Bytes;
using testcommon::TempDir;
namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

Bytes sourceBytes(const LayoutTrack& t) {
  auto stream = t.source->open();
  Bytes out(size_t(stream->size()));
  size_t got = 0;
  while (got < out.size()) {
    const size_t n = stream->read(out.data() + got, out.size() - got);
    if (n == 0) break;
    got += n;
  }
  out.resize(got);
  return out;
}

Bytes slice(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + long(from), b.begin() + long(from + n)); }

// Every bad sheet is refused before anything is read further, naming its line.
struct BadSheet {
  const char* why;
  std::string sheet;
  uint8_t code;
  std::string message;  // a part of the error text
};

TEST(CueSheetRefusals, EachBadSheetNamesItsLine) {
  const std::string file = "FILE \"disc.bin\" BINARY\n";
  const std::string track1 = "TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  const std::vector<BadSheet> rows = {
      {"empty", "REM nothing\n", DW_E_INVALID_ARGUMENT, "album.cue holds no track"},
      {"CD+G", file + "TRACK 01 CDG\n", DW_E_INVALID_ARGUMENT, "album.cue, line 2: CD+G"},
      {"mode 2/2336", file + "TRACK 01 MODE2/2336\n", DW_E_INVALID_ARGUMENT, "line 2: MODE2/2336"},
      {"CD-i", file + "TRACK 01 CDI/2352\n", DW_E_INVALID_ARGUMENT, "line 2: CD-i"},
      {"unknown mode", file + "TRACK 01 MODE3/2352\n", DW_E_INVALID_ARGUMENT, "line 2: unknown track mode"},
      {"unknown command", file + track1 + "FROBNICATE 1\n", DW_E_INVALID_ARGUMENT, "line 4: unknown command FROBNICATE"},
      {"missing file", "FILE \"gone.bin\" BINARY\n" + track1, DW_E_FILE, "line 1: the file \"gone.bin\" is not there (looked for"},
      {"wav for flac", "FILE \"song.wav\" WAVE\n" + track1, DW_E_FILE, "\"song.flac\" is"},
      {"no index 01", file + "TRACK 01 AUDIO\nINDEX 00 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n", DW_E_INVALID_ARGUMENT,
       "line 2: track 1 has no INDEX 01"},
      {"no index 01 at the end", file + "TRACK 01 AUDIO\n", DW_E_INVALID_ARGUMENT, "line 2: track 1 has no INDEX 01"},
      {"indexes backwards", file + track1 + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n", DW_E_INVALID_ARGUMENT,
       "line 5: INDEX 01 00:00:00 does not come after"},
      {"index skipped", file + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 03 00:00:10\n", DW_E_INVALID_ARGUMENT,
       "line 4: INDEX 03 follows INDEX 01"},
      {"index past the end", file + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n",
       DW_E_INVALID_ARGUMENT, "line 5: INDEX 01 00:05:00 lies past the end of \"disc.bin\", which is 00:02:00 long"},
      {"track numbers", file + track1 + "TRACK 03 AUDIO\n", DW_E_INVALID_ARGUMENT, "line 4: track numbers run 1, 2, 3"},
      {"first track not 1", file + "TRACK 02 AUDIO\n", DW_E_INVALID_ARGUMENT, "line 2: track numbers run"},
      {"track 100", file + "TRACK 100 AUDIO\n", DW_E_INVALID_ARGUMENT, "at most 99 tracks"},
      {"track before file", "TRACK 01 AUDIO\n", DW_E_INVALID_ARGUMENT, "line 1: TRACK comes before any FILE"},
      {"bad time", file + "TRACK 01 AUDIO\nINDEX 01 00:60:00\n", DW_E_INVALID_ARGUMENT, "line 3: \"00:60:00\" is no time"},
      {"4CH", file + "TRACK 01 AUDIO\nFLAGS DCP 4CH\n", DW_E_INVALID_ARGUMENT, "line 3: four-channel"},
      {"SCMS", file + "TRACK 01 AUDIO\nFLAGS SCMS\n", DW_E_INVALID_ARGUMENT, "line 3: the flag SCMS"},
      {"second session", file + track1 + "REM SESSION 02\n", DW_E_INVALID_ARGUMENT, "line 4: the sheet describes several sessions"},
      {"long title", "TITLE \"" + std::string(161, 'x') + "\"\n", DW_E_INVALID_ARGUMENT, "line 1: TITLE is longer than"},
      {"CD-TEXT file", "CDTEXTFILE \"x.cdt\"\n", DW_E_INVALID_ARGUMENT, "line 1: CDTEXTFILE is not taken"},
      {"bad ISRC", file + "TRACK 01 AUDIO\nISRC ABC\n", DW_E_INVALID_ARGUMENT, "line 3: \"ABC\" is no ISRC"},
      {"bad catalog", "CATALOG 12345\n", DW_E_INVALID_ARGUMENT, "line 1: \"12345\" is no catalog number"},
      {"unclosed quote", file + "TRACK 01 AUDIO\nINDEX \"01 00:00:00\n", DW_E_INVALID_ARGUMENT, "line 3: a quotation mark"},
      {"data ends inside a sector", "FILE \"odd.bin\" BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n",
       DW_E_INVALID_ARGUMENT, "line 1: \"odd.bin\" ends inside a sector"},
      {"index before track", file + "INDEX 01 00:00:00\n", DW_E_INVALID_ARGUMENT, "line 2: INDEX comes before the first TRACK"},
  };
  TempDir dir;
  writeText(dir / "disc.bin", std::string(150 * 2352, '\0'));
  writeText(dir / "odd.bin", std::string(2048 * 3 + 5, '\0'));
  writeText(dir / "song.flac", "fLaC");
  for (const BadSheet& row : rows) {
    SCOPED_TRACE(row.why);
    writeText(dir / "album.cue", row.sheet);
    try {
      discwright::layoutFromCueSheet(testcommon::utf8(dir / "album.cue"));
      ADD_FAILURE() << "taken";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), row.code) << e.what();
      EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
    }
  }
}

// One image with the usual commands: pauses in and out of the file, indexes, flags, texts,
// a sheet from Windows (CRLF, a BOM, the file's name in other letters' case).
TEST(CueSheetLayout, OneImageWithPausesIndexesAndTexts) {
  TempDir dir;
  const Bytes image = testcommon::writePatternFile(dir / "Disc Image.BIN", 2352 * 1000, 7);
  const std::string sheet =
      "\xEF\xBB\xBF"
      "REM COMMENT \"a remark whose quote is not closed\r\n"
      "CATALOG 1234567890123\r\n"
      "performer \"The Band\"\r\n"
      "TITLE \"Caf\xC3\xA9 \"Live\"\"\r\n"
      "FILE \"disc image.bin\" BINARY\r\n"
      "  TRACK 01 AUDIO\r\n"
      "    TITLE One\r\n"
      "    FLAGS DCP PRE\r\n"
      "    ISRC USABC1234567\r\n"
      "    INDEX 01 00:00:00\r\n"
      "    INDEX 02 00:01:00\r\n"
      "  TRACK 02 AUDIO\r\n"
      "    PREGAP 00:01:00\r\n"
      "    INDEX 00 00:04:00\r\n"
      "    INDEX 01 00:05:10\r\n"
      "  TRACK 03 AUDIO\r\n"
      "    POSTGAP 00:00:30\r\n"
      "    SONGWRITER \"Someone\"\r\n"
      "    INDEX 01 00:10:00\r\n";
  writeText(dir / "album.cue", sheet);
  const auto layout = discwright::layoutFromCueSheet(testcommon::utf8(dir / "album.cue"));
  EXPECT_EQ(layout->catalog, "1234567890123");
  EXPECT_EQ(layout->performer, "The Band");
  EXPECT_EQ(layout->title, "Caf\xC3\xA9 \"Live\"");
  ASSERT_EQ(layout->tracks.size(), 3u);
  struct Want {
    uint32_t pause, sourcePregap, postgap, first, blocks;
    std::vector<uint32_t> indexes;
  };
  const Want want[] = {{150, 0, 0, 0, 300, {75}}, {75, 85, 0, 300, 450, {}}, {0, 0, 30, 750, 250, {}}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i + 1);
    const LayoutTrack& t = layout->tracks[i];
    EXPECT_EQ(t.kind, TrackKind::Audio);
    EXPECT_EQ(t.pauseBlocks, want[i].pause);
    EXPECT_EQ(t.sourcePregapBlocks, want[i].sourcePregap);
    EXPECT_EQ(t.postgapBlocks, want[i].postgap);
    EXPECT_EQ(t.indexes, want[i].indexes);
    EXPECT_EQ(sourceBytes(t), slice(image, size_t(want[i].first) * 2352, size_t(want[i].blocks) * 2352));
  }
  EXPECT_TRUE(layout->tracks[0].copyPermitted && layout->tracks[0].preEmphasis);
  EXPECT_EQ(layout->tracks[0].isrc, "USABC1234567");
  EXPECT_EQ(layout->tracks[0].title, "One");
  // Track 2: 300 blocks of track 1, its 75-block PREGAP, then its 85 blocks of index 0.
  EXPECT_EQ(layout->startBlock(1), 300u + 75 + 85);
  EXPECT_EQ(layout->leadOutBlock(), 1000u + 75 + 30);
}

// Latin-1 sheets, big-endian audio, a data track from a cooked image, and a pause kept
// at the end of the previous track's file.
TEST(CueSheetLayout, FormsOfTheFiles) {
  TempDir dir;
  const Bytes data = testcommon::writePatternFile(dir / "data.iso", 2048 * 20, 1);
  const Bytes motorola = testcommon::writePatternFile(dir / "audio.raw", 2352 * 10, 2);
  const Bytes a = testcommon::writePatternFile(dir / "a.bin", 2352 * 40, 3);
  const Bytes b = testcommon::writePatternFile(dir / "b.bin", 2352 * 30, 4);
  writeText(dir / "album.cue",
            "TITLE \"Tr\xE4ume\"\n"
            "FILE data.iso BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
            "FILE audio.raw MOTOROLA\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"
            "FILE a.bin BINARY\nTRACK 03 AUDIO\nINDEX 01 00:00:00\nTRACK 04 AUDIO\nINDEX 00 00:00:35\n"
            "FILE b.bin BINARY\nINDEX 01 00:00:00\n");
  const auto layout = discwright::layoutFromCueSheet(testcommon::utf8(dir / "album.cue"));
  EXPECT_EQ(layout->title, "Tr\xC3\xA4ume");
  ASSERT_EQ(layout->tracks.size(), 4u);
  EXPECT_EQ(layout->tracks[0].kind, TrackKind::Mode1);
  EXPECT_EQ(sourceBytes(layout->tracks[0]), data);
  Bytes swapped = motorola;
  for (size_t i = 0; i < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  EXPECT_EQ(sourceBytes(layout->tracks[1]), swapped);
  EXPECT_EQ(sourceBytes(layout->tracks[2]), slice(a, 0, 35 * 2352));
  Bytes joined = slice(a, 35 * 2352, 5 * 2352);
  joined.insert(joined.end(), b.begin(), b.end());
  EXPECT_EQ(layout->tracks[3].sourcePregapBlocks, 5u);
  EXPECT_EQ(sourceBytes(layout->tracks[3]), joined);
}

// The usual image of a mixed-mode CD: Mode 1 sectors read raw, then audio. The burn gets
// their user data; a sector that is not Mode 1 stops it, named; a sheet that calls a whole
// image of other sectors MODE1/2352 is refused at once.
TEST(CueSheetLayout, DataTrackThenAudioInOneRawImage) {
  TempDir dir;
  const Bytes user = testcommon::pattern(2048 * 100, 5), audio = testcommon::pattern(2352 * 300, 6);
  Bytes image(2352 * 100);
  try {
    for (uint32_t b = 0; b < 100; ++b) discwright::encodeMode1Sector(b, &user[b * 2048], &image[b * 2352]);
  } catch (const DwError& e) {
    GTEST_SKIP() << "Mode 1 sectors cannot be made yet: " << e.what();
  }
  image.insert(image.end(), audio.begin(), audio.end());
  const std::string sheet = "FILE \"game.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                            "  TRACK 02 AUDIO\n    INDEX 00 00:01:25\n    INDEX 01 00:02:25\n";
  writeText(dir / "game.cue", sheet);
  writeText(dir / "game.bin", std::string(image.begin(), image.end()));
  const auto layout = discwright::layoutFromCueSheet(testcommon::utf8(dir / "game.cue"));
  ASSERT_EQ(layout->tracks.size(), 2u);
  EXPECT_EQ(layout->tracks[0].kind, TrackKind::Mode1);
  EXPECT_EQ(sourceBytes(layout->tracks[0]), user);
  EXPECT_EQ(layout->tracks[1].sourcePregapBlocks, 75u);
  EXPECT_EQ(sourceBytes(layout->tracks[1]), audio);

  image[50 * 2352 + 5] ^= 0xFF;  // in the sync of sector 50
  writeText(dir / "game.bin", std::string(image.begin(), image.end()));
  try {
    sourceBytes(discwright::layoutFromCueSheet(testcommon::utf8(dir / "game.cue"))->tracks[0]);
    ADD_FAILURE() << "a broken sector read as Mode 1";
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_FILE);
    EXPECT_NE(std::string(e.what()).find("sector 50 (track 1): not a Mode 1 sector"), std::string::npos) << e.what();
  }

  writeText(dir / "game.bin", std::string(audio.begin(), audio.end()));
  try {
    discwright::layoutFromCueSheet(testcommon::utf8(dir / "game.cue"));
    ADD_FAILURE() << "audio taken as Mode 1";
  } catch (const DwError& e) {
    EXPECT_NE(std::string(e.what()).find("line 2: track 1 is said to be MODE1/2352"), std::string::npos) << e.what();
  }
}

// A music file per track, as ripping tools write them; waits for the audio decoding.
TEST(CueSheetLayout, MusicFilePerTrack) {
  TempDir dir;
  // CD-format WAV: the 44-byte header, then the samples.
  auto wav = [&](const std::string& name, uint32_t samples, uint32_t seed) {
    const Bytes pcm = testcommon::pattern(uint64_t(samples) * 4, seed);
    const uint32_t n = uint32_t(pcm.size()), fields[] = {n + 36, 0x45564157, 0x20746d66, 16, 0x00020001, 44100,
                                                          44100 * 4, 0x00100004, 0x61746164, n};
    std::string file = "RIFF" + std::string(reinterpret_cast<const char*>(fields), sizeof fields);
    writeText(dir / name, file + std::string(pcm.begin(), pcm.end()));
    return pcm;
  };
  const Bytes one = wav("01 One.wav", 588 * 100, 1), two = wav("02 Two.wav", 588 * 50 + 100, 2);
  writeText(dir / "album.cue",
            "FILE \"01 One.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
            "FILE \"02 Two.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:00:20\n");
  std::shared_ptr<TrackLayout> layout;
  try {
    layout = discwright::layoutFromCueSheet(testcommon::utf8(dir / "album.cue"));
  } catch (const DwError& e) {
    if (e.code() == DW_E_NOT_SUPPORTED) GTEST_SKIP() << "no audio decoding in this build yet: " << e.what();
    throw;
  }
  ASSERT_EQ(layout->tracks.size(), 2u);
  EXPECT_EQ(sourceBytes(layout->tracks[0]), one);
  EXPECT_EQ(layout->tracks[1].sourcePregapBlocks, 20u);
  EXPECT_EQ(layout->tracks[1].sourceBlocks(), 51u);  // the last block filled with silence
  Bytes padded = two;
  padded.resize(51 * 2352, 0);
  EXPECT_EQ(sourceBytes(layout->tracks[1]), padded);
}

// A track that knows its length only.
class Blocks : public discwright::TrackSource {
 public:
  explicit Blocks(uint32_t n) : n_(n) {}
  uint32_t blocks() const override { return n_; }
  std::unique_ptr<discwright::ByteSource> open() const override { return nullptr; }
  std::string describe() const override { return "blocks"; }

 private:
  uint32_t n_;
};

TrackLayout discToSave() {
  TrackLayout disc;
  disc.catalog = "0123456789012";
  disc.title = "A \"quoted\" album";
  disc.performer = "Band";
  const struct {
    TrackKind kind;
    uint32_t pause, pregap, blocks;
  } tracks[] = {{TrackKind::Audio, 150, 0, 400}, {TrackKind::Audio, 0, 75, 375}, {TrackKind::Mode2Raw, 0, 150, 450}};
  for (const auto& t : tracks) {
    LayoutTrack lt;
    lt.kind = t.kind;
    lt.pauseBlocks = t.pause;
    lt.sourcePregapBlocks = t.pregap;
    lt.source = std::make_shared<Blocks>(t.blocks);
    disc.tracks.push_back(lt);
  }
  disc.tracks[0].isrc = "GBXYZ0000001";
  disc.tracks[0].title = "First";
  disc.tracks[0].copyPermitted = true;
  disc.tracks[0].indexes = {100};
  disc.tracks[1].performer = "Guest";
  return disc;
}

// A saved disc's sheet read back describes the same disc.
TEST(CueSheetText, ReadsBackAsTheSameDisc) {
  const TrackLayout disc = discToSave();
  const std::string text = discwright::cueSheetText(disc, "disc.bin");
  EXPECT_NE(text.find("REM The album's title held double quotes"), std::string::npos) << text;
  EXPECT_NE(text.find("TRACK 03 MODE2/2352"), std::string::npos) << text;
  TempDir dir;
  writeText(dir / "disc.cue", text);
  writeText(dir / "disc.bin", std::string(size_t(disc.leadOutBlock()) * 2352, '\0'));
  const auto back = discwright::layoutFromCueSheet(testcommon::utf8(dir / "disc.cue"));
  ASSERT_EQ(back->tracks.size(), disc.tracks.size());
  EXPECT_EQ(back->title, "A 'quoted' album");
  EXPECT_EQ(back->catalog, disc.catalog);
  EXPECT_EQ(back->leadOutBlock(), disc.leadOutBlock());
  for (size_t i = 0; i < disc.tracks.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const LayoutTrack &a = disc.tracks[i], &b = back->tracks[i];
    EXPECT_EQ(back->startBlock(i), disc.startBlock(i));
    EXPECT_EQ(b.kind, a.kind);
    EXPECT_EQ(b.sourcePregapBlocks + b.pauseBlocks - (i == 0 ? 150 : 0), a.sourcePregapBlocks + a.pauseBlocks - (i == 0 ? 150 : 0));
    EXPECT_EQ(b.isrc, a.isrc);
    EXPECT_EQ(b.title, a.title);
    EXPECT_EQ(b.performer, a.performer);
    EXPECT_EQ(b.copyPermitted, a.copyPermitted);
    EXPECT_EQ(b.indexes, a.indexes);
  }
  EXPECT_THROW(discwright::cueSheetText(disc, "a\"b.bin"), DwError);
}

// Another tool splits our image at our sheet's tracks.
TEST(CueSheetText, AnotherToolSplitsTheImage) {
  if (std::system("command -v bchunk >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "bchunk is not installed";
  TrackLayout disc = discToSave();
  disc.tracks[2].kind = TrackKind::Mode1;  // bchunk makes an ISO of its user data
  disc.tracks[0].indexes.clear();          // it would start the track at its index 2
  TempDir dir;
  writeText(dir / "disc.cue", discwright::cueSheetText(disc, "disc.bin"));
  writeText(dir / "disc.bin", std::string(size_t(disc.leadOutBlock()) * 2352, '\0'));
  const std::string command = "cd '" + dir.path().string() + "' && bchunk -w disc.bin disc.cue part >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // bchunk takes each track from its last index to the next track's first: index 1 to the
  // end of its blocks, without the next one's pause.
  auto body = [&](size_t i) { return uint64_t(disc.tracks[i].sourceBlocks() - disc.tracks[i].sourcePregapBlocks); };
  const struct {
    const char* name;
    uint64_t bytes;
  } parts[] = {{"part01.wav", 44 + body(0) * 2352}, {"part02.wav", 44 + body(1) * 2352}, {"part03.iso", body(2) * 2048}};
  for (const auto& p : parts) {
    std::error_code ec;
    EXPECT_EQ(fs::file_size(dir / p.name, ec), p.bytes) << p.name << " " << ec.message();
  }
}

}  // namespace
