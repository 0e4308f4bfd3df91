// korvanel-cli burn-audio, burn of a cue sheet and read to a cue sheet, run as a process
// on virtual recorders: music files the test writes, read back through the library.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <vector>

#include "layout/cd_sector.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

constexpr int kBlockSamples = 588;
constexpr int kBlockBytes = 2352;

// 44.1 kHz 16-bit stereo: a tone of its own per track, so that tracks that trade
// places or shift differ.
QByteArray Samples(int samples, int pitch) {
  QByteArray pcm(samples * 4, Qt::Uninitialized);
  for (int i = 0; i < samples; ++i) {
    const auto left = int16_t(8000 * std::sin(i * pitch * 0.001));
    const auto right = int16_t(i * pitch);
    qToLittleEndian(left, pcm.data() + i * 4);
    qToLittleEndian(right, pcm.data() + i * 4 + 2);
  }
  return pcm;
}

QByteArray Wav(const QByteArray& pcm) {
  QByteArray wav("RIFF");
  auto u32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
  u32(uint32_t(36 + pcm.size()));
  wav += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  wav += "data";
  u32(uint32_t(pcm.size()));
  return wav + pcm;
}

class CliAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    auto cd = [](int n, const char* modes, const char* medium) {
      return QStringLiteral(R"({"name": "CdRom%1", "address": "1:0:%1:0", "media_formats": ["read_cdr", "write", "test_write"],
        "write_modes": %2, "read_modes": ["cdda"], "medium": %3})")
          .arg(n)
          .arg(QString::fromLatin1(modes), QString::fromLatin1(medium));
    };
    Write("recorders.json", QStringLiteral(R"({"state_folder": "state", "recorders": [%1]})")
                                .arg(QStringList{cd(0, R"(["tao", "sao"])", R"({"type": "CD-R"})"),
                                                 cd(1, R"(["tao"])", R"({"type": "CD-R"})"),
                                                 cd(2, R"(["tao", "sao"])", R"({"type": "DVD+R"})"),
                                                 cd(3, R"(["tao", "sao"])", R"({"type": "CD-R", "capacity_bytes": 409600})"),
                                                 cd(4, R"(["tao", "sao"])", R"({"type": "CD-RW"})"),
                                                 cd(5, R"(["tao", "sao"])", R"({"type": "CD-R"})")}
                                         .join(QStringLiteral(", ")))
                                .toUtf8());
    // 2 s, 3 s and a part block: the last track is padded with silence.
    Write("first.wav", Wav(Samples(150 * kBlockSamples, 3)));
    Write("second.wav", Wav(Samples(225 * kBlockSamples, 5)));
    Write("third.wav", Wav(Samples(100 * kBlockSamples + 300, 7)));
    Write("notes.wav", "these are words, not sound\n");
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }
  QStringList Songs() const { return {Path("first.wav"), Path("second.wav"), Path("third.wav")}; }

  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  Outcome Run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(KORVANEL_CLI),
                  QStringList{QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"),
                              Path("recorders.json")} +
                      arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    auto text = [](const QByteArray& bytes) {
      return QString::fromLocal8Bit(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    };
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            text(process.readAllStandardOutput()), text(process.readAllStandardError())};
  }

  QTemporaryDir dir_;  // the media's state too: every test starts with blank discs
};

std::string Shown(const Outcome& o) { return (o.out + o.err).toStdString(); }

}  // namespace

