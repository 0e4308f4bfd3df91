#include "discwright/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace dwtest {

TempDir::TempDir() {
  std::string templ = (fs::temp_directory_path() / "discwright-test-XXXXXX").string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = name.data();
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

json dvdReader(int index) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", addressText(index)},
          {"product", "Test DVD-ROM Reader"},
          {"media_formats", {"read_cdr", "read_cdrw", "read_dvd", "read_dvdr"}},
          {"write_modes", json::array()},
          {"medium", {{"type", "DVD-ROM"}, {"state", "complete"}, {"used_bytes", 1 << 20}}}};
}

void writeConfig(const fs::path& path, const std::vector<json>& recorders, const json& extras) {
  json doc = extras;
  doc["recorders"] = json(recorders);
  std::ofstream out(path, std::ios::trunc);
  out << doc.dump(2);
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

Session::Session(const fs::path& configPath, const fs::path& stateFolder, double timeScale) {
  std::string config = configPath.string();
  std::string state = stateFolder.string();
  char error[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup startup{};
  startup.Size = sizeof startup;
  startup.VirtualConfig = config.c_str();
  startup.StateFolder = state.c_str();
  startup.TimeScale = timeScale;
  startup.ErrorText = error;
  startup.ErrorTextSize = sizeof error;
  result_ = Discwright_UpStartEx(&startup);
  errorText_ = error;
}

Session::~Session() {
  // A session that did not start must not shut down one that was already up.
  if (result_ == DW_E_OK) Discwright_DownShut();
}

void LibraryTest::TearDown() { stop(); }

void LibraryTest::start(const std::vector<json>& recorders, const json& extras, double timeScale) {
  writeConfig(configPath(), recorders, extras);
  restart(timeScale);
}

void LibraryTest::restart(double timeScale) {
  stop();
  session_ = std::make_unique<Session>(configPath(), stateFolder(), timeScale);
  ASSERT_EQ(session_->result(), DW_E_OK) << session_->errorText();
}

void LibraryTest::stop() { session_.reset(); }

Grabber& Grabber::operator=(Grabber&& other) noexcept {
  if (this != &other) {
    reset();
    handle_ = other.handle_;
    other.handle_ = 0;
  }
  return *this;
}

void Grabber::reset() {
  // After a shut-down the handle is already gone; the call then only says so.
  if (handle_) Discwright_Destroy(&handle_);
  handle_ = 0;
}

Grabber openGrabber(const std::string& name, DiscwrightCallback callback, void* context) {
  Triple t;
  DiscwrightHandle handle = 0;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CreateEx(&handle, DW_ARGS(t), callback, context, name.c_str(), 0)))
      << "opening " << name;
  return Grabber(handle);
}

Bytes pattern(uint64_t size, uint32_t seed) {
  Bytes out(size);
  uint32_t x = seed * 2654435761u + 12345u;
  for (uint64_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = uint8_t(x);
  }
  return out;
}

Bytes makeImage(const fs::path& path, uint64_t size, uint32_t seed) {
  Bytes bytes = pattern(size, seed);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return bytes;
}

uint64_t blocksFor(uint64_t bytes) { return (bytes + DISCWRIGHT_SECTOR_SIZE - 1) / DISCWRIGHT_SECTOR_SIZE; }

Bytes readBlocks(DiscwrightHandle grabber, uint32_t lba, uint32_t count) {
  Bytes out(uint64_t(count) * DISCWRIGHT_SECTOR_SIZE);
  constexpr uint32_t kChunk = 512;  // a megabyte per call, as a reader would
  for (uint32_t at = 0; at < count; at += kChunk) {
    uint32_t n = std::min(kChunk, count - at);
    Triple t;
    uint8_t code = Discwright_CdvdBurnerGrabber_ReadSectors(grabber, DW_ARGS(t), lba + at, n,
                                                            out.data() + uint64_t(at) * DISCWRIGHT_SECTOR_SIZE);
    EXPECT_TRUE(t.check(code)) << "reading blocks " << lba + at << " to " << lba + at + n - 1;
    if (code != DW_E_OK) break;
  }
  return out;
}

