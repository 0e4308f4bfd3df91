#include "common/test_common.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testcommon {

TempDir::TempDir() {
  // create_directory fails on a name that exists, so a name is never shared.
  static std::mt19937_64 draw{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("korvanel-test-" + std::to_string(draw() % 100000000));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

::testing::AssertionResult Triple::check(uint8_t code, uint8_t expected) const {
  auto describe = [&] {
    std::ostringstream out;
    out << "exception " << int(code) << " (expected " << int(expected) << "), status 0x" << std::hex << status
        << ", text \"" << text << "\"";
    return out.str();
  };
  if (code != expected) return ::testing::AssertionFailure() << describe();
  if (expected != DW_E_OK && text[0] == '\0')
    return ::testing::AssertionFailure() << "the failure came without a text: " << describe();
  return ::testing::AssertionSuccess();
}

std::string addressText(int index) { return "1:0:" + std::to_string(index) + ":0"; }

json cdRecorder(int index, const std::string& mediumType) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", addressText(index)},
          {"vendor", "KORVANEL"},
          {"product", "Test CD Recorder"},
          {"revision", "1.00"},
          {"media_formats", {"read_cdr", "read_cdrw", "test_write", "write", "write_cdrw"}},
          {"write_modes", {"tao", "sao", "dao_pq", "dao_raw"}},
          {"read_modes", {"cdda", "mode2_form1"}},
          {"buffer_underrun_protection", true},
          {"write_speeds", {{"cd", {706, 1411, 2822, 5645, 8467}}}},
          {"medium", {{"type", mediumType}, {"state", "blank"}}}};
}

json dvdRecorder(int index, const std::string& mediumType) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", addressText(index)},
          {"vendor", "KORVANEL"},
          {"product", "Test DVD Recorder"},
          {"revision", "2.00"},
          {"media_formats",
           {"read_cdr", "read_cdrw", "read_dvd", "read_dvdr", "test_write", "write", "write_cdrw", "write_dvdr",
            "read_dvdplusr", "write_dvdplusr"}},
          {"write_modes", {"tao", "sao"}},
          {"read_modes", {"cdda", "mode2_form1", "mode2_form2"}},
          {"buffer_underrun_protection", false},
          {"write_speeds", {{"cd", {1411, 2822, 5645}}, {"dvd", {2770, 5540, 11080, 22160}}}},
          {"medium", {{"type", mediumType}, {"state", "blank"}}}};
}

void writeConfig(const fs::path& path, const std::vector<json>& recorders, const json& extras) {
  json doc = extras;
  doc["recorders"] = json(recorders);
  std::ofstream out(path, std::ios::trunc);
  out << doc.dump(2);
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

uint8_t startLibrary(const fs::path& configPath, const fs::path& stateFolder, double timeScale,
                     std::string& errorText) {
  const std::string config = configPath.string();
  const std::string state = stateFolder.string();
  char error[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup startup{};
  startup.Size = sizeof startup;
  startup.UseRealDrives = 0;
  startup.VirtualConfig = config.c_str();
  startup.StateFolder = state.c_str();
  startup.TimeScale = timeScale;
  startup.ErrorText = error;
  startup.ErrorTextSize = sizeof error;
  const uint8_t result = Discwright_UpStartEx(&startup);
  errorText = error;
  return result;
}

Bytes pattern(uint64_t size, uint32_t seed) {
  Bytes out(size);
  uint32_t x = seed * 2654435761u + 12345u;
  for (auto& byte : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = uint8_t(x);
  }
  return out;
}

Bytes writePatternFile(const fs::path& path, uint64_t size, uint32_t seed) {
  Bytes bytes = pattern(size, seed);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return bytes;
}

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testcommon
