// Music files as CD audio, against outside tools: sox makes the sound, flac decodes it
// for the comparison. Cases whose tool is missing skip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Discwright.h"
#include "audio/audio_file.h"
#include "common/test_common.h"
#include "discwright/test_support.h"
#include "error.h"

namespace {

namespace fs = std::filesystem;
using namespace discwright;
using testcommon::TempDir;

bool have(const char* program) {
#ifdef _WIN32
  (void)program;
  return false;
#else
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

std::vector<uint8_t> readAll(const TrackSource& source) {
  auto stream = source.open();
  std::vector<uint8_t> bytes(size_t(stream->size()));
  size_t got = 0;
  // Odd request sizes: the stream must not care where a sample's bytes are split.
  for (size_t n; got < bytes.size() && (n = stream->read(bytes.data() + got, std::min<size_t>(5001, bytes.size() - got)));)
    got += n;
  bytes.resize(got);
  return bytes;
}

// The data chunk of a WAV file.
std::vector<uint8_t> wavData(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 12; at + 8 <= all.size();) {
    const uint32_t size = all[at + 4] | all[at + 5] << 8 | all[at + 6] << 16 | uint32_t(all[at + 7]) << 24;
    if (std::memcmp(&all[at], "data", 4) == 0)
      return {all.begin() + std::ptrdiff_t(at + 8), all.begin() + std::ptrdiff_t(std::min<size_t>(at + 8 + size, all.size()))};
    at += 8 + size + (size & 1);
  }
  return {};
}

int16_t sampleAt(const std::vector<uint8_t>& bytes, size_t index) { return int16_t(bytes[2 * index] | bytes[2 * index + 1] << 8); }

class AudioFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!audioDecoding()) GTEST_SKIP() << "this build reads CD-format WAV files only";
    if (!have("sox")) GTEST_SKIP() << "sox is not installed";
  }
  // A few seconds of noise, not a whole number of blocks long.
  fs::path make(const std::string& name, const std::string& format) {
    const fs::path path = dir_ / name;
    EXPECT_TRUE(run("sox -n " + format + " " + q(path) + " synth 1.2345 whitenoise vol 0.9")) << name;
    return path;
  }
  TempDir dir_;
};

TEST_F(AudioFiles, CdFormatFlacComesOutAsFlacDecodesIt) {
  if (!have("flac")) GTEST_SKIP() << "flac is not installed";
  const fs::path flac = make("cd.flac", "--comment 'TITLE=Caf\xc3\xa9 Song' --add-comment 'ARTIST=The Band' -r 44100 -b 16 -c 2");
  const fs::path wav = dir_ / "cd.wav";
  ASSERT_TRUE(run("flac -s -d -o " + q(wav) + " " + q(flac)));
  const std::vector<uint8_t> data = wavData(wav);
  const discwright::AudioFile probed = probeAudioFile(flac.string());
  EXPECT_EQ(probed.facts.samples, data.size() / 4);
  EXPECT_EQ(probed.facts.rate, 44100u);
  EXPECT_EQ(probed.facts.channels, 2);
  EXPECT_EQ(probed.title, "Caf\xc3\xa9 Song");
  EXPECT_EQ(probed.performer, "The Band");

  struct Part {
    uint64_t from, samples;
  };
  for (const Part part : {Part{0, 0}, Part{1000, 5000}, Part{30000, 0}}) {
    SCOPED_TRACE(part.from);
    const auto source = audioFileSource(flac.string(), part.from, part.samples);
    const uint64_t samples = part.samples ? part.samples : data.size() / 4 - part.from;
    ASSERT_EQ(source->blocks(), (samples + 587) / 588);
    const std::vector<uint8_t> bytes = readAll(*source);
    ASSERT_EQ(bytes.size(), size_t(source->blocks()) * 2352);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + std::ptrdiff_t(samples * 4),
                           data.begin() + std::ptrdiff_t(part.from * 4)));
    EXPECT_TRUE(std::all_of(bytes.begin() + std::ptrdiff_t(samples * 4), bytes.end(), [](uint8_t b) { return b == 0; }));
  }
}

