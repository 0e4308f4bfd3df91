#include "engine/engine_support.h"

#include <QFile>

#include "sbLogging.h"
#include "sbUiHooks.h"

namespace enginetest {

DiscwrightDeviceAddress AddressOf(int number) { return {1, 1, 0, uint8_t(number), 0}; }

// The shared recorders, each with a drive buffer of known size for the probe to report.
json CdWriter(int number, const std::string& mediumType) {
  json writer = testcommon::cdRecorder(number, mediumType);
  writer["buffer_size"] = 2097152;
  return writer;
}

json DvdWriter(int number, const std::string& mediumType) {
  json writer = testcommon::dvdRecorder(number, mediumType);
  writer["buffer_size"] = 4194304;
  return writer;
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
  std::string error;
  const uint8_t result = testcommon::startLibrary(ConfigPath(), StateFolder(), timeScale, error);
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
  testcommon::Triple t;
  const uint8_t code = Discwright_CdvdBurnerGrabber_CreateEx(&handle_, DW_ARGS(t), nullptr, nullptr, name.c_str(), 0);
  EXPECT_EQ(code, DW_E_OK) << "cannot open " << name << ": " << t.text;
  if (code != DW_E_OK) handle_ = 0;
}

OpenedGrabber::~OpenedGrabber() {
  if (handle_) Discwright_Destroy(&handle_);
}

}  // namespace enginetest
