// The two logs of the program: the diagnostic log file (TsbLogger, for support, never shown)
// and the visible log (TsbLog) that the wizard collects page by page.
#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

class QSettings;

enum TsbLogItemType : std::uint8_t { litInfo = 0, litError = 1, litWarning = 2 };

struct TsbLogItem {
  QString LogMessage;
  QDateTime LogTime;  // null: the line has no time and none is shown
  TsbLogItemType ItemType = litInfo;
  int PageOwner = 0;  // wizard page on whose account the line was added

  void Assign(const TsbLogItem& source) { *this = source; }
};

class TsbLog {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // 0-based; throws std::out_of_range for a bad index.
  TsbLogItem& Items(int index) { return items_.at(static_cast<std::size_t>(index)); }
  const TsbLogItem& Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }

  // Appends an item with the creation values. The reference stays valid while later items
  // are added, so a caller may fill it in after adding more.
  TsbLogItem& Add() { return items_.emplace_back(); }
  void Delete(int index);
  // Deletes the first item owned by the page and every item after it, so that stepping
  // back over a page also drops what later pages added.
  void DeleteFromPage(int pageOwner);
  void Clear() { items_.clear(); }

 private:
  std::deque<TsbLogItem> items_;
};

class TsbLogger {
 public:
  using Clock = std::function<QTime()>;

  // Reads "LogEnabled" and "LogLevel" once from the Korvanel/Wizard settings (user scope,
  // falling back to system scope).
  TsbLogger();
  explicit TsbLogger(QSettings& settings);
  TsbLogger(bool logEnabled, int logLevel);
  TsbLogger(const TsbLogger&) = delete;
  TsbLogger& operator=(const TsbLogger&) = delete;

  // Kept but not used to filter: every caller writes at level 0.
  std::atomic<int> LogLevel{0};
  std::atomic<bool> LogEnabled{false};

  // The log file, worked out on first use and then kept: beside the executable, named after
  // it with ".log", when that folder is writable; else in the user's state folder.
  QString GetLogFileName();
  // Fixes the log file, replacing the worked-out location.
  void SetLogFileName(const QString& fileName);
  // Source of the local time of day stamped on each line.
  void SetClock(Clock clock);

  // Appends "hh:mm:ss.zzz: Message" to the log file when logging is enabled. Safe from any
  // thread; each call leaves one whole line. Throws TsbIOError when the file cannot be written.
  void WriteLog(const QString& message, int level = 0);

 private:
  void ReadSettings(QSettings& settings);
  QString LogFileNameLocked();

  std::mutex mutex_;
  QString logFileName_;
  Clock clock_;
};

// Log file for a program file: "<folder>/<stem>.log" when it can be written there, else
// "<fallbackFolder>/<stem>.log", creating fallbackFolder.
QString LogFileNameFor(const QString& programFile, const QString& fallbackFolder);

// The process-wide diagnostic logger, created on first use.
TsbLogger& GlobalLogger();
// A line of the diagnostic log, as every burning class writes it.
void LogDiagnostic(const QString& text);
