#include "payload/PayloadComposer.h"

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

QString WithCrLfLineBreaks(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            result += c;
            continue;
        }
        result += QStringLiteral("\r\n");
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
    }
    return result;
}

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

QString UnescapeRecordValue(const QString& value) {
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()) ++i;
        plain += value.at(i);
    }
    return plain;
}

namespace {

// A field as every record carries it: line breaks as CR LF, separators escaped.
QString recordValue(const QString& value) {
    return EscapeRecordValue(WithCrLfLineBreaks(value));
}

} // namespace

QString Text(const QString& text) {
    return WithCrLfLineBreaks(text);
}

QString Mail(const QString& to, const QString& subject, const QString& body) {
    return QStringLiteral("MAIL:TO:") + recordValue(to) + QStringLiteral(";SUB:") +
           recordValue(subject) + QStringLiteral(";TXT:") + recordValue(body) +
           QStringLiteral(";;ZRQub");
}

QString Bookmark(const QString& title, const QString& url) {
    return QStringLiteral("MEBKM:TITLE:") + recordValue(title) + QStringLiteral(";URL:") +
           trimSpaces(recordValue(url)) + QStringLiteral(";;");
}

QString Sms(const QString& phone, const QString& text) {
    return QStringLiteral("SMS:SM:") + recordValue(phone) + QStringLiteral(";TXT:") +
           recordValue(text) + QStringLiteral(";;ZRQub");
}

QString Contact(const QString& name, const QString& company, const QString& mobile,
                const QString& title, const QString& note, const QString& email,
                const QString& address) {
    return QStringLiteral("MECARD:N:") + recordValue(name) + QStringLiteral(";ORG:") +
           recordValue(company) + QStringLiteral(";TEL:TYPE=cell:") + recordValue(mobile) +
           QStringLiteral(";TITLE:") + recordValue(title) + QStringLiteral(";NOTE:") +
           recordValue(note) + QStringLiteral(";EMAIL:") + recordValue(email) +
           QStringLiteral(";ADR:") + recordValue(address) + QStringLiteral(";;");
}

QString Wifi(const QString& ssid, const QString& password, WifiSecurity security, bool hidden) {
    return WifiPayload::Compose(WithCrLfLineBreaks(ssid), WithCrLfLineBreaks(password), security,
                                hidden);
}

namespace {

QString ComposeWifi(const QStringList& f) {
    const WifiSecurity security =
        WifiPayload::SecurityNamed(fieldAt(f, 2)).value_or(WifiSecurity::Wpa);
    return Wifi(fieldAt(f, 0), fieldAt(f, 1), security, fieldAt(f, 3) == QLatin1String("true"));
}

} // namespace

QString Compose(int page, const QStringList& f) {
    switch (page) {
    case TextPage: return Text(fieldAt(f, 0));
    case MailPage: return Mail(fieldAt(f, 0), fieldAt(f, 1), fieldAt(f, 2));
    case BookmarkPage: return Bookmark(fieldAt(f, 0), fieldAt(f, 1));
    case SmsPage: return Sms(fieldAt(f, 0), fieldAt(f, 1));
    case ContactPage:
        return Contact(fieldAt(f, 0), fieldAt(f, 1), fieldAt(f, 2), fieldAt(f, 3), fieldAt(f, 4),
                       fieldAt(f, 5), fieldAt(f, 6));
    case WifiPage: return ComposeWifi(f);
    default: return QString();
    }
}

} // namespace PayloadComposer
