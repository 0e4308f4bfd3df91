#include "sbIsoInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTimeZone>

#include <cstring>

namespace {

constexpr qint64 kBlock = 2048;
// Descriptors follow one another from block 16 up to the terminator; real images have a handful.
constexpr int kMostDescriptors = 32;

uint32_t LittleEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}

// "YYYYMMDDHHMMSScc" and a zone in 15-minute steps; all zeros (or digits missing) when unset.
QDateTime DescriptorTime(const char* p) {
  const QByteArray digits(p, 16);
  bool ok = false;
  const int year = digits.left(4).toInt(&ok);
  if (!ok || year == 0) return {};
  const QDate date(year, digits.mid(4, 2).toInt(), digits.mid(6, 2).toInt());
  const QTime time(digits.mid(8, 2).toInt(), digits.mid(10, 2).toInt(), digits.mid(12, 2).toInt());
  if (!date.isValid() || !time.isValid()) return {};
  const int quarters = static_cast<signed char>(p[16]);
  return QDateTime(date, time, QTimeZone(quarters * 15 * 60));
}

// Rock Ridge announces itself in the system use area of the root's "." record.
bool HasRockRidge(QFile& file, const char* rootRecord) {
  const uint32_t extent = LittleEndian32(rootRecord + 2);
  if (!file.seek(qint64(extent) * kBlock)) return false;
  const QByteArray dot = file.read(255);
  if (dot.size() < 34) return false;
  const int length = static_cast<unsigned char>(dot[0]);
  const int nameLength = static_cast<unsigned char>(dot[32]);
  int use = 33 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
  for (; use + 4 <= length && use + 4 <= dot.size(); use += std::max(1, int(static_cast<unsigned char>(dot[use + 2])))) {
    const QByteArray signature = dot.mid(use, 2);
    if (signature == "SP" || signature == "RR" || signature == "PX") return true;
  }
  return false;
}

}  // namespace

TsbIsoInfo ReadIsoInfo(const QString& fileName) {
  TsbIsoInfo info;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly) || !file.seek(16 * kBlock)) return info;
  QByteArray rootRecord;
  for (int i = 0; i < kMostDescriptors; ++i) {
    const QByteArray d = file.read(kBlock);
    if (d.size() < kBlock || d.mid(1, 5) != "CD001") break;
    const auto type = static_cast<unsigned char>(d[0]);
    if (type == 255) break;
    if (type == 1 && !info.IsIso) {
      info.IsIso = true;
      info.Label = QString::fromLatin1(d.mid(40, 32)).trimmed();
      info.Created = DescriptorTime(d.constData() + 813);
      rootRecord = d.mid(156, 34);
    } else if (type == 0 && d.mid(7, 9) == "EL TORITO") {  // the boot record's system identifier
      info.Bootable = true;
    } else if (type == 2) {
      const QByteArray escapes = d.mid(88, 3);
      info.Joliet = info.Joliet || escapes == "%/@" || escapes == "%/C" || escapes == "%/E";
    }
  }
  if (info.IsIso && rootRecord.size() == 34) info.RockRidge = HasRockRidge(file, rootRecord.constData());
  return info;
}

QString IsoInfoText(const TsbIsoInfo& info) {
  if (!info.IsIso)
    return QCoreApplication::translate("sbIsoInfo",
                                       "This file is not an ISO 9660 image; it will be burned as it is, as raw data");
  QStringList parts;
  QString volume = QCoreApplication::translate("sbIsoInfo", "Volume \"%1\"").arg(info.Label);
  if (info.Created.isValid())
    volume += QCoreApplication::translate("sbIsoInfo", ", made %1")
                  .arg(info.Created.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  parts << volume
        << (info.Bootable ? QCoreApplication::translate("sbIsoInfo", "bootable")
                          : QCoreApplication::translate("sbIsoInfo", "not bootable"));
  parts << (info.Joliet && info.RockRidge ? QCoreApplication::translate("sbIsoInfo", "Joliet and Rock Ridge names")
            : info.Joliet                 ? QCoreApplication::translate("sbIsoInfo", "Joliet names")
            : info.RockRidge              ? QCoreApplication::translate("sbIsoInfo", "Rock Ridge names")
                                          : QCoreApplication::translate("sbIsoInfo", "ISO 9660 names only"));
  return parts.join(QStringLiteral("; "));
}
