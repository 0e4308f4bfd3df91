#include "sbLogging.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "sbHelpers.h"

void TsbLog::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TsbLog::Delete: index out of range");
  items_.erase(items_.begin() + index);
}

void TsbLog::DeleteFromPage(int pageOwner) {
  const auto first =
      std::find_if(items_.begin(), items_.end(), [pageOwner](const TsbLogItem& item) { return item.PageOwner == pageOwner; });
  items_.erase(first, items_.end());
}

namespace {

// A decimal integer held as text; anything else gives the fallback.
int ReadDecimal(QSettings& settings, const QString& key, int fallback) {
  const QVariant value = settings.value(key);
  if (!value.isValid()) return fallback;
  bool ok = false;
  const int number = value.toString().toInt(&ok, 10);
  return ok ? number : fallback;
}

bool CanWrite(const QString& logFile) {
  const QFileInfo file(logFile);
  if (file.exists()) return file.isFile() && file.isWritable();
  const QFileInfo folder(file.absolutePath());
  return folder.isDir() && folder.isWritable();
}

}  // namespace

TsbLogger::TsbLogger() {
#ifdef Q_OS_WIN
  // HKEY_LOCAL_MACHINE\Software\Korvanel\Wizard, where an administrator switches the log on;
  // the user's own hive where the machine's key cannot be opened for writing.
  QSettings machine(QSettings::SystemScope, QStringLiteral("Korvanel"), QStringLiteral("Wizard"));
  if (machine.isWritable() || machine.contains(QStringLiteral("LogEnabled"))) {
    ReadSettings(machine);
    return;
  }
#endif
  // The user's settings, then the system's (an INI file on Linux).
  QSettings settings(QSettings::UserScope, QStringLiteral("Korvanel"), QStringLiteral("Wizard"));
  ReadSettings(settings);
}

TsbLogger::TsbLogger(QSettings& settings) { ReadSettings(settings); }

TsbLogger::TsbLogger(bool logEnabled, int logLevel) : LogLevel(logLevel), LogEnabled(logEnabled) {}

void TsbLogger::ReadSettings(QSettings& settings) {
  LogEnabled = ReadDecimal(settings, QStringLiteral("LogEnabled"), 0) != 0;
  LogLevel = ReadDecimal(settings, QStringLiteral("LogLevel"), 0);
}

QString TsbLogger::GetLogFileName() {
  std::lock_guard lock(mutex_);
  return LogFileNameLocked();
}

QString TsbLogger::LogFileNameLocked() {
  if (logFileName_.isEmpty()) logFileName_ = LogFileNameFor(ProgramFilePath(), UserStateFolder());
  return logFileName_;
}

void TsbLogger::SetLogFileName(const QString& fileName) {
  std::lock_guard lock(mutex_);
  logFileName_ = fileName;
}

void TsbLogger::SetClock(Clock clock) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
}

void TsbLogger::WriteLog(const QString& message, int /*level*/) {
  if (!LogEnabled) return;
  // One lock around stamping and appending keeps lines whole and in time order.
  std::lock_guard lock(mutex_);
  const QTime now = clock_ ? clock_() : QTime::currentTime();
  AppendLine(LogFileNameLocked(), now.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral(": ") + message);
}

QString LogFileNameFor(const QString& programFile, const QString& fallbackFolder) {
  const QString name = StripExtension(programFile) + QStringLiteral(".log");
  const QString besideProgram = IncludeTrailingSeparator(QFileInfo(programFile).absolutePath()) + name;
  if (CanWrite(besideProgram)) return besideProgram;
  // An installed program cannot write beside itself; switching logging on must not make
  // every call fail, so the log moves to the user's state folder. A folder that cannot be
  // created shows up as a write failure on the first line.
  QDir().mkpath(fallbackFolder);
  return IncludeTrailingSeparator(fallbackFolder) + name;
}

TsbLogger& GlobalLogger() {
  static TsbLogger logger;
  return logger;
}

void LogDiagnostic(const QString& text) { GlobalLogger().WriteLog(text, 0); }
