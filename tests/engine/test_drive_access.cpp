// Drives that are there but cannot be used: the reason and the remedy in words,
// named from the device file and /proc, and listed by a scan.
#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>
#include <fstream>
#include <string>
#include <utility>

#include <grp.h>
#include <unistd.h>

#include "engine/engine_support.h"
#include "sbDeviceList.h"
#include "sbDriveAccess.h"

using namespace enginetest;

namespace {

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// Any group but root's, to give the device file: its name and number.
std::pair<std::string, gid_t> SomeGroup() {
  std::pair<std::string, gid_t> found{"", 0};
  setgrent();
  while (const group* g = getgrent())
    if (g->gr_gid != 0) {
      found = {g->gr_name, g->gr_gid};
      break;
    }
  endgrent();
  return found;
}

}  // namespace

TEST(DriveAccess, TheReasonAndTheRemedyComeFromTheDeviceFileAndProc) {
  testcommon::TempDir dir;
  const fs::path node = dir / "sr0";
  std::ofstream(node) << "";
  // A file gets the user's own group; root's would name no useful group, so root gives it another.
  std::string groupName = ::getgrgid(::getegid()) ? ::getgrgid(::getegid())->gr_name : "";
  if (::getegid() == 0) {
    const auto [name, gid] = SomeGroup();
    ASSERT_EQ(::chown(node.c_str(), uid_t(-1), gid), 0);
    groupName = name;
  }
  ASSERT_FALSE(groupName.empty());
  // A process of the fake /proc that holds the node open, and one that does not.
  fs::create_directories(dir / "proc/4242/fd");
  fs::create_symlink(node, dir / "proc/4242/fd/5");
  std::ofstream(dir / "proc/4242/comm") << "otherburner\n";
  fs::create_directories(dir / "proc/77/fd");
  std::ofstream(dir / "proc/77/comm") << "idle\n";

  const QString group = QString::fromStdString(groupName);
  struct Case {
    int error;
    QString procRoot;
    QString expected;  // contained in the text; empty: no text at all
  } cases[] = {
      {EACCES, Q(dir / "proc"),
       QStringLiteral("Permission denied: add yourself to the group %1: sudo usermod -aG %1 ").arg(group)},
      {EPERM, Q(dir / "proc"), QStringLiteral("then log in again")},
      {EBUSY, Q(dir / "proc"), QStringLiteral("Busy: the drive is in use by otherburner; close it")},
      {EBUSY, Q(dir / "noproc"), QStringLiteral("Busy: the drive is in use by another program")},
      {ENXIO, Q(dir / "proc"), QStringLiteral("Nothing answers at %1: no drive").arg(Q(node))},
      {ENODEV, Q(dir / "proc"), QStringLiteral("Nothing answers at")},
      {ENOENT, Q(dir / "proc"), QString()},
  };
  for (const Case& c : cases) {
    const QString text = DescribeDriveOpenError(Q(node), c.error, c.procRoot);
    if (c.expected.isEmpty())
      EXPECT_TRUE(text.isEmpty()) << text.toStdString();
    else
      EXPECT_TRUE(text.contains(c.expected)) << c.error << ": " << text.toStdString();
  }
  std::ofstream(dir / "mounts") << "proc /proc proc rw 0 0\n" << node.string() << " /media/my\\040disc iso9660 ro 0 0\n";
  EXPECT_EQ(MountPointOf(Q(node), Q(dir / "mounts")), QStringLiteral("/media/my disc"));
  EXPECT_TRUE(MountPointOf(Q(dir / "proc/77/comm"), Q(dir / "mounts")).isEmpty());
  EXPECT_EQ(DriveNodeOf(QStringLiteral("CdRom7")), QStringLiteral("/dev/sr7"));
  EXPECT_TRUE(DriveNodeOf(QStringLiteral("Recorder")).isEmpty());
}

class UnusableDriveScanTest : public EngineTest {};

TEST_F(UnusableDriveScanTest, ARecorderThatRefusesToOpenIsListedWithTheReasonAndOthersAreNot) {
  json denied = CdWriter(1);
  denied["faults"]["operations"]["CreateEx"] = {{"exception", DW_E_NO_DEVICE}, {"status", EACCES}};
  json busy = CdWriter(2);
  busy["faults"]["operations"]["CreateEx"] = {{"exception", DW_E_BUSY}, {"text", "Held by a test"}};
  StartLibrary({CdWriter(0), denied, busy});
  TsbDeviceFinder finder;
  finder.Refresh(false);
  ASSERT_EQ(finder.Devices.Count(), 3);
  EXPECT_TRUE(finder.Devices.Items(0).Unusable.isEmpty());
  EXPECT_TRUE(finder.Devices.Items(1).Unusable.startsWith("Permission denied: add yourself to the group cdrom"))
      << finder.Devices.Items(1).Unusable.toStdString();
  EXPECT_EQ(finder.Devices.Items(2).Unusable, QStringLiteral("Busy: Held by a test"));
  EXPECT_EQ(finder.Devices.Items(2).DeviceName, QStringLiteral("CdRom2"));
}
