#pragma once

#include "cli/core/batch/RowFile.h"
#include "cli/core/batch/RowPlanner.h"

#include <functional>
#include <optional>
#include <string>

class clsQRCode;

// What making one row came to.
struct RowResult {
    std::string error;    // empty when the file is in place
    bool notMade = false; // the run was asked to stop before this row was made
    RowFacts facts;
};

// The next row to make, in row order; nothing when none is left (the end of the rows, a stop).
using RowSource = std::function<std::optional<PlannedRow>()>;
// Makes one row, all of it: encoding, drawing, checking and writing the file. Each thread passes
// its own encoder, which is never shared between threads.
using RowTask = std::function<RowResult(clsQRCode& encoder, const PlannedRow& row)>;
// Told about every row exactly once, in row order whatever order the rows finish in, one call
// at a time.
using RowFinished = std::function<void(const PlannedRow& row, const RowResult& result)>;

// Makes the rows `next` gives, as they come, on `jobs` (at least one) threads. A row's picture
// may take a gigabyte to draw and encode, so no more rows than jobs are computing at once, and
// at most a few rows a job wait to be told (behind a slow one): memory does not grow with the
// number of rows.
void RunRows(const RowSource& next, int jobs, const RowTask& task, const RowFinished& finished);
