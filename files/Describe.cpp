#include "files/FileAccess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace FileAccess {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += hex;
}

// Length of the well-formed UTF-8 sequence at the start of text, 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // bounds of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F; // no surrogates
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

// C1 controls (U+0080 to U+009F) act on some terminals as ESC sequences do.
bool IsC1Control(std::string_view sequence) {
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) < 0xA0;
}

void AppendAscii(std::string& out, unsigned char c) {
    switch (c) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F)
        AppendHex(out, c);
    else
        out += static_cast<char>(c);
}

} // namespace

std::string Reason(const Error& error) {
    switch (error.kind) {
    case ErrorKind::None: return "no error";
    case ErrorKind::WriteProtected: return "the file is write-protected";
    case ErrorKind::WrongKind:
        if (error.accepted == RegularFile) return "not a regular file";
        if (error.accepted == (RegularFile | Pipe)) return "not a regular file or a pipe";
        return "not a regular file, a pipe or a terminal";
    case ErrorKind::SymbolicLink: return "a symbolic link, which is not followed here";
    case ErrorKind::PlantedLink:
        return "a link owned by another user in a sticky folder that everyone may write to, "
               "which is not followed";
    case ErrorKind::PlantedFile:
        return "a file owned by another user in a sticky folder that everyone may write to, "
               "which is not written";
    case ErrorKind::NotAFolder: return "a part of the name is not a folder";
    case ErrorKind::BadName: return "not a usable file name";
    case ErrorKind::TooLarge: return "longer than " + std::to_string(error.limit) + " bytes";
    case ErrorKind::NoSpace:
        return error.number ? std::strerror(error.number) : "no space left on the device";
    default: break;
    }
    return error.number ? std::strerror(error.number) : "failed";
}

std::string QuotedName(std::string_view name) {
    std::string out = "\"";
    while (!name.empty()) {
        const std::size_t length = Utf8SequenceLength(name);
        if (length == 1) {
            AppendAscii(out, static_cast<unsigned char>(name[0]));
        } else if (length == 0 || IsC1Control(name.substr(0, length))) {
            for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                AppendHex(out, static_cast<unsigned char>(name[i]));
        } else {
            out.append(name.substr(0, length));
        }
        name.remove_prefix(std::max<std::size_t>(length, 1));
    }
    return out + '"';
}

std::string Describe(const Error& error) {
    const std::string verb = error.step == Step::Read ? "cannot read " : "cannot write ";
    const std::string what =
        error.path.empty() && !error.stream.empty() ? error.stream : QuotedName(error.path);
    return verb + what + ": " + Reason(error);
}

} // namespace FileAccess
