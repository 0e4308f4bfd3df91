#include "sbDriveAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <atomic>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Discwright.h"

namespace {

std::atomic<bool> nodesProbed{false};

QString GroupOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) == 0)
    if (const group* g = ::getgrgid(info.st_gid); g && info.st_gid != 0) return QString::fromLocal8Bit(g->gr_name);
  // Debian's and most distributions' group of optical drives.
  return QStringLiteral("cdrom");
}

QString UserName() {
  if (const passwd* p = ::getpwuid(::getuid())) return QString::fromLocal8Bit(p->pw_name);
  return QStringLiteral("USER");
}

}  // namespace

void SetDriveNodesProbed(bool probed) { nodesProbed = probed; }
bool DriveNodesProbed() { return nodesProbed; }

QString DriveNodeOf(const QString& deviceName, const QString& root) {
  if (!deviceName.startsWith(QLatin1String("CdRom"))) return {};
  bool ok = false;
  const int n = deviceName.mid(5).toInt(&ok);
  return ok && n >= 0 ? root + QStringLiteral("/sr") + QString::number(n) : QString();
}

QString ProgramsHolding(const QString& devicePath, const QString& procRoot) {
  const QString target = QFileInfo(devicePath).canonicalFilePath();
  if (target.isEmpty()) return {};
  const QString self = QString::number(::getpid());
  QStringList names;
  const QStringList pids = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& pid : pids) {
    if (pid == self || pid.toInt() <= 0) continue;
    const QString fdDir = procRoot + QLatin1Char('/') + pid + QStringLiteral("/fd");
    // Other users' processes are not readable: they are simply not named.
    for (const QFileInfo& fd : QDir(fdDir).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
      if (fd.symLinkTarget() != target) continue;
      QFile comm(procRoot + QLatin1Char('/') + pid + QStringLiteral("/comm"));
      if (comm.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        if (!name.isEmpty() && !names.contains(name)) names << name;
      }
      break;
    }
  }
  return names.join(QStringLiteral(", "));
}

QString DescribeDriveOpenError(const QString& devicePath, int error, const QString& procRoot) {
  if (error == EACCES || error == EPERM) {
    const QString group = GroupOf(devicePath);
    return QCoreApplication::translate(
               "sbDriveAccess",
               "Permission denied: add yourself to the group %1: sudo usermod -aG %1 %2, then log in again")
        .arg(group, UserName());
  }
  if (error == EBUSY) {
    const QString programs = ProgramsHolding(devicePath, procRoot);
    return programs.isEmpty()
               ? QCoreApplication::translate(
                     "sbDriveAccess", "Busy: the drive is in use by another program; close it, then click Refresh")
               : QCoreApplication::translate("sbDriveAccess",
                                             "Busy: the drive is in use by %1; close it, then click Refresh")
                     .arg(programs);
  }
  // The device file is there, but no drive answers behind it (unplugged, or its driver gone).
  if (error == ENXIO || error == ENODEV)
    return QCoreApplication::translate("sbDriveAccess",
                                       "Nothing answers at %1: no drive is connected behind this device file")
        .arg(devicePath);
  return {};
}

QString MountPointOf(const QString& devicePath, const QString& mountTable) {
  const QString wanted = QFileInfo(devicePath).canonicalFilePath();
  QFile table(mountTable);
  if (wanted.isEmpty() || !table.open(QIODevice::ReadOnly)) return {};
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 2 || !fields[0].startsWith('/')) continue;
    if (QFileInfo(QString::fromLocal8Bit(fields[0])).canonicalFilePath() == wanted)
      // The table writes a blank in a path as \040.
      return QString::fromLocal8Bit(fields[1]).replace(QStringLiteral("\\040"), QStringLiteral(" "));
  }
  return {};
}

QString WhyDriveNodeCannotBeOpened(const QString& devicePath) {
  const QByteArray path = QFile::encodeName(devicePath);
  const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  const int error = errno;
  // A mounted disc holds the node exclusively: that, not a program, is the cause.
  if (error == EBUSY)
    if (const QString at = MountPointOf(devicePath); !at.isEmpty())
      return QCoreApplication::translate("sbDriveAccess",
                                         "Busy: the disc is mounted at %1; unmount it, then click Refresh")
          .arg(at);
  return error == ENOENT ? QString() : DescribeDriveOpenError(devicePath, error);
}

QString WhyDeviceIsUnusable(const QString& deviceName, uint8_t code, uint32_t status, const QString& libraryText) {
  const QString node = DriveNodeOf(deviceName);
  // The library's statuses are errno values: a refusal it could name comes first.
  if (status == EACCES || status == EPERM || status == EBUSY || status == ENXIO || status == ENODEV) {
    if (QString why = DescribeDriveOpenError(node, int(status)); !why.isEmpty()) return why;
  }
  if (code == DW_E_BUSY) {
    // The library may know more (a mount holding the drive): keep its words.
    const QString text = libraryText.trimmed();
    if (text.isEmpty()) return DescribeDriveOpenError(node, EBUSY);
    const QString programs = node.isEmpty() ? QString() : ProgramsHolding(node);
    return QCoreApplication::translate("sbDriveAccess", "Busy: %1").arg(text) +
           (programs.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(programs));
  }
  if (code == DW_E_NO_DEVICE) {
    // Drives the library could not open at all are not in its list: ask the node itself.
    if (!DriveNodesProbed() || node.isEmpty() || !QFileInfo::exists(node)) return {};
    if (QString why = WhyDriveNodeCannotBeOpened(node); !why.isEmpty()) return why;
    // It opens, yet the session does not know it: plugged in after the session's start.
    return QCoreApplication::translate("sbDriveAccess",
                                       "The drive was connected after Korvanel started: restart Korvanel to use it");
  }
  return libraryText.trimmed().isEmpty()
             ? QCoreApplication::translate("sbDriveAccess", "The drive cannot be opened (exception %1)").arg(code)
             : libraryText.trimmed();
}
