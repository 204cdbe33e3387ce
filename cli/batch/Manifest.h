#pragma once

#include "cli/batch/BatchPlan.h"
#include "cli/batch/RowOutput.h"
#include "files/FileAccess.h"

#include <string>

// The record of a batch: one CSV line per row of the run, in row order, telling which file
// holds which payload, or why the row failed. Written whole, at once, when the run ends.
class Manifest {
  public:
    Manifest();
    void Add(const PlannedRow& row, const RowFacts& facts, const QString& error);
    FileAccess::Error Write(const std::string& path) const;

  private:
    std::string text_;
};
