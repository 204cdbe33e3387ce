#pragma once

#include "cli/core/batch/RowFile.h"
#include "cli/core/batch/RowPlanner.h"
#include "files/FileAccess.h"

#include <cstdio>
#include <memory>
#include <string>

// The record of a batch: one CSV line per row of the run, in row order, telling which file
// holds which payload, or why the row failed. The lines go to an unnamed spool file as rows are
// told, so that a run of any length holds none of them in memory; the manifest is written whole,
// at once, from the spool when the run ends.
class Manifest {
  public:
    Manifest();
    void Add(const PlannedRow& row, const RowFacts& facts, const std::string& error);
    FileAccess::Error Write(const std::string& path);

  private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CloseFile> spool_;
};
