#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

#include "sbHelpers.h"
#include "sbStrings.h"
#include "sbTranslations.h"

namespace {

QByteArray ReadAll(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

constexpr std::int64_t kMB = 1048576;

}  // namespace

TEST(AppendLine, CreatesThenAppendsWithCrLf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath("out.txt");
  AppendLine(name, "first");
  EXPECT_EQ(ReadAll(name), QByteArray("first\r\n"));
  AppendLine(name, QString::fromUtf8("zweite Zeile \xC3\xBC"));
  EXPECT_EQ(ReadAll(name), QByteArray("first\r\nzweite Zeile \xC3\xBC\r\n"));
}

TEST(AppendLine, UnwritablePathRaisesIOError) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_THROW(AppendLine(dir.filePath("missing/folder/out.txt"), "x"), TsbIOError);
  // A folder standing where the file should be.
  try {
    AppendLine(dir.path(), "x");
    FAIL() << "no exception";
  } catch (const TsbIOError& error) {
    EXPECT_TRUE(error.Message().contains(dir.path())) << error.what();
  }
}

TEST(StripExtension, KeepsOnlyTheStem) {
  EXPECT_EQ(StripExtension("/opt/korvanel/korvanel"), "korvanel");
  EXPECT_EQ(StripExtension("/opt/a.b/burner.bin"), "burner");
  EXPECT_EQ(StripExtension("archive.tar.gz"), "archive.tar");
  EXPECT_EQ(StripExtension("/opt/folder/"), "");
  EXPECT_EQ(StripExtension(""), "");
}

TEST(FormatMegabytes, TwoDecimalsWithOptionalUnit) {
  EXPECT_EQ(FormatMegabytes(734003200, false), "700.00 MB");
  EXPECT_EQ(FormatMegabytes(734003200, true), "700.00");
  EXPECT_EQ(FormatMegabytes(0, false), "0.00 MB");
  EXPECT_EQ(FormatMegabytes(4707319808LL, true), "4489.25");  // DVD+R capacity
}

TEST(FormatMegabytes, RoundsHalvesUpAndToSixSignificantDigits) {
  EXPECT_EQ(FormatMegabytes(kMB / 8, true), "0.13");          // exactly 0.125
  EXPECT_EQ(FormatMegabytes(3276800, true), "3.13");          // exactly 3.125
  EXPECT_EQ(FormatMegabytes(kMB * 2 - 1, true), "2.00");      // carry into the integer part
  // 12345.678 MB: six significant digits give 12345.7, shown as 12345.70.
  EXPECT_EQ(FormatMegabytes(12345 * kMB + 710935, true), "12345.70");
  EXPECT_EQ(FormatMegabytes(999999 * kMB + kMB / 2, true), "1E6");  // rounds up past six digits
  EXPECT_EQ(FormatMegabytes(1234567 * kMB, false), "1.23457E6 MB");
  EXPECT_EQ(FormatMegabytes(-kMB * 3 / 2, true), "-1.50");
  EXPECT_EQ(FormatMegabytes(-1, true), "0.00");
  EXPECT_EQ(FormatMegabytes(INT64_MAX, true), "8.79609E12");
}

// The user's figures: only the decimal point follows the locale, never a grouping
// (a figure reads the same in a sentence and a table cell), and the sizes keep
// FormatMegabytes' rounding, so that the wizard and korvanel-cli agree.
TEST(LocaleFigures, TheDecimalPointFollowsTheLocaleAndDigitsAreNotGrouped) {
  const QLocale previous;
  const struct {
    QLocale locale;
    const char* number;
    const char* megabytes;
    const char* speed;
  } cases[] = {
      {QLocale::c(), "1234.50", "12345.70 MB", "48.1x (8.46 MB/s)"},
      {QLocale(QLocale::English, QLocale::UnitedStates), "1234.50", "12345.70 MB", "48.1x (8.46 MB/s)"},
      {QLocale(QLocale::German, QLocale::Germany), "1234,50", "12345,70 MB", "48,1x (8,46 MB/s)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    QLocale::setDefault(c.locale);
    EXPECT_EQ(LocaleNumber(1234.5, 2), c.number);
    EXPECT_EQ(LocaleMegabytes(12345 * kMB + 710935), c.megabytes);
    EXPECT_EQ(SpeedFigures(48.06, 8'455'000), c.speed);
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(LocaleMegabytes(-kMB * 3 / 2), "-1,50 MB");
  EXPECT_EQ(LocaleMegabytes(1234567 * kMB), "1,23457E6 MB");
  QLocale::setDefault(previous);
}

#ifndef _WIN32
// The wizard's figures follow the system's formats; only where the environment names
// none (LANGUAGE alone chose German) do they follow the catalog's language.
TEST(LocaleFigures, TheCatalogsLanguageGivesTheFormatsOnlyWhereTheSystemNamesNone) {
  const char* const variables[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
  const struct {
    const char* values[3];  // LC_ALL, LC_NUMERIC, LANG
    const char* language;
    bool languagesFormats;
  } cases[] = {
      {{"", "", "C.UTF-8"}, "de", true},
      {{"", "", ""}, "de", true},
      {{"", "POSIX", "de_DE.UTF-8"}, "de", true},
      {{"", "", "en_US.UTF-8"}, "de", false},
      {{"", "en_GB.UTF-8", "C"}, "de", false},
      {{"fr_FR.UTF-8", "C", "C"}, "de", false},
      {{"", "", "C.UTF-8"}, "", false},
  };
  std::vector<QByteArray> saved;
  for (const char* variable : variables) saved.push_back(qgetenv(variable));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.values[0]) + "|" + c.values[1] + "|" + c.values[2] + " " + c.language);
    for (int i = 0; i < 3; ++i) qputenv(variables[i], c.values[i]);
    EXPECT_EQ(FormatsLocale(c.language), c.languagesFormats ? QLocale(c.language) : QLocale::system());
  }
  for (int i = 0; i < 3; ++i) qputenv(variables[i], saved[size_t(i)]);
}
#endif

