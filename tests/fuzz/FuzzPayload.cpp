// Arbitrary field texts through the payload composer, for every kind and for the window's pages:
// no field can end its value or forge another key, every line break comes out as CR LF, vCard
// lines stay folded, and composing never fails but by a message.
#include "payload/PayloadComposer.h"
#include "payload/PayloadKinds.h"

#include <QMap>
#include <QStringList>

#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// No CR without its LF and no LF without its CR.
bool LineBreaksAreCrLf(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) return false;
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) return false;
    }
    return true;
}

// A record's values as readers split them: at each ";" no backslash escapes, escaping
// backslashes dropped.
QStringList SplitRecord(const QString& record) {
    QStringList values{QString()};
    for (qsizetype i = 0; i < record.size(); ++i) {
        if (record[i] == u'\\' && i + 1 < record.size())
            values.last() += record[++i];
        else if (record[i] == u';')
            values.append(QString());
        else
            values.last() += record[i];
    }
    return values;
}

// A page's record must split into exactly its keys, each holding its field.
void checkRecord(const QString& payload, const QStringList& keys, const QStringList& fields,
                 const QString& tail, int trimmedField) {
    const QStringList values = SplitRecord(payload);
    require(values.size() == keys.size() + 2);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        require(values[i].startsWith(keys[i]));
        const QString expected = PayloadComposer::WithCrLfLineBreaks(fields.value(i));
        if (i != trimmedField) require(values[i].mid(keys[i].size()) == expected);
    }
    require(values[keys.size()].isEmpty() && values.last() == tail);
}

void checkPage(int page, const QStringList& fields) {
    const QString payload = PayloadComposer::Compose(page, fields);
    require(LineBreaksAreCrLf(payload));
    switch (page) {
    case 0: require(payload == PayloadComposer::WithCrLfLineBreaks(fields.value(0))); break;
    case 1: checkRecord(payload, {"MAIL:TO:", "SUB:", "TXT:"}, fields, "ZRQub", -1); break;
    case 2: checkRecord(payload, {"MEBKM:TITLE:", "URL:"}, fields, "", 1); break;
    case 3: checkRecord(payload, {"SMS:SM:", "TXT:"}, fields, "ZRQub", -1); break;
    case 4:
        checkRecord(payload,
                    {"MECARD:N:", "ORG:", "TEL:TYPE=cell:", "TITLE:", "NOTE:", "EMAIL:", "ADR:"},
                    fields, "", -1);
        break;
    case 5: require(payload.startsWith(QStringLiteral("WIFI:T:")) && payload.endsWith(u';')); break;
    default: require(payload.isEmpty());
    }
}

void checkVCard(const QString& card) {
    for (const QByteArray& line : card.toUtf8().split('\n')) require(line.size() <= 76);
    require(card.isEmpty() || card.endsWith(QStringLiteral("END:VCARD\r\n")));
}

void checkKind(const QString& kind, const QStringList& values, const QStringList& extra) {
    const QStringList names = PayloadKinds::FieldNames(kind).value_or(QStringList());
    QMap<QString, QString> fields;
    QStringList assignments;
    for (qsizetype i = 0; i < names.size() && i < values.size(); ++i) {
        fields.insert(names[i], values[i]);
        assignments.append(names[i] + QLatin1Char('=') + values[i]);
    }
    const PayloadKinds::Composed composed = PayloadKinds::Compose(kind, fields);
    require(composed.error.isEmpty() != composed.payload.isEmpty());
    require(LineBreaksAreCrLf(composed.payload));
    if (kind == QLatin1String("vcard")) checkVCard(composed.payload);
    const PayloadKinds::Composed assigned = PayloadKinds::ComposeFromAssignments(kind, assignments);
    require(assigned.payload == composed.payload);
    // Arbitrary assignments: unknown fields, missing "=", names given twice.
    const PayloadKinds::Composed arbitrary =
        PayloadKinds::ComposeFromAssignments(kind, assignments + extra);
    require(arbitrary.error.isEmpty() != arbitrary.payload.isEmpty());
}

} // namespace

// The first byte picks the kind (its remainder by the number of kinds) and the window's page
// (the rest, modulo the seven pages); the rest of the input is fields separated by NUL bytes,
// those past the kind's fields taken as raw assignments.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const QStringList kinds = PayloadKinds::KindNames();
    const QString kind = kinds[data[0] % kinds.size()];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QStringList values;
    for (const QByteArray& piece : rest.split('\0')) values.append(QString::fromUtf8(piece));
    const qsizetype fieldCount = PayloadKinds::FieldNames(kind)->size();
    checkKind(kind, values.mid(0, fieldCount), values.mid(fieldCount));
    checkPage(int(data[0] / kinds.size()) % 7, values);
    return 0;
}
