#pragma once

#include "CommandLine.h"

// One payload from the command line or standard input to stdout text, terminal art or a PNG.
// Returns the exit status.
int RunSingleSymbol(const CliOptions& options);
