// How a system that names drives by letter (Windows) maps them to the device names
// of the device list: the optical drives, in the order of their letters, are
// CdRom0, CdRom1, ... The drive events and the real-drive backend share this rule.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The device name of the optical drive at letter ("CdRomN", N its place in
// opticalLetters, which lists every optical drive's letter in any order and case);
// empty when letter is not one of them.
QString OpticalDriveName(const QString& opticalLetters, QChar letter);

// The letters of a unit mask (bit 0 is A:), in order.
QString LettersOfUnitMask(std::uint32_t unitMask);

// The device names that may show something else once the optical drives' letters
// changed from before to after: the drive that came or went and every drive whose
// number moved with it (a new D: makes the former CdRom0 at E: CdRom1).
QStringList OpticalDriveNamesMoved(const QString& before, const QString& after);
