#include "cli/core/Handover.h"

#include "cli/core/ExitStatus.h"
#include "cli/core/TerminalText.h"

#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#ifndef QUORLIK_FULL_PROGRAM
#error "QUORLIK_FULL_PROGRAM is the full program's path relative to the core's folder, from CMake"
#endif

namespace Handover {
namespace {

std::optional<std::string> RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::nullopt;
    std::string result(real);
    std::free(real);
    return result;
}

// A name without a slash, found as the shell found it.
std::optional<std::string> SearchPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        std::string folder = folders.substr(start, colon - start);
        const std::string candidate = (folder.empty() ? "." : folder) + '/' + name;
        if (::access(candidate.c_str(), X_OK) == 0) return RealPath(candidate);
        start = colon + 1;
    }
    return std::nullopt;
}

// The running executable itself, whatever name or link it was started by: from /proc where it is
// mounted, else from the name the kernel was asked to run (a minimal container has no /proc),
// else from our own first argument as the shell would have found it.
std::optional<std::string> OwnPath(const char* argument0) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) return std::string(path, std::size_t(length));
    if (const auto* executed = reinterpret_cast<const char*>(::getauxval(AT_EXECFN)))
        if (auto real = RealPath(executed)) return real;
    if (!argument0 || !*argument0) return std::nullopt;
    if (std::strchr(argument0, '/')) return RealPath(argument0);
    return SearchPath(argument0);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Encloses(const std::string& folder, const std::string& path) {
    return folder == "/" || path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

// Why a file or folder may have been changed by someone we do not trust; empty when it cannot.
std::string Untrusted(const std::string& path, const struct stat& core) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return path + ": " + std::strerror(errno);
    if (status.st_uid != 0 && status.st_uid != core.st_uid)
        return path + " belongs to user " + std::to_string(status.st_uid) +
               ", neither root nor the owner of quorlik-qr";
    if (status.st_mode & S_IWOTH) return path + " is writable by every user";
    if ((status.st_mode & S_IWGRP) && status.st_gid != 0)
        return path + " is writable by group " + std::to_string(status.st_gid);
    return {};
}

// The full program is run only when no one but root or the core's owner can have put it there:
// it and every folder above it up to the core's own are theirs and not writable by others, as
// sudo checks its plugins. A copy of the core elsewhere must not run what another user placed
// beside it.
std::string WhyNotTrusted(const std::string& program, const std::string& core) {
    struct stat coreStatus {};
    if (::stat(core.c_str(), &coreStatus) != 0) return core + ": " + std::strerror(errno);
    const std::string coreFolder = FolderOf(core);
    for (std::string path = program;; path = FolderOf(path)) {
        if (std::string why = Untrusted(path, coreStatus); !why.empty()) return why;
        if (Encloses(path, coreFolder)) return {};
    }
}

} // namespace

int RunFullProgram(char* const* argv) {
    const std::optional<std::string> core = OwnPath(argv[0]);
    if (!core) {
        TerminalText::PrintError(std::string("cannot find the full program: cannot tell where "
                                             "quorlik-qr itself is: ") +
                                 std::strerror(errno));
        return ExitBadUsage;
    }
    const std::string given = FolderOf(*core) + '/' + QUORLIK_FULL_PROGRAM;
    const std::optional<std::string> program = RealPath(given);
    if (!program) {
        TerminalText::PrintError("cannot run " + given + ": " + std::strerror(errno));
        return ExitBadUsage;
    }
    if (const std::string why = WhyNotTrusted(*program, *core); !why.empty()) {
        TerminalText::PrintError("will not run " + *program + ": " + why);
        return ExitBadUsage;
    }
    ::execv(program->c_str(), argv);
    TerminalText::PrintError("cannot run " + *program + ": " + std::strerror(errno));
    return ExitBadUsage;
}

} // namespace Handover
