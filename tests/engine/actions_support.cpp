#include "engine/actions_support.h"

#include <QFile>

#include <ostream>

#include "sbCallbacks.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

namespace actest {

json cdRecorder(int index) {
  return {{"name", "CdRom" + std::to_string(index)},
          {"address", testcommon::addressText(index)},
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

void ActionsTest::SetUp() {
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
}

void ActionsTest::stop() {
  if (started_) Discwright_DownShut();
  started_ = false;
}

void ActionsTest::start(const std::vector<json>& recorders, double timeScale) {
  const fs::path config = dir_ / "recorders.json";
  testcommon::writeConfig(config, recorders);
  std::string error;
  ASSERT_EQ(testcommon::startLibrary(config, dir_ / "state", timeScale, error), DW_E_OK) << error;
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
  testcommon::Triple t;
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CloseTray(burner->Grabber, DW_ARGS(t)), DW_E_OK) << t.text;
  Bytes out(uint64_t(count) * DISCWRIGHT_SECTOR_SIZE);
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_ReadSectors(burner->Grabber, DW_ARGS(t), lba, count, out.data()), DW_E_OK)
      << t.text;
  return out;
}

DiscwrightDiscInformation ActionsTest::discInformation() {
  testcommon::Triple t;
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CloseTray(burner->Grabber, DW_ARGS(t)), DW_E_OK) << t.text;
  DiscwrightDiscInformation info{};
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_GetDiscInformation(burner->Grabber, DW_ARGS(t), &info), DW_E_OK) << t.text;
  return info;
}

std::vector<QString> ActionsTest::errorBoxes() const {
  const QStringList texts = dialogs->texts(QStringLiteral("error"));
  return {texts.begin(), texts.end()};
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
