#pragma once

#include <string>

// The core's finished file bytes put in place: replaced whole or not at all, or written to
// standard output. The descriptions are the full program's, so both say the same.
namespace PictureOutput {

// Empty when written; otherwise what went wrong.
std::string ReplaceFile(const std::string& path, const std::string& bytes);
std::string WriteStandardOutput(const std::string& bytes);

} // namespace PictureOutput
