#pragma once

#include "cli/core/CommandLine.h"
#include "cli/core/batch/RowFile.h"
#include "cli/core/batch/RowPlanner.h"

#include <functional>
#include <string>

// What the full program adds to a batch: composed pictures and every format, reading files
// back, the print sheet. A plain batch (PNG, SVG or EPS, nothing else) needs none of it.
struct BatchExtras {
    // Once the CSV's header is known good, before any row: why the run cannot start (a logo
    // that cannot be read); empty to go on.
    std::function<std::string(const RowOutputSettings& settings)> prepare;
    // One row's file in memory; none: EncodePlainRow.
    std::function<EncodedRow(clsQRCode& encoder, const PlannedRow& row,
                             const RowOutputSettings& settings)>
        encode;
    // Reads a row's file back: why it does not give the payload, empty when it does. Required
    // by --verify.
    std::function<std::string(const EncodedRow& file, const std::string& payload)> verify;
    // Told every row whose file is in place, in row order (the print sheet's cells).
    std::function<void(const PlannedRow& row, const RowFacts& facts)> written;
    // After the last row, also after a stop: why the record of the run could not be written
    // (the print sheet); empty when it was.
    std::function<std::string()> finish;
};

// --batch: one file per CSV row into the output folder. Returns the exit status: 0 every row
// written, 1 some rows failed, 2 the run could not start or did not finish.
int RunBatch(const CliOptions& options, const BatchExtras& extras = {});