TEST(PadLeftZeros, PadsAndKeepsTheLastDigits) {
  EXPECT_EQ(PadLeftZeros(7, 2), "07");
  EXPECT_EQ(PadLeftZeros(123, 2), "23");
  EXPECT_EQ(PadLeftZeros(45, 2), "45");
  EXPECT_EQ(PadLeftZeros(0, 3), "000");
  EXPECT_EQ(PadLeftZeros(5, 0), "");
  EXPECT_EQ(PadLeftZeros(5, -1), "");
}

TEST(TextHelpers, YesNoReplaceAndCompare) {
  EXPECT_EQ(BoolToYesNo(true), "Yes");
  EXPECT_EQ(BoolToYesNo(false), "No");
  EXPECT_EQ(BoolToYesNo(true, true), "Yes");  // no translation loaded
  EXPECT_EQ(BoolToYesNo(false, true), "No");

  EXPECT_EQ(ReplaceText("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceText("a-b-c", "-", ""), "abc");
  EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceText("Abc", "a", "x"), "Abc");

  EXPECT_TRUE(SameText("Korvanel", "KORVANEL"));
  EXPECT_TRUE(SameText("", ""));
  EXPECT_FALSE(SameText("abc", "abd"));
  EXPECT_FALSE(SameText("abc", "abc "));
}

TEST(TextHelpers, FixedArrayStopsAtNulOrLength) {
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FixedArrayToText(full), "abcd");
  const char terminated[6] = "ab\0cd";
  EXPECT_EQ(FixedArrayToText(terminated), "ab");
  EXPECT_EQ(FixedArrayToText(full, 2), "ab");
  EXPECT_EQ(FixedArrayToText(nullptr, 10), "");
}

// An installed program (or one in a moved prefix) finds its pictures under
// share/; a folder beside the program, as in a portable copy, wins.
TEST(Folders, SkinFolderOfAnInstalledTreeIsUnderShare) {
  QTemporaryDir prefix;
  ASSERT_TRUE(prefix.isValid());
  const QString bin = prefix.filePath("bin");
  ASSERT_TRUE(QDir().mkpath(bin));
  ASSERT_TRUE(QDir().mkpath(prefix.filePath("share/korvanel/sounds/res10")));
  EXPECT_EQ(SkinFolder(bin), prefix.filePath("share/korvanel/sounds/res10/"));
  ASSERT_TRUE(QDir().mkpath(bin + "/sounds/res10"));
  EXPECT_EQ(SkinFolder(bin), bin + "/sounds/res10/");
}

TEST(Folders, SkinFolderBesideTheProgram) {
  EXPECT_EQ(SkinFolder("/opt/korvanel"), "/opt/korvanel/sounds/res10/");
  EXPECT_EQ(SkinFolder("/opt/korvanel/"), "/opt/korvanel/sounds/res10/");
  EXPECT_EQ(SkinFolder(), ProgramFolder() + "sounds/res10/");
  // The folder of this test program, wherever the build put it.
  EXPECT_TRUE(QFileInfo(ProgramFilePath()).isFile()) << ProgramFilePath().toStdString();
  EXPECT_EQ(SystemProgramFilePath(), ProgramFilePath()) << "as the system names it before the application exists";
  EXPECT_EQ(QDir(ProgramFolder()), QFileInfo(ProgramFilePath()).absoluteDir());
  EXPECT_TRUE(ProgramFolder().endsWith('/'));
}

// The per-user state: under %LOCALAPPDATA% on Windows, under the XDG state home elsewhere.
TEST(Folders, UserStateFolderFollowsXdgStateHome) {
#ifdef _WIN32
  EXPECT_EQ(UserStateFolder(), QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")) + "/Korvanel/");
  return;
#endif
  const QByteArray saved = qgetenv("XDG_STATE_HOME");
  const bool wasSet = qEnvironmentVariableIsSet("XDG_STATE_HOME");

  qputenv("XDG_STATE_HOME", "/srv/state");
  EXPECT_EQ(UserStateFolder(), "/srv/state/korvanel/");
  qputenv("XDG_STATE_HOME", "relative/state");
  EXPECT_EQ(UserStateFolder(), QDir::homePath() + "/.local/state/korvanel/");
  qunsetenv("XDG_STATE_HOME");
  EXPECT_EQ(UserStateFolder(), QDir::homePath() + "/.local/state/korvanel/");

  if (wasSet) qputenv("XDG_STATE_HOME", saved);
}
