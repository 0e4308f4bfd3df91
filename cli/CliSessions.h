// The "Sessions:" block of korvanel-cli info: one line per session of the disc.
#pragma once

#include "CliEngine.h"

// Prints the block for the disc in item's drive; false (with the library's
// reason on stderr) when a session could not be read.
bool PrintSessions(CliEngine& engine, const TsbDeviceItem& item);
