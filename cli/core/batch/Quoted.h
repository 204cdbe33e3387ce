#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A batch keeps no failed row's message past its summary line, yet a name is shown whole only up
// to this many characters; beyond, its beginning and its length.
constexpr std::size_t ShownNameLimit = 80;

// "…" with C-style escapes for control characters, quotes and backslashes: how names and cells
// are shown in a batch's messages (Escape::Shown, quoted).
std::string Quoted(std::string_view text);
