// The commands of korvanel-cli. Each returns the exit status.
#pragma once

#include "CliArgs.h"
#include "CliOutput.h"

enum CliExit { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitCancelled = 3 };

int RunDevices(const CliArgs& args);
int RunInfo(const CliArgs& args);
int RunSpeeds(const CliArgs& args);
int RunBurn(const CliArgs& args, CliOutput& output);
int RunErase(const CliArgs& args, CliOutput& output);
int RunBuildImage(const CliArgs& args, CliOutput& output);
// read DEVICE OUTPUT.iso: the disc's data track into a file (CliRead.cpp).
int RunRead(const CliArgs& args, CliOutput& output);

// An output name that holds a device, a pipe, a socket or a folder is refused before any
// work: it must never be replaced by a file. CheckOutputFile also wants it writable.
void RefuseNotAFile(const QString& fileName);
void CheckOutputFile(const QString& fileName);

// Set from the Ctrl+C handler; the commands poll it between their waits.
void RequestInterrupt();
bool InterruptRequested();
