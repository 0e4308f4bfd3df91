#include "sbChecksumFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

#include "sbFileSystem.h"
#include "sbErrors.h"

namespace {

struct ChecksumLine {
  int number = 0;    // in the file, from 1
  QByteArray hex;
  QString name;      // empty for a file of one bare hash
  QString tag;       // the algorithm a BSD-style line names ("SHA256"), else empty
};

// "\\" and "\n" in a name as sha256sum writes it behind a leading backslash.
QString Unescaped(const QString& name) {
  QString out;
  for (qsizetype i = 0; i < name.size(); ++i) {
    if (name[i] == QLatin1Char('\\') && i + 1 < name.size()) {
      const QChar next = name[++i];
      out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next == QLatin1Char('r') ? QChar(QLatin1Char('\r')) : next;
    } else {
      out += name[i];
    }
  }
  return out;
}

// Lines as sha256sum and md5sum write them ("HEX  NAME", "HEX *NAME", escaped
// names behind a backslash), BSD-style ones ("SHA256 (NAME) = HEX"), or one bare hash.
std::vector<ChecksumLine> ReadChecksumFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    throw TsbError(QCoreApplication::translate("sbChecksumFile", "Cannot read the checksum file \"%1\": %2")
                       .arg(fileName, file.errorString()));
  static const QRegularExpression bsd(QStringLiteral("^([A-Za-z0-9-]+) ?\\((.*)\\) ?= ?(\\S+)$"));
  std::vector<ChecksumLine> lines;
  for (int number = 1; !file.atEnd(); ++number) {
    QString line = QString::fromUtf8(file.readLine());
    if (line.endsWith(QLatin1Char('\n'))) line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    if (const auto m = bsd.match(line); m.hasMatch()) {
      lines.push_back({number, m.captured(3).toLatin1().toLower(), m.captured(2), m.captured(1).toUpper()});
      continue;
    }
    const bool escaped = line.startsWith(QLatin1Char('\\'));
    if (escaped) line.remove(0, 1);
    line = line.trimmed();
    const qsizetype gap = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
    ChecksumLine entry{number, line.left(gap).toLatin1().toLower(), gap < 0 ? QString() : line.mid(gap + 1), {}};
    if (entry.name.startsWith(QLatin1Char(' ')) || entry.name.startsWith(QLatin1Char('*'))) entry.name.remove(0, 1);
    if (escaped) entry.name = Unescaped(entry.name);
    lines.push_back(entry);
  }
  return lines;
}

// How closely a line's name stands for the image: 2 the same file (the name as
// given, or resolved from the checksum file's folder), 1 the same base name only.
int Closeness(const QString& name, const QString& image, const QString& checksumFile) {
  if (name.isEmpty()) return 0;
  const QString besideList = QDir::isAbsolutePath(name) ? name : QFileInfo(checksumFile).absoluteDir().filePath(name);
  if (name == image || sbfile::SameFile(name, image) || sbfile::SameFile(besideList, image)) return 2;
  return QFileInfo(name).fileName() == QFileInfo(image).fileName() ? 1 : 0;
}

}  // namespace

QString ChecksumAlgorithmName(QCryptographicHash::Algorithm algorithm) {
  return algorithm == QCryptographicHash::Md5 ? QStringLiteral("MD5") : QStringLiteral("SHA-256");
}

TsbExpectedChecksum ExpectedChecksum(const QString& image, const QString& checksumFile) {
  const std::vector<ChecksumLine> lines = ReadChecksumFile(checksumFile);
  const QString imageName = QFileInfo(image).fileName();
  // The lines for the image that match it best: by its path before its base name.
  std::vector<const ChecksumLine*> best;
  int bestCloseness = 0;
  if (lines.size() == 1 && lines[0].name.isEmpty()) best.push_back(&lines[0]);
  for (const ChecksumLine& line : lines) {
    const int closeness = Closeness(line.name, image, checksumFile);
    if (closeness == 0 || closeness < bestCloseness) continue;
    if (closeness > bestCloseness) best.clear();
    bestCloseness = closeness;
    best.push_back(&line);
  }
  if (best.empty())
    throw TsbError(QCoreApplication::translate("sbChecksumFile",
                                               "The checksum file \"%1\" has no line for \"%2\"; nothing was burned")
                       .arg(checksumFile, imageName));
  const ChecksumLine* chosen = best.front();
  for (const ChecksumLine* line : best)
    if (line->hex != chosen->hex || line->tag != chosen->tag)
      throw TsbError(
          QCoreApplication::translate("sbChecksumFile",
                                      "The checksum file \"%1\" has conflicting lines for \"%2\" (lines %3 and %4); "
                                      "nothing was burned")
              .arg(checksumFile, imageName)
              .arg(chosen->number)
              .arg(line->number));
  const QString lineName = QCoreApplication::translate("sbChecksumFile", "line %1").arg(chosen->number);
  const int wanted = chosen->tag == QLatin1String("SHA256") || chosen->tag == QLatin1String("SHA-256") ? 64
                     : chosen->tag == QLatin1String("MD5")                                             ? 32
                                                                                                       : 0;
  if (!chosen->tag.isEmpty() && wanted == 0)
    throw TsbError(
        QCoreApplication::translate("sbChecksumFile",
                                    "The checksum file \"%1\" names the algorithm %2 for \"%3\" (%4): only SHA256 and "
                                    "MD5 are supported; nothing was burned")
            .arg(checksumFile, chosen->tag, imageName, lineName));
  static const QRegularExpression hexDigits(QStringLiteral("^[0-9a-f]+$"));
  if ((chosen->hex.size() != 64 && chosen->hex.size() != 32) || (wanted != 0 && chosen->hex.size() != wanted) ||
      !hexDigits.match(QString::fromLatin1(chosen->hex)).hasMatch())
    throw TsbError(
        QCoreApplication::translate("sbChecksumFile",
                                    "The checksum file \"%1\" holds \"%2\" for \"%3\" (%4): not a SHA-256 (64 hex "
                                    "digits) or MD5 (32 hex digits) checksum; nothing was burned")
            .arg(checksumFile, QString::fromLatin1(chosen->hex), imageName, lineName));
  return {chosen->hex, chosen->hex.size() == 64 ? QCryptographicHash::Sha256 : QCryptographicHash::Md5, lineName};
}

QString ChecksumMismatchText(const QString& image, const QString& checksumFile, const TsbExpectedChecksum& expected,
                             const QByteArray& actual) {
  return QCoreApplication::translate("sbChecksumFile",
                                     "The image \"%1\" does not match the checksum file \"%2\": its %3 is %4, the file "
                                     "expects %5 (%6); nothing was burned")
      .arg(image, checksumFile, ChecksumAlgorithmName(expected.Algorithm), QString::fromLatin1(actual),
           QString::fromLatin1(expected.Hex), expected.LineName);
}

QString ChecksumFileBeside(const QString& image) {
  const QFileInfo info(image);
  if (!info.isFile()) return {};
  const QDir folder = info.absoluteDir();
  for (const QString& name : {info.fileName() + QStringLiteral(".sha256"), QStringLiteral("SHA256SUMS"),
                              QStringLiteral("sha256sum.txt")}) {
    const QString candidate = folder.filePath(name);
    if (!QFileInfo(candidate).isFile()) continue;
    try {
      ExpectedChecksum(image, candidate);
      return candidate;
    } catch (const TsbError&) {
      // No usable line for this image: the next candidate may have one.
    }
  }
  return {};
}
