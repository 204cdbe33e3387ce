#include "cli/core/Handover.h"

#include "cli/ExitStatus.h"
#include "cli/core/TerminalText.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#ifndef QUORLIK_FULL_PROGRAM
#error "QUORLIK_FULL_PROGRAM is the full program's path relative to the core's folder, from CMake"
#endif

namespace Handover {
namespace {

// The folder of the running executable itself, whatever name or link it was started by.
std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string self(path, std::size_t(length));
    return self.substr(0, self.rfind('/') + 1);
}

} // namespace

int RunFullProgram(char* const* argv) {
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "quorlik-qr: cannot find the full program: /proc/self/exe: %s\n",
                     std::strerror(errno));
        return ExitBadUsage;
    }
    const std::string program = folder + QUORLIK_FULL_PROGRAM;
    ::execv(program.c_str(), argv);
    TerminalText::PrintError("cannot run " + program + ": " + std::strerror(errno));
    return ExitBadUsage;
}

} // namespace Handover
