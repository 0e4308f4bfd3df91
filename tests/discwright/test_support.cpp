#include "discwright/test_support.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace dwtest {

json dvdReader(int index) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", addressText(index)},
          {"product", "Test DVD-ROM Reader"},
          {"media_formats", {"read_cdr", "read_cdrw", "read_dvd", "read_dvdr"}},
          {"write_modes", json::array()},
          {"medium", {{"type", "DVD-ROM"}, {"state", "complete"}, {"used_bytes", 1 << 20}}}};
}

Session::Session(const fs::path& configPath, const fs::path& stateFolder, double timeScale) {
  result_ = testcommon::startLibrary(configPath, stateFolder, timeScale, errorText_);
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
