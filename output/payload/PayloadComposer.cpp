#include "PayloadComposer.h"

namespace PayloadComposer {
namespace {

QString fieldAt(const QStringList& fields, int index) {
    return index < fields.size() ? fields.at(index) : QString();
}

// Only U+0020 is trimmed; QString::trimmed would also take tabs and line breaks.
QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

} // namespace

QString EscapeRecordValue(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() * 2);
    for (QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(':'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

QString Text(const QString& text) {
    return text;
}

QString Mail(const QString& to, const QString& subject, const QString& body) {
    return QStringLiteral("MAIL:TO:") + to + QStringLiteral(";SUB:") + subject +
           QStringLiteral(";TXT:") + body + QStringLiteral(";;ZRQub");
}

QString Bookmark(const QString& title, const QString& url) {
    return QStringLiteral("MEBKM:TITLE:") + EscapeRecordValue(title) + QStringLiteral(";URL:") +
           trimSpaces(EscapeRecordValue(url)) + QStringLiteral(";;");
}

QString Sms(const QString& phone, const QString& text) {
    return QStringLiteral("SMS:SM:") + phone + QStringLiteral(";TXT:") + text +
           QStringLiteral(";;ZRQub");
}

QString Contact(const QString& name, const QString& company, const QString& mobile,
                const QString& title, const QString& note, const QString& email,
                const QString& address) {
    return QStringLiteral("MECARD:N:") + EscapeRecordValue(name) + QStringLiteral(";ORG:") +
           EscapeRecordValue(company) + QStringLiteral(";TEL:TYPE=cell:") +
           EscapeRecordValue(mobile) + QStringLiteral(";TITLE:") + EscapeRecordValue(title) +
           QStringLiteral(";NOTE:") + EscapeRecordValue(note) + QStringLiteral(";EMAIL:") +
           EscapeRecordValue(email) + QStringLiteral(";ADR:") + EscapeRecordValue(address) +
           QStringLiteral(";;");
}

QString Compose(int page, const QStringList& f) {
    switch (page) {
    case 0: return Text(fieldAt(f, 0));
    case 1: return Mail(fieldAt(f, 0), fieldAt(f, 1), fieldAt(f, 2));
    case 2: return Bookmark(fieldAt(f, 0), fieldAt(f, 1));
    case 3: return Sms(fieldAt(f, 0), fieldAt(f, 1));
    case 4:
        return Contact(fieldAt(f, 0), fieldAt(f, 1), fieldAt(f, 2), fieldAt(f, 3), fieldAt(f, 4),
                       fieldAt(f, 5), fieldAt(f, 6));
    default: return QString();
    }
}

} // namespace PayloadComposer