TEST_F(AudioFiles, OtherFormatsAreConverted) {
  const fs::path mono = make("mono.wav", "-r 44100 -b 16 -c 1");
  const fs::path deep = make("deep.flac", "-r 44100 -b 24 -c 2");
  const fs::path fast = make("fast.flac", "-r 48000 -b 16 -c 2");
  const std::vector<uint8_t> monoData = wavData(mono);

  // Mono: each sample on both sides, unchanged.
  const std::vector<uint8_t> doubled = readAll(*audioFileSource(mono.string()));
  ASSERT_GE(doubled.size(), monoData.size() * 2);
  for (size_t i = 0; i < monoData.size() / 2; ++i) {
    ASSERT_EQ(sampleAt(doubled, 2 * i), sampleAt(monoData, i)) << i;
    ASSERT_EQ(sampleAt(doubled, 2 * i + 1), sampleAt(monoData, i)) << i;
  }

  // 24 bits: rounded to 16, never wrapped.
  if (have("flac")) {
    const fs::path wav = dir_ / "deep.wav";
    ASSERT_TRUE(run("flac -s -d -o " + q(wav) + " " + q(deep)));
    const std::vector<uint8_t> data = wavData(wav), bytes = readAll(*audioFileSource(deep.string()));
    for (size_t i = 0; i < data.size() / 3; ++i) {
      const int32_t v = int32_t(uint32_t(data[3 * i] << 8 | data[3 * i + 1] << 16 | uint32_t(data[3 * i + 2]) << 24)) >> 8;
      const long expected = std::min<long>(32767, std::lrint(v / 256.0));
      ASSERT_EQ(sampleAt(bytes, i), expected) << i;
    }
  }

  // 48 kHz: exactly round(frames * 44100 / 48000) samples, the same on every pass, and a
  // part from the middle equal to the same samples of the whole.
  const uint64_t frames = 59256;  // 1.2345 s at 48 kHz
  const discwright::AudioFile probed = probeAudioFile(fast.string());
  EXPECT_EQ(probed.facts.rate, 48000u);
  EXPECT_EQ(probed.facts.samples, (frames * 44100 + 24000) / 48000);
  const auto whole = audioFileSource(fast.string());
  const std::vector<uint8_t> first = readAll(*whole), again = readAll(*whole);
  EXPECT_EQ(first, again);
  EXPECT_EQ(whole->blocks(), (probed.facts.samples + 587) / 588);
  EXPECT_NE(sampleAt(first, 2 * (probed.facts.samples - 1)), 0) << "the last sample is sound, not padding";
  const std::vector<uint8_t> part = readAll(*audioFileSource(fast.string(), 30000, 10000));
  for (size_t i = 0; i < 2 * 10000; ++i)
    ASSERT_LE(std::abs(sampleAt(part, i) - sampleAt(first, 2 * 30000 + i)), 1) << i;
}

TEST_F(AudioFiles, BadFilesAreRefusedByName) {
  const fs::path text = dir_ / "notes.flac", empty = dir_ / "empty.wav", missing = dir_ / "missing.flac";
  std::ofstream(text) << "These are no sounds, just words in a file that calls itself FLAC.\n";
  std::ofstream{empty};
  const fs::path sound = make("sound.wav", "-r 44100 -b 16 -c 2");
  for (const fs::path& bad : {text, empty, missing}) {
    try {
      probeAudioFile(bad.string());
      ADD_FAILURE() << bad << " was taken";
    } catch (const DwError& e) {
      EXPECT_EQ(e.code(), DW_E_FILE);
      EXPECT_NE(std::string(e.what()).find(bad.string() + " cannot be decoded: "), std::string::npos) << e.what();
    }
  }
  // A part past the end.
  EXPECT_THROW(audioFileSource(sound.string(), 54000, 1000), DwError);

  // Changed after it was added: the burn fails naming it instead of burning something else.
  const auto source = audioFileSource(sound.string());
  ASSERT_TRUE(run("sox -n -r 44100 -b 16 -c 2 " + q(sound) + " synth 0.5 sine 440"));
  try {
    readAll(*source);
    ADD_FAILURE() << "a changed file was read";
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_FILE);
    EXPECT_NE(std::string(e.what()).find(sound.string()), std::string::npos) << e.what();
  }
}

