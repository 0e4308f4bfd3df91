// Putting a disc into a drive or taking it out through the library: closing
// or opening the tray. For a virtual recorder this inserts or ejects its
// medium while the program runs (tests, korvanel-cli); the drive watch hears
// of it as of a real drive's media change.
#pragma once

#include <QString>

// Raises TsbError with the library's text when the tray does not move.
void SetMediumInserted(const QString& deviceName, bool inserted);

// Whether the drive holds a disc now; false also when it cannot be asked.
bool DiscInDrive(const QString& deviceName);
