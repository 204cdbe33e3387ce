#pragma once

#include "cli/core/CommandLine.h"

// --batch: one file per CSV row into the output folder. Returns the exit status: 0 every row
// written, 1 some rows failed, 2 the run could not start.
int RunBatchCommand(const CliOptions& options);
