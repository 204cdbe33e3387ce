#include "Quoted.h"

#include <cstdio>

namespace {

void AppendEscaped(std::string& out, unsigned char c, bool quoteSyntax) {
    switch (c) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    case '\0': out += "\\0"; return;
    case '"':
    case '\\':
        if (quoteSyntax) out += '\\';
        out += char(c);
        return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += hex;
        return;
    }
    out += char(c);
}

std::string Escaped(const QString& text, bool quoteSyntax) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(std::size_t(utf8.size()) + 2);
    for (char c : utf8) AppendEscaped(out, static_cast<unsigned char>(c), quoteSyntax);
    return out;
}

} // namespace

std::string EscapedControls(const QString& text) {
    return Escaped(text, false);
}

std::string Quoted(const QString& text) {
    return '"' + Escaped(text, true) + '"';
}

QString QuotedText(const QString& text) {
    return QString::fromStdString(Quoted(text));
}
