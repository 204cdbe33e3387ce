#pragma once

#include <functional>

// Ends the program at once, without unload handlers. Tests replace the handler.
namespace ProgramExit {

void Now();
// An empty function restores the real exit.
void SetHandler(std::function<void()> handler);

} // namespace ProgramExit
