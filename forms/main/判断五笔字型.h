#pragma once

#include "platform/InputList.h"

#include <optional>
#include <vector>

// Refuses to work beside a Wubi input method found in the user's configured input list.
namespace InputMethodCheck {

// 1 when one of the first 25 entries is a Wubi input method, 0 when none is, nullopt for an
// empty list.
std::optional<int> 判断五笔字型(const std::vector<Entry>& list);
std::optional<int> 判断五笔字型();

// Tells the user and ends the program at once.
void RefuseAndExit();

} // namespace InputMethodCheck
