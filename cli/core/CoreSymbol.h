#pragma once

#include "cli/core/CoreCommandLine.h"

// One symbol made and written by the core; returns the exit status. Messages and statuses are
// the full program's for the same command line.
int RunCoreSymbol(const CoreCommandLine::Request& request);
