// Probing one found device: opening it through the library, asking it everything
// the wizard needs later and filling one record of the device list.
#pragma once

#include <QString>

#include <cstdint>

#include "Discwright.h"
#include "sbDeviceOpen.h"  // TripleFailureText
#include "sbDeviceTypes.h"

// The device-found reason of the library callback. param1: the device's
// DiscwrightDeviceAddress (address transport) or null; param2: the device name
// as a zero-terminated text (name transport) or null. Runs on the finder's
// worker thread; a cancel raised meanwhile drops the record being filled.
void ProbeDevice(TsbDeviceList& list, void* param1, void* param2);

// The "drive letter" of a device: the mount point of its medium, empty when it
// is not mounted. The library answers by address; a name is first turned into
// the address of the device that has it.
QString GetDriveLetter(const DiscwrightDeviceAddress& address, const QString& name);

// The volume label of the medium in the opened device, from the primary volume
// descriptor of the ISO9660 file system of the session at sessionStart (the
// last one: a disc that grew shows its newest label; block 16 when that session
// holds none); empty when there is none.
QString ReadDiscLabel(DiscwrightHandle grabber, uint32_t sessionStart = 0);

// The address of the device the library opens under that name; Valid 0 when none has it.
DiscwrightDeviceAddress AddressOfDevice(const char* name);

