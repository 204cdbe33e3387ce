#include "cli/core/TerminalText.h"

#include <unistd.h>

#include <cstdio>

namespace TerminalText {
namespace {

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

bool IsC1Control(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const auto next = static_cast<unsigned char>(bytes[at + 1]);
    return lead == 0xC2 && next >= 0x80 && next <= 0x9F;
}

} // namespace

void AppendEscape(std::string& out, unsigned char byte) {
    switch (byte) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    case '\0': out += "\\0"; return;
    case '\a': out += "\\a"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\v': out += "\\v"; return;
    default: break;
    }
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

std::string Visible(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool endsLine = byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (byte == '\n' || byte == '\t' || endsLine || (byte >= 0x20 && byte < 0x7F)) {
            shown += bytes[i++];
            continue;
        }
        const std::size_t sequence = byte >= 0x80 ? Utf8SequenceAt(bytes, i) : 0;
        if (sequence == 0 || IsC1Control(bytes, i)) {
            // A C1 control is shown as the byte a terminal would take it for.
            AppendEscape(shown, sequence ? static_cast<unsigned char>(bytes[i + 1]) : byte);
            i += sequence ? sequence : 1;
            continue;
        }
        shown.append(bytes.substr(i, sequence));
        i += sequence;
    }
    return shown;
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
