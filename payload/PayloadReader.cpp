#include "payload/PayloadReader.h"

#include "payload/PayloadComposer.h"
#include "payload/WifiPayload.h"

#include <QList>
#include <QPair>

#include <optional>

namespace PayloadReader {
namespace {

// "TYPE:KEY:value;KEY:value;;tail" taken apart: each value ends at the first ";" that no
// backslash escapes and is unescaped; an empty field ends the record.
struct Record {
    QString type;
    QList<QPair<QString, QString>> fields;
    QString tail;

    QString value(const QString& key) const {
        for (const auto& [name, value] : fields)
            if (name == key) return value;
        return QString();
    }
};

// Where the raw field starting at `from` ends: its closing ";", or -1 when there is none.
qsizetype FieldEnd(const QString& text, qsizetype from) {
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\'))
            ++i;
        else if (text.at(i) == QLatin1Char(';'))
            return i;
    }
    return -1;
}

std::optional<Record> Split(const QString& payload) {
    const qsizetype typeEnd = payload.indexOf(QLatin1Char(':'));
    if (typeEnd <= 0) return std::nullopt;
    Record record{payload.left(typeEnd), {}, {}};
    qsizetype at = typeEnd + 1;
    for (;;) {
        const qsizetype end = FieldEnd(payload, at);
        if (end < 0) return std::nullopt;
        const QString field = payload.mid(at, end - at);
        at = end + 1;
        if (field.isEmpty()) break;
        const qsizetype keyEnd = field.indexOf(QLatin1Char(':'));
        if (keyEnd <= 0) return std::nullopt;
        record.fields.append(
            {field.left(keyEnd), PayloadComposer::UnescapeRecordValue(field.mid(keyEnd + 1))});
    }
    record.tail = payload.mid(at);
    return record;
}

QStringList ValuesOf(const Record& record, std::initializer_list<const char*> keys) {
    QStringList values;
    for (const char* key : keys) values.append(record.value(QLatin1String(key)));
    return values;
}

// The contact's number as the card carries it, after "TYPE=cell:".
QString MobileOf(const Record& record) {
    const QString prefix = QStringLiteral("TYPE=cell:");
    const QString value = record.value(QStringLiteral("TEL"));
    return value.startsWith(prefix) ? value.mid(prefix.size()) : value;
}

// The page whose record type this is and its fields in the composer's order; the text page
// when no page writes this type.
PageFields Candidate(const Record& record) {
    using namespace PayloadComposer;
    if (record.type == QLatin1String("MAIL"))
        return {MailPage, ValuesOf(record, {"TO", "SUB", "TXT"})};
    if (record.type == QLatin1String("MEBKM"))
        return {BookmarkPage, ValuesOf(record, {"TITLE", "URL"})};
    if (record.type == QLatin1String("SMS")) return {SmsPage, ValuesOf(record, {"SM", "TXT"})};
    if (record.type == QLatin1String("MECARD")) {
        QStringList fields = ValuesOf(record, {"N", "ORG", "TEL", "TITLE", "NOTE", "EMAIL", "ADR"});
        fields[2] = MobileOf(record);
        return {ContactPage, fields};
    }
    if (record.type == QLatin1String("WIFI")) {
        QStringList fields = ValuesOf(record, {"S", "P", "T", "H"});
        fields[3] = fields[3] == QLatin1String("true") ? fields[3] : QStringLiteral("false");
        return {WifiPage, fields};
    }
    return {TextPage, {}};
}

// The Wi-Fi page makes no record its field rules refuse.
bool WifiPageMakes(const QStringList& fields) {
    const WifiSecurity security =
        WifiPayload::SecurityNamed(fields.value(2)).value_or(WifiSecurity::Wpa);
    return WifiPayload::MissingField(fields.value(0), fields.value(1), security) ==
           WifiPayload::Missing::Nothing;
}

} // namespace

PageFields Read(const QString& payload) {
    const PageFields asText{PayloadComposer::TextPage, {payload}};
    const std::optional<Record> record = Split(payload);
    if (!record) return asText;
    const PageFields candidate = Candidate(*record);
    if (candidate.page == PayloadComposer::TextPage) return asText;
    if (candidate.page == PayloadComposer::WifiPage && !WifiPageMakes(candidate.fields))
        return asText;
    // Only exactly what the page writes: keys in its order, its escapes, its terminator.
    if (PayloadComposer::Compose(candidate.page, candidate.fields) != payload) return asText;
    return candidate;
}

} // namespace PayloadReader
