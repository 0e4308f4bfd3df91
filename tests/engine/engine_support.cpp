#include "engine/engine_support.h"

#include <QFile>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "sbLogging.h"
#include "sbUiHooks.h"

namespace enginetest {

TempFolder::TempFolder() {
  std::string templ = (fs::temp_directory_path() / "korvanel-engine-XXXXXX").string();
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = name.data();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string AddressText(int number) { return "1:0:" + std::to_string(number) + ":0"; }

DiscwrightDeviceAddress AddressOf(int number) { return {1, 1, 0, uint8_t(number), 0}; }

json CdWriter(int number, const std::string& mediumType) {
  return {{"name", "CdRom" + std::to_string(number)},
          {"address", AddressText(number)},
          {"vendor", "KORVANEL"},
          {"product", "Test CD Recorder"},
          {"revision", "1.00"},
          {"buffer_size", 2097152},
          {"media_formats", {"read_cdr", "read_cdrw", "test_write", "write", "write_cdrw"}},
          {"write_modes", {"tao", "sao", "dao_pq", "dao_raw"}},
          {"read_modes", {"cdda", "mode2_form1"}},
          {"buffer_underrun_protection", true},
          {"write_speeds", {{"cd", {706, 1411, 2822, 5645, 8467}}}},
          {"medium", {{"type", mediumType}, {"state", "blank"}}}};
}

json DvdWriter(int number, const std::string& mediumType) {
  return {{"name", "CdRom" + std::to_string(number)},
          {"address", AddressText(number)},
          {"vendor", "KORVANEL"},
          {"product", "Test DVD Recorder"},
          {"revision", "2.00"},
          {"buffer_size", 4194304},
          {"media_formats",
           {"read_cdr", "read_cdrw", "read_dvd", "read_dvdr", "test_write", "write", "write_cdrw", "write_dvdr",
            "read_dvdplusr", "write_dvdplusr"}},
          {"write_modes", {"tao", "sao"}},
          {"read_modes", {"cdda", "mode2_form1", "mode2_form2"}},
          {"buffer_underrun_protection", false},
          {"write_speeds", {{"cd", {1411, 2822, 5645}}, {"dvd", {2770, 5540, 11080, 22160}}}},
          {"medium", {{"type", mediumType}, {"state", "blank"}}}};
}

json DvdReader(int number) {
  return {{"name", "CdRom" + std::to_string(number)},
          {"address", AddressText(number)},
          {"vendor", "KORVANEL"},
          {"product", "Test DVD-ROM Reader"},
          {"revision", "0.90"},
          {"buffer_size", 524288},
          {"media_formats", {"read_cdr", "read_cdrw", "read_dvd", "read_dvdr"}},
          {"write_modes", json::array()},
          {"read_modes", {"cdda", "mode2_form1", "mode2_form2"}},
          {"region", {{"scheme", 2}, {"region_mask", 253}, {"vendor_resets", 4}, {"user_changes", 5}, {"type_code", 1}}},
          {"medium", WrittenMedium("DVD-ROM", 4194304, "REFERENCE")}};
}

json WrittenMedium(const std::string& type, uint64_t usedBytes, const std::string& label) {
  return {{"type", type}, {"state", "complete"}, {"used_bytes", usedBytes}, {"label", label}};
}

void WriteRecorderConfig(const fs::path& path, const std::vector<json>& recorders, const json& extras) {
  json doc = extras;
  doc["recorders"] = json(recorders);
  std::ofstream out(path);
  out << doc.dump(2);
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

DiagnosticLogCapture::DiagnosticLogCapture(const fs::path& file) : file_(file) {
  Clear();
  GlobalLogger().SetLogFileName(QFile::decodeName(file.string().c_str()));
  GlobalLogger().LogEnabled = true;
}

DiagnosticLogCapture::~DiagnosticLogCapture() {
  GlobalLogger().LogEnabled = false;
  GlobalLogger().SetClock(nullptr);
  GlobalLogger().SetLogFileName(QString());
}

QStringList DiagnosticLogCapture::Messages() const {
  QStringList messages;
  QFile file(QFile::decodeName(file_.string().c_str()));
  if (!file.open(QIODevice::ReadOnly)) return messages;
  const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  // "hh:mm:ss.zzz: " precedes every message.
  for (const QString& line : lines) messages << line.mid(14);
  return messages;
}

void DiagnosticLogCapture::Clear() {
  std::error_code ec;
  fs::remove(file_, ec);
}

void EngineTest::TearDown() {
  log_.reset();
  SetProcessMessagesHook(nullptr);
  StopLibrary();
}

void EngineTest::StartLibrary(const std::vector<json>& recorders, const json& extras, double timeScale) {
  WriteRecorderConfig(ConfigPath(), recorders, extras);
  const std::string config = ConfigPath().string();
  const std::string state = StateFolder().string();
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
  ASSERT_EQ(result, DW_E_OK) << "the library did not start: " << error;
  started_ = true;
}

void EngineTest::StopLibrary() {
  if (started_) Discwright_DownShut();
  started_ = false;
}

DiagnosticLogCapture& EngineTest::CaptureLog() {
  log_.reset();  // the old capture switches logging off as it goes
  log_ = std::make_unique<DiagnosticLogCapture>(dir_ / "diagnostic.log");
  return *log_;
}

OpenedGrabber::OpenedGrabber(const std::string& name) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  const uint8_t code = Discwright_CdvdBurnerGrabber_CreateEx(&handle_, text, DISCWRIGHT_TEXT_SIZE, &status, failure,
                                                             nullptr, nullptr, name.c_str(), 0);
  EXPECT_EQ(code, DW_E_OK) << "cannot open " << name << ": " << text;
  if (code != DW_E_OK) handle_ = 0;
}

OpenedGrabber::~OpenedGrabber() {
  if (handle_) Discwright_Destroy(&handle_);
}

}  // namespace enginetest
