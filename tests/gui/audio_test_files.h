// Music files and cue sheets for the tests of the Audio CD source, written in a test's
// temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace audiotest {

namespace fs = std::filesystem;

inline void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}

// A WAV file of 44.1 kHz, 16 bits, stereo: seconds of a quiet tone, with its title and
// artist in a LIST INFO chunk when given.
inline void WriteWav(const fs::path& path, double seconds, const std::string& title = {}, const std::string& artist = {}) {
  const uint32_t frames = uint32_t(seconds * 44100);
  std::string data;
  data.reserve(size_t(frames) * 4);
  for (uint32_t i = 0; i < frames; ++i) {
    const int16_t sample = int16_t((i % 100) * 40 - 2000);
    for (int channel = 0; channel < 2; ++channel) data += char(sample & 0xFF), data += char((sample >> 8) & 0xFF);
  }
  std::string info;
  auto tag = [&](const char* id, const std::string& text) {
    if (text.empty()) return;
    std::string value = text + '\0';
    if (value.size() % 2) value += '\0';
    info += id;
    Put32(info, uint32_t(value.size()));
    info += value;
  };
  tag("INAM", title);
  tag("IART", artist);
  std::string out = "RIFF";
  Put32(out, uint32_t(4 + 24 + 8 + data.size() + (info.empty() ? 0 : 12 + info.size())));
  out += "WAVEfmt ";
  Put32(out, 16);
  out += std::string("\x01\x00\x02\x00", 4);
  Put32(out, 44100);
  Put32(out, 44100 * 4);
  out += std::string("\x04\x00\x10\x00", 4);
  out += "data";
  Put32(out, uint32_t(data.size()));
  out += data;
  if (!info.empty()) {
    out += "LIST";
    Put32(out, uint32_t(4 + info.size()));
    out += "INFO" + info;
  }
  std::ofstream(path, std::ios::binary) << out;
}

// A cue sheet of raw audio in a BIN file, so that no decoder is needed: track 1 of 4 s,
// then the 2 s pause of track 2 in the file, then track 2 of 6 s.
inline void WriteBinCue(const fs::path& dir) {
  std::ofstream(dir / "concert.cue") << "TITLE \"Live\"\nFILE \"concert.bin\" BINARY\n"
                                        "  TRACK 01 AUDIO\n    TITLE \"Overture\"\n    INDEX 01 00:00:00\n"
                                        "  TRACK 02 AUDIO\n    TITLE \"Finale\"\n    INDEX 00 00:04:00\n"
                                        "    INDEX 01 00:06:00\n";
  std::ofstream(dir / "concert.bin", std::ios::binary) << std::string(size_t(12) * 75 * 2352, '\0');
}

}  // namespace audiotest
