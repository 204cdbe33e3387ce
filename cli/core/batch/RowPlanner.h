#pragma once

#include "cli/core/batch/CsvColumns.h"
#include "cli/core/batch/NameRegister.h"
#include "raster/plain/RenderOptions.h"

#include <optional>
#include <string>
#include <vector>

class CsvReader;
class FieldDecoding;

// One data row of the CSV, ready to be made into a file, or already known to fail.
struct PlannedRow {
    int number = 0;      // data rows counted from 1, the header not included
    int line = 0;        // where the row starts in the CSV file
    std::string payload; // UTF-8, what the symbol holds
    std::string name;    // relative to the output folder, without extension
    std::string error;   // set when the row cannot be made at all
    std::string kind;    // as the row names it; empty: text
    std::string caption; // the caption column's cell, when the run prints one
    // The row's own colours, from the columns foreground and background.
    std::optional<Colour> foreground;
    std::optional<Colour> background;
};

// No symbol holds more than 7,089 characters, each at least one byte.
constexpr std::size_t MaxPayloadBytes = 7089;

// Reads a CSV's rows one at a time, as they come, and plans each: its payload, its file name,
// its colours, or why it cannot be made. Decided in row order, so that the outcome never depends
// on how many jobs run or on which part of the sheet a run makes: a name already given to an
// earlier row (that could be made) fails the row. Memory grows by a hash per named row only.
class RowPlanner {
  public:
    // Reads the header. `captionColumn`, when given, must be one of its columns.
    RowPlanner(CsvReader& reader, FieldDecoding& decoding, const std::string& captionColumn = {});

    // Why no row can be made (no header, a header naming no field); empty when rows may be read.
    const std::string& startError() const { return startError_; }
    const std::vector<std::string>& notes() const {
        return notes_;
    } // worth telling, no reason to stop
    // The next data row; nothing at the end of the rows, or when reading stopped (readError).
    std::optional<PlannedRow> Next();
    // Why reading stopped before the end of the text (an oversize field, a read error).
    const std::string& readError() const;

  private:
    CsvReader& reader_;
    FieldDecoding& decoding_;
    std::optional<CsvColumns> columns_;
    std::string startError_;
    std::vector<std::string> notes_;
    std::string captionColumn_; // trimmed, lower case, as the columns are looked up
    int rows_ = 0;
    NameRegister names_;
};

// "row 3 (line 4)"
std::string RowLabel(const PlannedRow& row);
