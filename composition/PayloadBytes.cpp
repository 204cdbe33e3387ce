#include "composition/PayloadBytes.h"

namespace PayloadBytes {
namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Reads one code point starting at index i and advances i past it.
char32_t nextCodePoint(const QString& text, qsizetype& i) {
    const char16_t unit = text.at(i).unicode();
    ++i;
    if (isHighSurrogate(unit) && i < text.size() && isLowSurrogate(text.at(i).unicode())) {
        const char16_t low = text.at(i).unicode();
        ++i;
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) return ReplacementCharacter;
    return unit;
}

// Writes the code point at out and returns how many bytes it took (1 to 4).
int writeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

QByteArray ToUtf8(const QString& text) {
    // Every UTF-16 code unit needs at most 3 bytes (a pair of units needs 4), so 3n + 65 bytes
    // always hold the result; one allocation, one pass.
    const qsizetype n = text.size();
    QByteArray buffer(3 * n + 65, Qt::Uninitialized);
    char* out = buffer.data();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n;) count += writeUtf8(nextCodePoint(text, i), out + count);
    buffer.truncate(count);
    return buffer;
}

} // namespace PayloadBytes
