#include "payload/VCardPayload.h"

#include <QStringList>

#include <algorithm>

namespace VCardPayload {
namespace {

constexpr qsizetype kMaxLineOctets = 75;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The longest piece of `line` from `start` that fits `room` octets and ends on a character
// boundary (a lone over-long sequence is taken whole rather than looped on).
qsizetype PieceLength(const QByteArray& line, qsizetype start, qsizetype room) {
    qsizetype end = std::min(line.size(), start + room);
    while (end < line.size() && end > start && IsContinuationByte(line.at(end))) --end;
    if (end == start) { // cannot happen with valid UTF-8 and room >= 4
        end = start + 1;
        while (end < line.size() && IsContinuationByte(line.at(end))) ++end;
    }
    return end - start;
}

QString NameComponents(const Contact& contact) {
    if (contact.first.isEmpty() && contact.last.isEmpty())
        return EscapeValue(contact.name) + QStringLiteral(";;;;");
    return EscapeValue(contact.last) + QLatin1Char(';') + EscapeValue(contact.first) +
           QStringLiteral(";;;");
}

bool HasHan(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Han) return true;
    return false;
}

// Chinese names are written family name first and without a space (张三); others given name
// first (Ada Lovelace).
QString FormattedName(const Contact& contact) {
    if (!contact.name.isEmpty()) return contact.name;
    if (HasHan(contact.first) || HasHan(contact.last)) return contact.last + contact.first;
    QStringList parts;
    for (const QString& part : {contact.first, contact.last})
        if (!part.isEmpty()) parts.append(part);
    return parts.join(QLatin1Char(' '));
}

} // namespace

QString EscapeValue(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() * 2);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            escaped += QStringLiteral("\\n");
            if (c == QLatin1Char('\r') && i + 1 < value.size() && value.at(i + 1) == u'\n') ++i;
            continue;
        }
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

QByteArray FoldLine(const QByteArray& line) {
    QByteArray folded;
    qsizetype start = 0;
    qsizetype room = kMaxLineOctets;
    do {
        const qsizetype length = PieceLength(line, start, room);
        if (start > 0) folded += ' ';
        folded += line.mid(start, length) + "\r\n";
        start += length;
        room = kMaxLineOctets - 1; // the leading space takes one octet
    } while (start < line.size());
    return folded;
}

QString Compose(const Contact& contact) {
    QByteArray card;
    auto add = [&card](const char* property, const QString& value) {
        card += FoldLine(QByteArray(property) + ':' + value.toUtf8());
    };
    auto addIfGiven = [&add](const char* property, const QString& raw, const QString& value) {
        if (!raw.isEmpty()) add(property, value);
    };
    add("BEGIN", QStringLiteral("VCARD"));
    add("VERSION", QStringLiteral("3.0"));
    add("N", NameComponents(contact));
    add("FN", EscapeValue(FormattedName(contact)));
    addIfGiven("ORG", contact.company, EscapeValue(contact.company));
    addIfGiven("TITLE", contact.title, EscapeValue(contact.title));
    addIfGiven("TEL;TYPE=CELL", contact.mobile, EscapeValue(contact.mobile));
    addIfGiven("EMAIL", contact.email, EscapeValue(contact.email));
    addIfGiven("ADR;TYPE=WORK", contact.address,
               QStringLiteral(";;") + EscapeValue(contact.address) + QStringLiteral(";;;;"));
    addIfGiven("NOTE", contact.note, EscapeValue(contact.note));
    add("END", QStringLiteral("VCARD"));
    return QString::fromUtf8(card);
}

} // namespace VCardPayload
