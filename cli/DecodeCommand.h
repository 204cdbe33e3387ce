#pragma once

#include <ostream>
#include <string>
#include <vector>

// Reads QR symbols back from picture files (PNG, JPG, GIF, BMP, TIFF, SVG, SVGZ), every symbol
// of every frame, top to bottom and left to right. One file with one symbol: its payload's bytes
// alone on `out`; one file with several: a line each, escaped (\\ \t \n \r, other control
// bytes as \xHH). Several files: one "FILE<TAB>payload" line per symbol, file name and payload
// escaped the same way. With `info`, the payload is
// replaced by "version=V level=L mask=M eci=26|none text=TEXT" (TEXT escaped the same way; V
// or M is "?" when it cannot be told).
// Problems go to `err`, one line per file. Exit status: 0 every file held a symbol, 1 some
// held none, 2 some could not be read (or no file was named).
int RunDecodeCommand(const std::vector<std::string>& files, bool info, std::ostream& out,
                     std::ostream& err);

// The same on standard output and standard error.
int RunDecodeCommand(const std::vector<std::string>& files, bool info);
