// Why a CD/DVD drive that exists cannot be used, in words the user can act on:
// a device file the user may not open (and the group that would let them), a
// drive held by another program (named where /proc tells it).
#pragma once

#include <QString>

#include <cstdint>

// Whether the machine's own drive nodes (/dev/srN) are looked at during a
// scan; false when the session runs on virtual recorders only.
void SetDriveNodesProbed(bool probed);
bool DriveNodesProbed();

// The device file of "CdRomN" (/dev/srN under root); empty for other names.
QString DriveNodeOf(const QString& deviceName, const QString& root = QStringLiteral("/dev"));

// The reason and the remedy for an open of devicePath that failed with the
// system error error (EACCES, EPERM, EBUSY, ...); the group comes from the
// device file, the program from procRoot. A device file with nothing behind it
// (ENXIO, ENODEV) is said as such. Empty for errors that do not say the drive
// is there but unusable.
QString DescribeDriveOpenError(const QString& devicePath, int error,
                               const QString& procRoot = QStringLiteral("/proc"));

// Where the disc in devicePath is mounted, from mountTable; empty when it is not.
QString MountPointOf(const QString& devicePath, const QString& mountTable = QStringLiteral("/proc/self/mounts"));

// Opens devicePath as the library does (read and write, exclusive) and closes
// it again: empty when that works or the file does not exist, else the text
// of DescribeDriveOpenError (a mounted disc is named as the cause).
QString WhyDriveNodeCannotBeOpened(const QString& devicePath);

// The library refused to open deviceName with this triple: the text to show
// when the failure means a drive that is there but cannot be used now, else
// empty (no such device). A drive node the session does not know but that
// opens was plugged in after the session started.
QString WhyDeviceIsUnusable(const QString& deviceName, uint8_t code, uint32_t status, const QString& libraryText);

// The names (as /proc/PID/comm gives them) of the processes other than this
// one that hold devicePath open, comma separated; empty when none is seen.
QString ProgramsHolding(const QString& devicePath, const QString& procRoot = QStringLiteral("/proc"));
