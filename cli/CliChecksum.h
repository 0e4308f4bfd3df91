// Checksums in korvanel-cli: the checksum command, and the check of an image
// against a checksum file before it is burned.
#pragma once

#include <QString>

#include "CliArgs.h"
#include "CliOutput.h"

// Prints "<hex>  <IMAGE or DEVICE>" on stdout, progress on stderr; the exit status.
int RunChecksum(const CliArgs& args);

// Hashes the image and compares it with its line in checksumFile (SHA256SUMS
// style, or a file with one hash). Throws TsbError naming both hashes on a
// mismatch, or when the file has no line for the image; false when interrupted.
bool CheckImageAgainstChecksumFile(const QString& image, const QString& checksumFile, CliOutput& output);
