#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace InputMethodCheck {

// The first limit of IBus's preload-engines, read through GSettings only when its schema is
// installed; empty otherwise. Starts no process.
std::vector<std::string> IBusPreloadEngines(std::size_t limit);

} // namespace InputMethodCheck
