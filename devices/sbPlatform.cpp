#include "sbPlatform.h"

#include <QFile>
#include <QRegularExpression>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The path with every link resolved; the path itself when it cannot be resolved
// (a source such as "tmpfs" or a node that has gone).
std::string Resolved(const std::string& path) {
  std::error_code ec;
  fs::path canonical = fs::canonical(fs::path(path), ec);
  return ec ? path : canonical.string();
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

}  // namespace

QString KernelDevicePath(const QString& deviceName) {
  static const QRegularExpression pattern(QStringLiteral("^CdRom(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch match = pattern.match(deviceName);
  if (!match.hasMatch()) return {};
  return QStringLiteral("/dev/sr") + QString::number(match.captured(1).toUInt());
}

bool PathExists(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::exists(fs::path(QFile::encodeName(path).toStdString()), ec);
}

QString DecodeMountField(const QByteArray& field) {
  QByteArray out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      out.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
      i += 3;
    } else {
      out.append(field[i]);
    }
  }
  return QFile::decodeName(out);
}

QString MountPointOfDevice(const QString& devicePath, const QString& mountTable) {
  if (devicePath.isEmpty()) return {};
  std::ifstream table(QFile::encodeName(mountTable).toStdString());
  if (!table) return {};
  const std::string device = Resolved(QFile::encodeName(devicePath).toStdString());
  QString mountPoint;
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string source, target;
    if (!(fields >> source >> target) || source.empty() || source[0] != '/') continue;
    const QString decodedSource = DecodeMountField(QByteArray::fromStdString(source));
    if (Resolved(QFile::encodeName(decodedSource).toStdString()) == device)
      mountPoint = DecodeMountField(QByteArray::fromStdString(target));
  }
  return mountPoint;
}
