#include "sbHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>


#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

TsbIOError::TsbIOError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString TsbIOError::Message() const { return QString::fromUtf8(what()); }

void AppendLine(const QString& fileName, const QString& line) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
    throw TsbIOError(QCoreApplication::translate("sbHelpers", "Cannot open \"%1\" for writing: %2")
                         .arg(fileName, file.errorString()));
  }
  const QByteArray bytes = line.toUtf8() + kLineEnd;
  errno = 0;
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  const QString why = written ? QString() : WriteFailureText(file);
  file.close();
  if (!written || file.error() != QFileDevice::NoError) {
    throw TsbIOError(QCoreApplication::translate("sbHelpers", "Cannot write to \"%1\": %2")
                         .arg(fileName, written ? WriteFailureText(file) : why));
  }
}

QString WriteFailureText(const QFileDevice& file) {
  const int error = errno;
  const QString text = file.errorString();
  if (file.error() != QFileDevice::NoError && !text.isEmpty() && text != QLatin1String("Unknown error") &&
      text != QFile().errorString())  // Qt's placeholder, in the user's language
    return text;
  if (error != 0) return QString::fromLocal8Bit(std::strerror(error));
  return text.isEmpty() ? QCoreApplication::translate("sbHelpers", "the write failed") : text;
}

QString StripExtension(const QString& path) {
  QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  return name;
}

namespace {

constexpr int kMegabyteShift = 20;
constexpr std::uint64_t kMegabyteMask = (std::uint64_t{1} << kMegabyteShift) - 1;
// A multiple of 2^-20 has at most 20 decimals, so this many fraction digits are exact.
constexpr int kFractionDigits = 20;
constexpr std::size_t kSignificantDigits = 6;

// Rounds half away from zero at position Keep of a plain digit string: the digits from
// Keep on become zeros. Returns true when the carry added a digit in front.
bool RoundDigitsAt(std::string& digits, std::size_t keep) {
  if (keep >= digits.size()) return false;
  const bool up = digits[keep] >= '5';
  std::fill(digits.begin() + static_cast<std::ptrdiff_t>(keep), digits.end(), '0');
  if (!up) return false;
  for (std::size_t i = keep; i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  return true;
}

}  // namespace

QString FormatMegabytes(std::int64_t bytes, bool noUnit) {
  // Worked on exact decimal digits rather than a double, so sizes that end exactly on a
  // half (3276800 bytes = 3.125 MB) round the same way every time.
  const bool negative = bytes < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(bytes) : static_cast<std::uint64_t>(bytes);
  std::string digits = std::to_string(magnitude >> kMegabyteShift);
  std::size_t integerDigits = digits.size();
  std::uint64_t rest = magnitude & kMegabyteMask;
  for (int i = 0; i < kFractionDigits; ++i) {
    rest *= 10;
    digits += static_cast<char>('0' + (rest >> kMegabyteShift));
    rest &= kMegabyteMask;
  }

  std::string text;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    text = "0.00";
  } else {
    if (RoundDigitsAt(digits, first + kSignificantDigits)) ++integerDigits;
    const std::size_t lead = digits.find_first_not_of('0');
    const std::size_t significantIntegerDigits = lead < integerDigits ? integerDigits - lead : 0;
    if (significantIntegerDigits > kSignificantDigits) {
      std::string mantissa = digits.substr(lead, kSignificantDigits);
      mantissa.erase(mantissa.find_last_not_of('0') + 1);
      text = mantissa.substr(0, 1);
      if (mantissa.size() > 1) text += '.' + mantissa.substr(1);
      text += 'E' + std::to_string(significantIntegerDigits - 1);
    } else {
      if (RoundDigitsAt(digits, integerDigits + 2)) ++integerDigits;
      text = digits.substr(0, integerDigits) + '.' + digits.substr(integerDigits, 2);
    }
    if (negative && text.find_first_not_of("0.") != std::string::npos) text.insert(0, 1, '-');
  }
  QString result = QString::fromLatin1(text);
  if (!noUnit) result += QStringLiteral(" MB");
  return result;
}

QString PadLeftZeros(int value, int width) {
  if (width <= 0) return {};
  return (QString(width, QLatin1Char('0')) + QString::number(value)).right(width);
}

QString BoolToYesNo(bool value, bool localised) {
  if (localised) {
    return value ? QCoreApplication::translate("sbHelpers", "Yes") : QCoreApplication::translate("sbHelpers", "No");
  }
  return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString ReplaceText(const QString& text, const QString& oldText, const QString& newText) {
  if (oldText.isEmpty()) return text;
  QString result = text;
  return result.replace(oldText, newText, Qt::CaseSensitive);
}

bool SameText(const QString& a, const QString& b) { return a.toUpper() == b.toUpper(); }

QString FixedArrayToText(const char* chars, std::size_t length) {
  if (chars == nullptr) return {};
  const auto* end = static_cast<const char*>(std::memchr(chars, '\0', length));
  const std::size_t size = end ? static_cast<std::size_t>(end - chars) : length;
  return QString::fromUtf8(chars, static_cast<qsizetype>(size));
}

QString IncludeTrailingSeparator(const QString& path) {
  return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString ProgramFilePath() {
  if (QCoreApplication::instance() != nullptr) {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return path;
  }
  // The logger may run before the application object exists.
  const QString self = SystemProgramFilePath();
  return self.isEmpty() ? QDir::current().absoluteFilePath(QStringLiteral("korvanel")) : self;
}

QString ProgramFolder() {
  const QString file = ProgramFilePath();
  return IncludeTrailingSeparator(file.left(file.lastIndexOf(QLatin1Char('/'))));
}

QString SkinFolder() { return SkinFolder(ProgramFolder()); }

QString SkinFolder(const QString& programFolder) {
  // Beside the program (a build tree, a portable copy) first; an installed
  // program keeps its data under share/, relative to itself so that a moved
  // prefix works too.
  const QString beside = IncludeTrailingSeparator(IncludeTrailingSeparator(programFolder) + QStringLiteral("sounds/res10"));
  const QString installed = IncludeTrailingSeparator(
      QDir::cleanPath(IncludeTrailingSeparator(programFolder) + QStringLiteral("../share/korvanel/sounds/res10")));
  return !QDir(beside).exists() && QDir(installed).exists() ? installed : beside;
}

QByteArray ImageCreatorId() { return QByteArrayLiteral("KORVANEL " KORVANEL_VERSION); }
