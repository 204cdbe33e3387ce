#pragma once

#include "cli/core/CommandLine.h"

// One symbol made and written by the core (text art, --info, --matrix, or a file in a format
// the core writes); returns the exit status.
int RunCoreSymbol(const CliOptions& options);
