#pragma once

#include <string>

// The texts of --help and --version, the same from the core and from the full program.
std::string UsageText();
// "quorlik-qr VERSION"
std::string VersionText();
