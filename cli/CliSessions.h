// The "Sessions:" block of korvanel-cli info: one line per session of the disc; before
// it, on a CD that holds audio, the "Tracks:" block: one line per track.
#pragma once

#include "CliEngine.h"

// Prints the blocks for the disc in item's drive; false (with the library's
// reason on stderr) when a session could not be read.
bool PrintSessions(CliEngine& engine, const TsbDeviceItem& item);
