#pragma once

#include <string>
#include <vector>

namespace InputMethodCheck {

// IBus's preload-engines setting, read through GSettings only when its schema is installed;
// empty otherwise. Starts no process.
std::vector<std::string> IBusPreloadEngines();

} // namespace InputMethodCheck
