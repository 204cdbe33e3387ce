#include "forms/main/ProgramExit.h"

#include <cstdlib>
#include <utility>

namespace ProgramExit {
namespace {

std::function<void()>& handler() {
    static std::function<void()> current;
    return current;
}

std::function<void()>& finalStep() {
    static std::function<void()> current;
    return current;
}

} // namespace

void Now() {
    if (finalStep()) finalStep()();
    if (handler()) {
        handler()();
        return;
    }
    // At once: no event loop, no unload handlers, no static destructors.
    std::_Exit(EXIT_SUCCESS);
}

void SetHandler(std::function<void()> replacement) {
    handler() = std::move(replacement);
}

void SetFinalStep(std::function<void()> step) {
    finalStep() = std::move(step);
}

} // namespace ProgramExit