// The burns that succeed, each read back by the library and by info's track list.
TEST_F(CliAudioTest, MusicFilesBecomeAudioCdsThatReadBackEqual) {
  struct Case {
    const char* name;
    QStringList options;
    QStringList rows;  // each must show
    QString device;
    QString secondTrack;  // the start of info's line of track 2
  };
  const std::vector<Case> cases = {
      {"session-at-once, verified", {"--verify", "--title", "Tones", "--performer", "The Test"},
       {"Burning an audio CD", "Source: 3 tracks, 0:10", "Session-At-Once", "Writing track 1 of 3: first",
        "Writing track 3 of 3: third", "Audio read offset of the drive: +0 samples",
        "Verification passed: 3 tracks read back equal"},
       "CdRom0", "Track 2: audio, start 300,"},
      {"gapless, verified", {"--gapless", "--verify"},
       {"Source: 3 tracks, 0:06", "Verification passed: 3 tracks read back equal"},
       "CdRom4", "Track 2: audio, start 150,"},
      {"track-at-once where only it is offered", {"--verify"},
       {"Track-at-once: pauses of 2 seconds and no CD-TEXT", "Writing track 2 of 3: second",
        "Verification passed: 3 tracks read back equal"},
       "CdRom1", "Track 2: audio, start 300,"},
      {"track-at-once asked for", {"--mode", "tao"},
       {"Track-at-once: pauses of 2 seconds and no CD-TEXT", "Burning completed"},
       "CdRom5", "Track 2: audio, start 300,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome burn = Run(QStringList{"burn-audio"} + Songs() + c.options + QStringList{"--device", c.device, "--no-eject"});
    ASSERT_EQ(burn.exitCode, 0) << Shown(burn);
    for (const QString& row : c.rows) EXPECT_TRUE(burn.out.contains(row)) << row.toStdString() << "\n" << Shown(burn);
    const Outcome info = Run({"info", c.device});
    EXPECT_TRUE(info.out.contains(QStringLiteral("  Track 1: audio, start 0,"))) << Shown(info);
    EXPECT_TRUE(info.out.contains(QStringLiteral("  ") + c.secondTrack)) << Shown(info);
  }
}

TEST_F(CliAudioTest, WhatCannotBecomeAnAudioCdIsRefusedNamingWhy) {
  struct Case {
    const char* name;
    QStringList arguments;
    QString says;
  };
  const std::vector<Case> cases = {
      {"a DVD", QStringList{"burn-audio", Path("first.wav"), "--device", "CdRom2"},
       "An audio CD needs a CD-R or CD-RW: the disc in CdRom2 is a DVD+R"},
      {"too long", QStringList{"burn-audio"} + Songs() + QStringList{"--device", "CdRom3"},
       "The tracks last 0:10, longer than the 0:02 the disc holds"},
      {"a file of words", QStringList{"burn-audio", Path("first.wav"), Path("notes.wav"), "--device", "CdRom0"},
       Path("notes.wav")},
      {"a missing file", QStringList{"burn-audio", Path("gone.wav"), "--device", "CdRom0"},
       QStringLiteral("The music file \"%1\" does not exist").arg(Path("gone.wav"))},
      {"disc-at-once", QStringList{"burn-audio", Path("first.wav"), "--device", "CdRom0", "--mode", "dao"},
       "Tracks are burned with --mode sao or --mode tao"},
      {"a pause and no pause", QStringList{"burn-audio", Path("first.wav"), "--device", "CdRom0", "--gapless", "--pause", "1"},
       "--gapless is --pause 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = Run(c.arguments);
    EXPECT_NE(o.exitCode, 0);
    EXPECT_TRUE((o.out + o.err).contains(c.says)) << Shown(o);
    EXPECT_FALSE(o.out.contains(QStringLiteral("Burning completed"))) << Shown(o);
  }
}

// A mixed disc from one image: a data track, then two audio tracks; burned, read back into a
// cue sheet whose image holds the same bytes.
TEST_F(CliAudioTest, ACueSheetIsBurnedAndReadBackToAnEqualImage) {
  QByteArray bin;
  std::vector<uint8_t> user(2048), sector(kBlockBytes);
  const int dataBlocks = 300;
  for (int lba = 0; lba < dataBlocks; ++lba) {
    std::fill(user.begin(), user.end(), uint8_t(lba));
    discwright::encodeMode1Sector(uint32_t(lba), user.data(), sector.data());
    bin.append(reinterpret_cast<const char*>(sector.data()), kBlockBytes);
  }
  // The audio tracks follow the data track's 2 s pause in the image itself (index 0).
  bin += QByteArray(150 * kBlockBytes, '\0');
  bin += Samples(200 * kBlockSamples, 11);
  bin += Samples(120 * kBlockSamples, 13);
  Write("mixed.bin", bin);
  Write("mixed.cue", "FILE \"mixed.bin\" BINARY\n"
                     "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
                     "  TRACK 02 AUDIO\n    TITLE \"Tone\"\n    INDEX 00 00:04:00\n    INDEX 01 00:06:00\n"
                     "  TRACK 03 AUDIO\n    INDEX 01 00:08:50\n");
  const Outcome burn = Run({"burn", Path("mixed.cue"), "--device", "CdRom0", "--verify", "--no-eject"});
  ASSERT_EQ(burn.exitCode, 0) << Shown(burn);
  EXPECT_TRUE(burn.out.contains(QStringLiteral("Source cue sheet: %1").arg(Path("mixed.cue")))) << Shown(burn);
  EXPECT_TRUE(burn.out.contains(QStringLiteral("Verification passed: 3 tracks read back equal"))) << Shown(burn);

  const Outcome read = Run({"read", "CdRom0", Path("copy.cue")});
  ASSERT_EQ(read.exitCode, 0) << Shown(read);
  QFile copy(Path("copy.bin"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_TRUE(copy.readAll() == bin);
  EXPECT_TRUE(QFile::exists(Path("copy.cue")));
}

TEST_F(CliAudioTest, ABadCueSheetIsRefusedNamingItsLine) {
  Write("one.bin", QByteArray(300 * kBlockBytes, '\0'));
  Write("bad.cue", "FILE \"one.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 CDG\n    INDEX 01 00:02:00\n");
  const Outcome o = Run({"burn", Path("bad.cue"), "--device", "CdRom0"});
  EXPECT_EQ(o.exitCode, 1) << Shown(o);
  EXPECT_TRUE(o.err.contains(QStringLiteral("bad.cue, line 4"))) << Shown(o);
  EXPECT_FALSE(o.out.contains(QStringLiteral("Burning completed"))) << Shown(o);
}
