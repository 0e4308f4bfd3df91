#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "common/test_os.h"
#include "sbHelpers.h"
#include "sbLogging.h"

namespace {

QByteArray ReadAll(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

TsbLog LogOwnedBy(std::initializer_list<int> pages) {
  TsbLog log;
  for (int page : pages) {
    TsbLogItem& item = log.Add();
    item.PageOwner = page;
    item.LogMessage = QString("line %1").arg(log.Count());
  }
  return log;
}

}  // namespace

TEST(TsbLog, AddGivesCreationValuesAndStableReferences) {
  TsbLog log;
  TsbLogItem& first = log.Add();
  EXPECT_TRUE(first.LogMessage.isEmpty());
  EXPECT_TRUE(first.LogTime.isNull());
  EXPECT_EQ(first.ItemType, litInfo);
  EXPECT_EQ(first.PageOwner, 0);

  // Callers fill an item in after adding more; growing must not move it.
  for (int i = 0; i < 1000; ++i) log.Add();
  first.LogMessage = "filled late";
  EXPECT_EQ(log.Items(0).LogMessage, "filled late");
  EXPECT_EQ(log.Count(), 1001);
  EXPECT_THROW(log.Items(1001), std::out_of_range);

  log.Clear();
  EXPECT_EQ(log.Count(), 0);
}

TEST(TsbLog, AssignCopiesAllFourProperties) {
  TsbLogItem source;
  source.LogMessage = "Burning completed";
  source.LogTime = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
  source.ItemType = litWarning;
  source.PageOwner = 6;
  TsbLogItem target;
  target.Assign(source);
  EXPECT_EQ(target.LogMessage, source.LogMessage);
  EXPECT_EQ(target.LogTime, source.LogTime);
  EXPECT_EQ(target.ItemType, litWarning);
  EXPECT_EQ(target.PageOwner, 6);
  EXPECT_EQ(sizeof(TsbLogItemType), 1u);
  EXPECT_EQ(int(litError), 1);
}

TEST(TsbLog, DeleteFromPageDropsFirstOwnedItemAndEverythingAfter) {
  TsbLog log = LogOwnedBy({0, 2, 3, 2});
  log.DeleteFromPage(3);
  ASSERT_EQ(log.Count(), 2);
  EXPECT_EQ(log.Items(0).PageOwner, 0);
  EXPECT_EQ(log.Items(1).PageOwner, 2);

  log = LogOwnedBy({0, 2, 3, 2});
  log.DeleteFromPage(5);
  EXPECT_EQ(log.Count(), 4);

  log.DeleteFromPage(2);  // the first page-2 item decides, not the last
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.Items(0).LogMessage, "line 1");

  log.DeleteFromPage(0);
  EXPECT_EQ(log.Count(), 0);
  log.DeleteFromPage(0);
  EXPECT_EQ(log.Count(), 0);
}

TEST(TsbLog, DeleteOneItem) {
  TsbLog log = LogOwnedBy({0, 1, 2});
  log.Delete(1);
  ASSERT_EQ(log.Count(), 2);
  EXPECT_EQ(log.Items(1).PageOwner, 2);
  EXPECT_THROW(log.Delete(2), std::out_of_range);
  EXPECT_THROW(log.Delete(-1), std::out_of_range);
}

TEST(TsbLogger, SettingsAreDecimalTextWithDefaults) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    const char* enabled;  // nullptr: value missing
    const char* level;
    bool expectEnabled;
    int expectLevel;
  };
  const Case cases[] = {
      {nullptr, nullptr, false, 0}, {"0", "0", false, 0},  {"1", "3", true, 3},
      {"abc", "x1", false, 0},      {"7", "-2", true, -2}, {"1.5", "", false, 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    const QString iniFile = dir.filePath(QString("wizard%1.ini").arg(n++));
    {
      QSettings writer(iniFile, QSettings::IniFormat);
      if (c.enabled) writer.setValue("LogEnabled", c.enabled);
      if (c.level) writer.setValue("LogLevel", c.level);
    }
    QSettings reader(iniFile, QSettings::IniFormat);
    const TsbLogger logger(reader);
    EXPECT_EQ(logger.LogEnabled, c.expectEnabled) << (c.enabled ? c.enabled : "missing");
    EXPECT_EQ(logger.LogLevel, c.expectLevel) << (c.level ? c.level : "missing");
  }
}

TEST(TsbLogger, DisabledLoggerCreatesNoFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TsbLogger logger(false, 0);
  logger.SetLogFileName(dir.filePath("wizard.log"));
  for (int i = 0; i < 50; ++i) logger.WriteLog("Discwright_CdvdBurnerGrabber_Lock");
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("wizard.log")));
}

TEST(TsbLogger, FirstLineCreatesTheFileLaterLinesAndRunsAppend) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath("wizard.log");
  {
    TsbLogger logger(true, 0);
    logger.SetLogFileName(name);
    logger.SetClock([] { return QTime(9, 5, 3, 7); });
    logger.WriteLog("Discwright_UpStartEx");
    EXPECT_EQ(ReadAll(name), QByteArray("09:05:03.007: Discwright_UpStartEx\r\n"));
    logger.WriteLog("second", 0);
  }
  TsbLogger nextRun(true, 0);
  nextRun.SetLogFileName(name);
  nextRun.SetClock([] { return QTime(23, 59, 59, 999); });
  nextRun.WriteLog("next run");
  EXPECT_EQ(ReadAll(name),
            QByteArray("09:05:03.007: Discwright_UpStartEx\r\n09:05:03.007: second\r\n23:59:59.999: next run\r\n"));
}

