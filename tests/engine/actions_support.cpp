#include "engine/actions_support.h"

#include <QFile>

#include <cstdlib>
#include <fstream>
#include <ostream>

#include "sbCallbacks.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace actest {

TempDir::TempDir() {
  std::string templ = (fs::temp_directory_path() / "korvanel-actions-XXXXXX").string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = name.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

json cdRecorder(int index) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", "1:0:" + std::to_string(index) + ":0"},
          {"vendor", "KORVANEL"},
          {"product", "Action Test Recorder"},
          {"revision", "1.00"},
          {"media_formats", {"read_cdr", "read_cdrw", "test_write", "write", "write_cdrw"}},
          {"write_modes", {"tao", "sao", "dao_pq", "dao_raw"}},
          {"buffer_underrun_protection", true},
          {"write_speeds", {{"cd", {706, 1411, 2822, 5645, 8467}}}},
          {"read_speeds", {{"cd", 8467}}},
          {"medium", {{"type", "CD-R"}, {"state", "blank"}}}};
}

std::ostream& operator<<(std::ostream& out, const Line& line) {
  static const char* kinds[] = {"info", "error", "warning"};
  return out << kinds[line.kind < 3 ? line.kind : 0] << ": \"" << line.text.toStdString() << "\"";
}

TsbMessageEvent MessageLog::handler() {
  return [this](const void*, const QString& text, TsbLogItemType kind) {
    std::lock_guard lock(mutex_);
    lines_.push_back({text, kind});
  };
}

std::vector<Line> MessageLog::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

QStringList MessageLog::texts() const {
  QStringList out;
  for (const Line& line : lines()) out << line.text;
  return out;
}

void MessageLog::clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
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

Bytes writeFile(const fs::path& path, uint64_t size, uint32_t seed) {
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

void ActionsTest::SetUp() {
  SetErrorBoxHook([this](const QString& text) {
    std::lock_guard lock(mutex_);
    errorBoxes_.push_back(text);
  });
  GlobalCallBackEventer().OnProgress = [this](TsbCallBackEventer*, int percent) {
    std::lock_guard lock(mutex_);
    progress_.push_back(percent);
  };
  logFile_ = dir_ / "diagnostic.log";
  GlobalLogger().SetLogFileName(QString::fromStdString(logFile_.string()));
  GlobalLogger().LogEnabled = true;
}

void ActionsTest::TearDown() {
  burner.reset();  // its grabber goes before the session
  stop();
  GlobalLogger().LogEnabled = false;
  GlobalCallBackEventer().OnProgress = nullptr;
  SetErrorBoxHook(nullptr);
}

void ActionsTest::stop() {
  if (started_) Discwright_DownShut();
  started_ = false;
}

void ActionsTest::start(const std::vector<json>& recorders, double timeScale) {
  json doc;
  doc["recorders"] = json(recorders);
  const fs::path config = dir_ / "recorders.json";
  std::ofstream(config, std::ios::trunc) << doc.dump(2);
  const std::string configText = config.string();
  const std::string state = (dir_ / "state").string();
  char error[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup startup{};
  startup.Size = sizeof startup;
  startup.VirtualConfig = configText.c_str();
  startup.StateFolder = state.c_str();
  startup.TimeScale = timeScale;
  startup.ErrorText = error;
  startup.ErrorTextSize = sizeof error;
  ASSERT_EQ(Discwright_UpStartEx(&startup), DW_E_OK) << error;
  started_ = true;
}

TsbBurner& ActionsTest::openBurner(const std::string& name) {
  burner = std::make_unique<TsbBurner>();
  burner->Transport = ttSpti;
  burner->DeviceName = QString::fromStdString(name);
  burner->Open();
  burner->Lock();
  return *burner;
}

bool ActionsTest::run(TsbActionList& list) { return RunActions(list, *burner, messages.handler()); }

Bytes ActionsTest::readMedium(uint32_t lba, uint32_t count) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CloseTray(burner->Grabber, text, sizeof text, &status, failure), DW_E_OK)
      << text;
  Bytes out(uint64_t(count) * DISCWRIGHT_SECTOR_SIZE);
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_ReadSectors(burner->Grabber, text, sizeof text, &status, failure, lba, count,
                                                     out.data()),
            DW_E_OK)
      << text;
  return out;
}

DiscwrightDiscInformation ActionsTest::discInformation() {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CloseTray(burner->Grabber, text, sizeof text, &status, failure), DW_E_OK)
      << text;
  DiscwrightDiscInformation info{};
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_GetDiscInformation(burner->Grabber, text, sizeof text, &status, failure,
                                                             &info),
            DW_E_OK)
      << text;
  return info;
}

std::vector<QString> ActionsTest::errorBoxes() const {
  std::lock_guard lock(mutex_);
  return errorBoxes_;
}

std::vector<int> ActionsTest::progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

QStringList ActionsTest::diagnosticLog() const {
  QFile file(QString::fromStdString(logFile_.string()));
  QStringList out;
  if (!file.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    QString line = QString::fromUtf8(raw);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.size() > 14) out << line.mid(14);  // after "hh:mm:ss.zzz: "
  }
  return out;
}

}  // namespace actest
