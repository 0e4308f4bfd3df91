#include "sbLibrarySession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Discwright.h"
#include "sbDialogs.h"
#include "sbDriveAccess.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"

const char* const kLibraryOptionsUsage = QT_TRANSLATE_NOOP(
    "sbLibrarySession",
    "  --demo                  use only the shipped demo recorders (real time at the set speed)\n"
    "  --virtual-drives FILE   use the virtual recorders described in FILE\n"
    "  --time-scale X          override every virtual recorder's time scale, 0 to 100 (0 = as fast as possible)\n"
    "  --no-real-drives        do not use the drives of this machine\n");

std::optional<double> ParseCommandLineNumber(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral("^([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool ParseLibraryOption(const QStringList& arguments, int& i, TsbLibraryOptions& options) {
  const QString& a = arguments[i];
  auto value = [&] {
    if (i + 1 >= arguments.size())
      throw TsbUsageError{QCoreApplication::translate("sbLibrarySession", "%1 needs a value").arg(a)};
    return arguments[++i];
  };
  if (a == QLatin1String("--demo")) {
    options.Demo = true;
  } else if (a == QLatin1String("--virtual-drives")) {
    options.VirtualDrives = value();
  } else if (a == QLatin1String("--time-scale")) {
    const std::optional<double> scale = ParseCommandLineNumber(value());
    // Above the limit a burn of a few MB would take days: surely a mistake.
    if (!scale || *scale > DISCWRIGHT_MAX_TIME_SCALE)
      throw TsbUsageError{QCoreApplication::translate("sbLibrarySession", "--time-scale needs a number from 0 to %1")
                              .arg(DISCWRIGHT_MAX_TIME_SCALE)};
    options.TimeScale = *scale;
  } else if (a == QLatin1String("--no-real-drives")) {
    options.NoRealDrives = true;
  } else if (a == QLatin1String("--pseudo-drive")) {
    options.PseudoDrives << value();
    options.PseudoDriveSizes.push_back(0);
  } else if (a == QLatin1String("--pseudo-drive-size")) {
    // A size belongs to one drive, so it must follow the drive it sizes.
    if (options.PseudoDrives.isEmpty())
      throw TsbUsageError{
          QCoreApplication::translate("sbLibrarySession", "--pseudo-drive-size must follow a --pseudo-drive")};
    const QString given = value();
    bool ok = false;
    const qulonglong bytes = given.toULongLong(&ok);
    if (!ok || bytes == 0 || !std::all_of(given.begin(), given.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
      throw TsbUsageError{
          QCoreApplication::translate("sbLibrarySession", "--pseudo-drive-size needs a number of bytes above 0")};
    options.PseudoDriveSizes.back() = bytes;
  } else {
    return false;
  }
  return true;
}

QString DemoRecordersPath() {
  const QString name = QStringLiteral("demo-recorders.json");
  const QString dir = QCoreApplication::applicationDirPath();
  // Beside the program (the build tree, a portable copy), then an installed tree.
  for (const QString& candidate : {dir + QStringLiteral("/resources/") + name,
                                   dir + QStringLiteral("/../share/korvanel/") + name}) {
    if (QFileInfo::exists(candidate)) return QDir::cleanPath(candidate);
  }
  throw TsbError(QCoreApplication::translate("sbLibrarySession",
                                             "The demo recorder configuration %1 was not found beside the program")
                     .arg(name));
}

void UpStartLibrary(const TsbLibraryOptions& options) {
  const QString config = options.Demo ? DemoRecordersPath() : options.VirtualDrives;
  const QByteArray configPath = QFile::encodeName(config);
  std::vector<QByteArray> pseudoPaths;
  std::vector<const char*> pseudoPointers;
  for (const QString& path : options.PseudoDrives) pseudoPaths.push_back(QFile::encodeName(path));
  for (const QByteArray& path : pseudoPaths) pseudoPointers.push_back(path.constData());

  char text[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup startup{};
  startup.Size = sizeof startup;
  startup.UseRealDrives = options.UseRealDrives() ? 1 : 0;
  startup.VirtualConfig = config.isEmpty() ? nullptr : configPath.constData();
  startup.TimeScale = options.TimeScale.value_or(-1.0);
  startup.ErrorText = text;
  startup.ErrorTextSize = sizeof text;
  startup.PseudoDrives = pseudoPointers.empty() ? nullptr : pseudoPointers.data();
  startup.PseudoDriveCount = uint32_t(pseudoPointers.size());
  startup.PseudoDriveSizes = options.PseudoDriveSizes.empty() ? nullptr : options.PseudoDriveSizes.data();

  SetDriveNodesProbed(options.UseRealDrives());
  if (const uint8_t code = SB_CALL_PLAIN(Discwright_UpStartEx, &startup); code != 0) {
    const QString message = QStringLiteral("Discwright_UpStartEx() failed, exception %1").arg(code);
    const QString reason = QString::fromLocal8Bit(text);
    // The fixed text, and beside it the library's reason (the file and what is
    // wrong in it): without it the user cannot mend anything.
    GlobalLogger().WriteLog(message, 0);
    if (!reason.isEmpty()) GlobalLogger().WriteLog(reason, 0);
    throw TsbError(reason.isEmpty() ? message : message + QLatin1Char('\n') + reason);
  }
}

QString VirtualConfigProblem(const TsbLibraryOptions& options) {
  const QString config = options.Demo ? QString() : options.VirtualDrives;
  if (config.isEmpty()) return {};
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  const QByteArray file = QFile::encodeName(config);
  if (SB_CALL_PLAIN(Discwright_CheckVirtualConfig, file.constData(), text, uint32_t(sizeof text)) == DW_E_OK) return {};
  return QString::fromLocal8Bit(text, qsizetype(strnlen(text, sizeof text)));
}

bool CheckLibraryVersion(uint32_t version) {
  const QString expected = QStringLiteral("%1").arg(DISCWRIGHT_VERSION, 0, 16);
  if (version == DISCWRIGHT_VERSION) {
    std::fprintf(stderr, "Discwright : Discwright library version : 0x%s\n", qUtf8Printable(expected));
    return true;
  }
  const QString found = QStringLiteral("%1").arg(version, 8, 16, QLatin1Char('0')).toUpper();
  const QString text =
      QStringLiteral("Discwright : Invalid Discwright library version : 0x%1. Expected : 0x%2").arg(found, expected);
  std::fprintf(stderr, "%s\n", qUtf8Printable(text));
  Dialogs().Warning(QString(), text);
  return false;
}
