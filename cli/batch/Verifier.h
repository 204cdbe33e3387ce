#pragma once

#include <string>

// Reads a file's encoded bytes, before they are written anywhere, through the picture reader
// and zxing-cpp, as `--decode` reads files. Empty when they scan to exactly `payload`,
// otherwise what went wrong.
std::string VerifyEncodedFile(const std::string& file, const std::string& payload);
