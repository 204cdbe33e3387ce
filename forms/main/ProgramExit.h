#pragma once

#include <functional>

// Ends the program at once, without unload handlers. Tests replace the handler.
namespace ProgramExit {

void Now();
// An empty function restores the real exit.
void SetHandler(std::function<void()> handler);

// What must be done however the program ends (removing the settings folder): Now() runs it
// before ending, replaced handler or not. An empty function removes it.
void SetFinalStep(std::function<void()> step);

} // namespace ProgramExit