::testing::AssertionResult mediumHolds(DiscwrightHandle grabber, uint32_t lba, const Bytes& image) {
  uint64_t blocks = blocksFor(image.size());
  Bytes medium = readBlocks(grabber, lba, uint32_t(blocks));
  for (uint64_t i = 0; i < medium.size(); ++i) {
    uint8_t want = i < image.size() ? image[i] : 0;
    if (medium[i] != want)
      return ::testing::AssertionFailure() << "byte " << i << " of the track at block " << lba << " is "
                                           << int(medium[i]) << ", expected " << int(want)
                                           << (i < image.size() ? "" : " (padding)");
  }
  return ::testing::AssertionSuccess();
}

DiscwrightDiscInformation discInfo(DiscwrightHandle grabber) {
  Triple t;
  DiscwrightDiscInformation info{};
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(grabber, DW_ARGS(t), &info)));
  return info;
}

uint64_t usedBytes(DiscwrightHandle grabber) {
  Triple t;
  uint64_t used = ~0ull;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(grabber, DW_ARGS(t), &used)));
  return used;
}

namespace {
void copyName(char* field, size_t size, const fs::path& file) {
  std::string name = file.string();
  if (name.size() >= size) throw std::runtime_error("file name too long for its entry: " + name);
  std::memcpy(field, name.c_str(), name.size() + 1);
}
}  // namespace

std::unique_ptr<DiscwrightTrackTable> trackTable(const std::vector<fs::path>& files) {
  auto table = std::make_unique<DiscwrightTrackTable>();
  std::memset(table.get(), 0, sizeof *table);
  table->Count = uint32_t(files.size());
  for (size_t i = 0; i < files.size(); ++i)
    copyName(table->Tracks[i].FileName, sizeof table->Tracks[i].FileName, files[i]);
  return table;
}

std::unique_ptr<DiscwrightSessionLayout> sessionLayout(const std::vector<fs::path>& files) {
  auto layout = std::make_unique<DiscwrightSessionLayout>();
  std::memset(layout.get(), 0, sizeof *layout);
  layout->Count = uint32_t(files.size());
  for (size_t i = 0; i < files.size(); ++i)
    copyName(layout->Entries[i].FileName, sizeof layout->Entries[i].FileName, files[i]);
  return layout;
}

void CallbackRecorder::callback(uint32_t reason, void* context, void* param1, void* param2) {
  static_cast<CallbackRecorder*>(context)->record(reason, param1, param2);
}

void CallbackRecorder::record(uint32_t reason, void* param1, void* param2) {
  {
    std::lock_guard lock(mutex_);
    ++calls_;
    switch (reason) {
      case DW_REASON_PROGRESS:
        progress_.push_back(
            {*static_cast<uint64_t*>(param1), *static_cast<uint64_t*>(param2), std::chrono::steady_clock::now()});
        break;
      case DW_REASON_BUFFER:
        buffers_.push_back({*static_cast<uint32_t*>(param1), *static_cast<uint32_t*>(param2)});
        break;
      case DW_REASON_DEVICE_FOUND:
        devices_.push_back(*static_cast<DiscwrightDeviceAddress*>(param1));
        break;
      default:
        break;
    }
  }
  changed_.notify_all();
}

std::vector<CallbackRecorder::Progress> CallbackRecorder::progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

std::vector<CallbackRecorder::Buffer> CallbackRecorder::buffers() const {
  std::lock_guard lock(mutex_);
  return buffers_;
}

std::vector<DiscwrightDeviceAddress> CallbackRecorder::devices() const {
  std::lock_guard lock(mutex_);
  return devices_;
}

size_t CallbackRecorder::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void CallbackRecorder::clear() {
  std::lock_guard lock(mutex_);
  progress_.clear();
  buffers_.clear();
  devices_.clear();
  calls_ = 0;
}

bool CallbackRecorder::waitForProgress(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    return std::any_of(progress_.begin(), progress_.end(), [](const Progress& p) { return p.done > 0; });
  });
}

}  // namespace dwtest
