// korvanel-cli wait-disc: for scripts that wait for a disc to be put in.
#pragma once

#include "CliArgs.h"

// Returns kExitSuccess once a disc is in the drive args.positional[0], or
// kExitFailure when args.timeout seconds have passed without one.
int RunWaitDisc(const CliArgs& args);
