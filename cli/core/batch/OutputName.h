#pragma once

#include <string>

struct OutputName {
    std::string relativePath; // inside the output folder, without extension
    std::string error;        // empty when the name is usable
};

// The `file` cell of a row, or the row number when the cell is empty. Names stay inside the
// output folder: absolute paths, ".." and "." parts, empty parts, backslashes and control
// characters are refused. Subfolders ("tickets/a1") are allowed.
OutputName MakeOutputName(const std::string& fileCell, int rowNumber);
