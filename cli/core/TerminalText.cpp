#include "cli/core/TerminalText.h"

#include "files/Escape.h"

#include <unistd.h>

#include <cstdio>

namespace TerminalText {

std::string Visible(std::string_view bytes) {
    return Escape::Shown(bytes, {.keepLines = true});
}

bool IsTerminal(int fd) {
    return ::isatty(fd) == 1;
}

std::string ForDescriptor(int fd, std::string_view bytes) {
    return IsTerminal(fd) ? Visible(bytes) : std::string(bytes);
}

void PrintError(std::string_view message) {
    const std::string line = "quorlik-qr: " + ForDescriptor(STDERR_FILENO, message) + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace TerminalText
