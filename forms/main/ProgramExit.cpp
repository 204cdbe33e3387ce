#include "ProgramExit.h"

#include <cstdlib>
#include <utility>

namespace ProgramExit {
namespace {

std::function<void()>& handler() {
    static std::function<void()> current;
    return current;
}

} // namespace

void Now() {
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

} // namespace ProgramExit
