#include "cli/Quoted.h"

#include "files/Escape.h"

namespace {

std::string Utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

} // namespace

std::string EscapedControls(const QString& text) {
    return Escape::Shown(Utf8(text));
}

std::string Quoted(const QString& text) {
    if (text.size() <= ShownNameLimit) return Escape::Shown(Utf8(text), {.quoted = true});
    qsizetype cut = ShownNameLimit;
    if (text.at(cut - 1).isHighSurrogate()) --cut; // never half a character
    return Escape::Shown(Utf8(text.left(cut)), {.quoted = true}) + "... (" +
           std::to_string(text.size()) + " characters)";
}

QString QuotedText(const QString& text) {
    return QString::fromStdString(Quoted(text));
}
