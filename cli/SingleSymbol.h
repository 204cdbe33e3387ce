#pragma once

#include "cli/core/CommandLine.h"

// One payload from the command line, a file or standard input to stdout text, terminal art or
// an image file. Returns the exit status.
int RunSingleSymbol(const CliOptions& options);
