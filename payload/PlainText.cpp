#include "payload/PlainText.h"

namespace PlainText {
namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool IsHan(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || c == 0x3005 || c == 0x3007 ||
           (c >= 0x3021 && c <= 0x3029) || (c >= 0x3038 && c <= 0x303B) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x323AF);
}

} // namespace

char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    length = 1;
    if (lead < 0x80) return lead;
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (need == 0 || lead > 0xF4 || at + need > text.size()) return Replacement;
    char32_t c = lead & (0x7F >> need);
    for (std::size_t i = 1; i < need; ++i) {
        if (!IsContinuation(byte(at + i))) return Replacement;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return Replacement;
    length = need;
    return c;
}

std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size(); at += length)
        if (CodePointAt(text, at, length) == Replacement && length == 1) return at;
    return std::string_view::npos;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0, length = 0;
    for (std::size_t at = 0; at < text.size(); at += length, ++count) CodePointAt(text, at, length);
    return count;
}

std::size_t BytesOfFirst(std::string_view text, std::size_t characters) {
    std::size_t at = 0, length = 0;
    for (; at < text.size() && characters > 0; at += length, --characters)
        CodePointAt(text, at, length);
    return at;
}

std::string Trimmed(std::string_view text) {
    std::size_t first = 0, last = 0, length = 0;
    bool started = false;
    for (std::size_t at = 0; at < text.size(); at += length) {
        if (IsSpace(CodePointAt(text, at, length))) continue;
        if (!started) first = at;
        started = true;
        last = at + length;
    }
    return started ? std::string(text.substr(first, last - first)) : std::string();
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) joined += separator;
        joined += parts[i];
    }
    return joined;
}

bool HasHan(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size(); at += length)
        if (IsHan(CodePointAt(text, at, length))) return true;
    return false;
}

} // namespace PlainText
