// Operating-system services the device classes need, each behind one small
// function so that another platform only replaces this file's implementation.
#pragma once

#include <QString>

// The kernel device node of a device name: "CdRom3" -> "/dev/sr3". Empty when
// the name is not "CdRom" followed by a decimal number.
QString KernelDevicePath(const QString& deviceName);

// True when something exists at path (a device node, a file, a link to either).
bool PathExists(const QString& path);

// Where the medium of the device node is mounted, read from a mount table in
// the format of /proc/self/mounts; empty when it is not mounted. The node and
// each table entry are compared after resolving links, so "/dev/cdrom" in the
// table matches "/dev/sr0". When the device is mounted more than once the last
// entry wins (the mount that is on top).
QString MountPointOfDevice(const QString& devicePath,
                           const QString& mountTable = QStringLiteral("/proc/self/mounts"));

// A field of the mount table with its octal escapes ("\040" for a blank) decoded.
QString DecodeMountField(const QByteArray& field);
