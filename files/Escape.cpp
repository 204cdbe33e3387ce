#include "files/Escape.h"

#include <algorithm>

namespace Escape {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
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
    if (lead == 0xED) high = 0x9F;
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

bool PassesAsIs(std::string_view bytes, std::size_t at, Style style) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    if (style.quoted && (c == '"' || c == '\\')) return false;
    if (c >= 0x20 && c < 0x7F) return true;
    if (!style.keepLines) return false;
    return c == '\n' || c == '\t' || (c == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n');
}

} // namespace

void AppendByte(std::string& out, unsigned char byte) {
    switch (byte) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    case '\0': out += "\\0"; return;
    case '\a': out += "\\a"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\v': out += "\\v"; return;
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    default: break;
    }
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

std::string Shown(std::string_view bytes, Style style) {
    std::string out;
    out.reserve(bytes.size() + 2);
    if (style.quoted) out += '"';
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            if (PassesAsIs(bytes, at, style))
                out += bytes[at];
            else
                AppendByte(out, byte);
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(bytes.substr(at));
        if (length == 0 || IsC1Control(bytes.substr(at, length))) {
            for (std::size_t i = 0; i < std::max<std::size_t>(length, 1); ++i)
                AppendByte(out, static_cast<unsigned char>(bytes[at + i]));
            at += std::max<std::size_t>(length, 1);
            continue;
        }
        out.append(bytes.substr(at, length));
        at += length;
    }
    if (style.quoted) out += '"';
    return out;
}

} // namespace Escape