TEST(TsbLogger, RealClockStampsTheLocalTime) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TsbLogger logger(true, 0);
  logger.SetLogFileName(dir.filePath("wizard.log"));
  const QTime before = QTime::currentTime();
  logger.WriteLog("now");
  const QString line = QString::fromUtf8(ReadAll(dir.filePath("wizard.log")));
  ASSERT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d\d\d: now\r\n$)").match(line).hasMatch()) << line.toStdString();
  const QTime stamped = QTime::fromString(line.left(12), "hh:mm:ss.zzz");
  EXPECT_LE(std::abs(before.msecsTo(stamped)), 2000) << line.toStdString();
}

TEST(TsbLogger, ConcurrentWritersEachLeaveWholeLines) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath("wizard.log");
  TsbLogger logger(true, 0);
  logger.SetLogFileName(name);
  constexpr int kThreads = 8;
  constexpr int kLines = 500;
  {
    std::vector<std::jthread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&logger, t] {
        for (int i = 0; i < kLines; ++i) logger.WriteLog(QString("thread %1 line %2").arg(t).arg(i));
      });
    }
  }
  const QByteArray content = ReadAll(name);
  ASSERT_TRUE(content.endsWith("\r\n"));
  const QStringList lines = QString::fromUtf8(content.left(content.size() - 2)).split("\r\n");
  ASSERT_EQ(lines.size(), kThreads * kLines);
  const QRegularExpression shape(R"(\A\d\d:\d\d:\d\d\.\d\d\d: thread (\d) line (\d+)\z)");
  std::set<std::pair<int, int>> seen;
  std::vector<int> lastLine(kThreads, -1);
  for (const QString& line : lines) {
    const auto match = shape.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    const int t = match.captured(1).toInt();
    const int i = match.captured(2).toInt();
    EXPECT_TRUE(seen.emplace(t, i).second);
    EXPECT_EQ(i, lastLine[t] + 1) << "lines of one thread out of order";
    lastLine[t] = i;
  }
}

TEST(TsbLogger, WriteFailureRaisesIOError) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TsbLogger logger(true, 0);
  logger.SetLogFileName(dir.path());  // a folder, not a file
  EXPECT_THROW(logger.WriteLog("x"), TsbIOError);
}

TEST(LogLocation, BesideTheProgramWhenWritable) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fallback = dir.filePath("state/korvanel");
  EXPECT_EQ(LogFileNameFor(dir.filePath("burner.bin"), fallback), dir.filePath("burner.log"));
  EXPECT_FALSE(QFileInfo::exists(fallback));
}

TEST(LogLocation, StateFolderWhenProgramFolderIsNotWritable) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fallback = dir.filePath("state/korvanel");
  EXPECT_EQ(LogFileNameFor(dir.filePath("gone/korvanel"), fallback), fallback + "/korvanel.log");
  EXPECT_TRUE(QFileInfo(fallback).isDir());

  // Logging through that location works from the first line on.
  TsbLogger logger(true, 0);
  logger.SetLogFileName(LogFileNameFor(dir.filePath("gone/korvanel"), fallback + "/"));
  logger.WriteLog("first");
  EXPECT_TRUE(QFileInfo::exists(fallback + "/korvanel.log"));
}

TEST(LogLocation, ReadOnlyProgramFolderOrLogFile) {
  SKIP_WITHOUT_POSIX("a folder its mode makes read-only");
  if (testos::isRoot()) GTEST_SKIP() << "permissions do not bind the superuser";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fallback = dir.filePath("state");
  const QString program = dir.filePath("bin/korvanel");
  ASSERT_TRUE(QDir(dir.path()).mkdir("bin"));

  // A log file left writable in a read-only folder is still used.
  AppendLine(dir.filePath("bin/korvanel.log"), "old");
  QFile::setPermissions(dir.filePath("bin"), QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_EQ(LogFileNameFor(program, fallback), dir.filePath("bin/korvanel.log"));

  QFile::setPermissions(dir.filePath("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QFile::setPermissions(dir.filePath("bin/korvanel.log"), QFile::ReadOwner);
  EXPECT_EQ(LogFileNameFor(program, fallback), fallback + "/korvanel.log");

  QFile::remove(dir.filePath("bin/korvanel.log"));
  QFile::setPermissions(dir.filePath("bin"), QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_EQ(LogFileNameFor(program, fallback), fallback + "/korvanel.log");
  QFile::setPermissions(dir.filePath("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(LogLocation, DefaultIsNamedAfterTheRunningProgramAndKept) {
  TsbLogger logger(false, 0);
  const QString name = logger.GetLogFileName();
  EXPECT_EQ(QFileInfo(name).fileName(), QFileInfo(ProgramFilePath()).completeBaseName() + ".log");
  EXPECT_EQ(logger.GetLogFileName(), name);
  EXPECT_EQ(&GlobalLogger(), &GlobalLogger());
}
