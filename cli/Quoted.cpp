#include "cli/Quoted.h"

#include "cli/core/TerminalText.h"

namespace {

void AppendEscaped(std::string& out, unsigned char c, bool quoteSyntax) {
    if (c < 0x20 || c == 0x7F) {
        TerminalText::AppendEscape(out, c);
        return;
    }
    if (quoteSyntax && (c == '"' || c == '\\')) out += '\\';
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