// Through the C API: a FLAC album burned disc-at-once reads back raw as flac decodes it,
// with the CD-TEXT its tags give.
class AudioCdBurn : public dwtest::LibraryTest {};

TEST_F(AudioCdBurn, FlacAlbumReadsBackAsFlacDecodesIt) {
  if (!audioDecoding() || !have("sox") || !have("flac")) GTEST_SKIP() << "needs sox, flac and a decoding build";
  start({testcommon::cdRecorder(0, "CD-R")}, {}, 0);
  dwtest::Grabber grabber = dwtest::openGrabber("CdRom0");
  testcommon::Triple t;
  DiscwrightHandle layout = 0;
  ASSERT_TRUE(t.check(Discwright_TrackLayout_Create(&layout, DW_TREE_ARGS(t))));
  std::vector<std::vector<uint8_t>> decoded;
  for (const char* name : {"one", "two"}) {
    const fs::path flac = dir_ / (std::string(name) + ".flac"), wav = dir_ / (std::string(name) + ".wav");
    ASSERT_TRUE(run("sox -n --comment TITLE=" + std::string(name) + " -r 44100 -b 16 -c 2 " + q(flac) +
                    " synth 1.1 pinknoise vol 0.5"));
    ASSERT_TRUE(run("flac -s -d -o " + q(wav) + " " + q(flac)));
    decoded.push_back(wavData(wav));
    ASSERT_TRUE(t.check(Discwright_TrackLayout_AddAudioFile(layout, DW_TREE_ARGS(t), flac.string().c_str(), nullptr)));
  }
  uint32_t packs = 0;
  ASSERT_TRUE(t.check(Discwright_TrackLayout_GetCdTextPacks(layout, DW_TREE_ARGS(t), nullptr, 0, &packs)));
  EXPECT_GT(packs, 3u) << "the titles from the tags are CD-TEXT";
  const uint8_t burned = Discwright_CdvdBurnerGrabber_BurnLayout(grabber, DW_ARGS(t), layout, DW_WRITE_SAO, 0, 0, 0);
  if (burned == DW_E_NOT_SUPPORTED) GTEST_SKIP() << "this build's recorders burn no audio CDs yet: " << t.text;
  ASSERT_TRUE(t.check(burned));
  for (uint32_t n = 1; n <= decoded.size(); ++n) {
    DiscwrightLayoutTrack track{};
    ASSERT_TRUE(t.check(Discwright_TrackLayout_GetTrack(layout, DW_TREE_ARGS(t), n, &track)));
    std::vector<uint8_t> raw(size_t(track.SourceBlocks) * 2352);
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ReadRawSectors(grabber, DW_ARGS(t), track.StartBlock,
                                                                    track.SourceBlocks, raw.data())));
    const std::vector<uint8_t>& want = decoded[n - 1];
    EXPECT_TRUE(std::equal(want.begin(), want.end(), raw.begin())) << "track " << n;
    EXPECT_TRUE(std::all_of(raw.begin() + std::ptrdiff_t(want.size()), raw.end(), [](uint8_t b) { return b == 0; }));
  }
  Discwright_Destroy(&layout);
}

// The build without decoding libraries says what it reads.
TEST(AudioFileWavOnly, RefusesOtherFiles) {
  if (audioDecoding()) GTEST_SKIP() << "this build decodes music files";
  TempDir dir;
  const fs::path text = dir / "notes.wav";
  std::ofstream(text) << "RIFF....WAVEfmt not a real one";
  try {
    probeAudioFile(text.string());
    ADD_FAILURE() << "taken";
  } catch (const DwError& e) {
    EXPECT_NE(std::string(e.what()).find("this build reads only 44.1 kHz 16-bit stereo WAV files"), std::string::npos);
  }
}

}  // namespace
