#pragma once

#include <string>
#include <vector>

using CsvCells = std::vector<std::string>;

// The columns of the header row, by name, for looking up a row's fields. Names are compared
// trimmed and in lower case.
class CsvColumns {
  public:
    explicit CsvColumns(const CsvCells& header);

    // The cell of `name` in `fields`; empty when the column or the cell is missing.
    std::string Cell(const CsvCells& fields, const std::string& name) const;
    bool Has(const std::string& name) const;
    int Count() const { return static_cast<int>(header_.size()); }
    // Header names that no kind uses, and names given twice.
    std::vector<std::string> UnusedNames() const;
    std::vector<std::string> RepeatedNames() const;

  private:
    std::vector<std::string> header_; // trimmed, lower case
};

struct RowPayload {
    std::string payload; // UTF-8
    std::string error;   // empty when the payload was composed
};

// A kind as a row names it: trimmed, lower case, and "text" when empty.
std::string RowKindName(const std::string& cell);
// The field columns of a kind as a row names it; empty for a kind that does not exist.
std::vector<std::string> KindFieldNames(const std::string& kind);

// The payload of one row, composed by the kind registry (the window's pages compose the same
// kinds identically, line breaks included).
RowPayload ComposeRowPayload(const CsvColumns& columns, const CsvCells& fields);
