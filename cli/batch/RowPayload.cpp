#include "RowPayload.h"

#include "PayloadComposer.h"

#include <QRegularExpression>

#include <map>

namespace {

struct KindColumns {
    int page;               // the window's page that composes this kind
    QStringList fieldNames; // in the order its composer takes them
};

const std::map<QString, KindColumns>& Kinds() {
    static const std::map<QString, KindColumns> kinds = {
        {QStringLiteral("text"), {0, {QStringLiteral("text")}}},
        {QStringLiteral("mail"),
         {1, {QStringLiteral("to"), QStringLiteral("subject"), QStringLiteral("body")}}},
        {QStringLiteral("bookmark"), {2, {QStringLiteral("title"), QStringLiteral("url")}}},
        {QStringLiteral("sms"), {3, {QStringLiteral("phone"), QStringLiteral("text")}}},
        {QStringLiteral("contact"),
         {4,
          {QStringLiteral("name"), QStringLiteral("company"), QStringLiteral("mobile"),
           QStringLiteral("title"), QStringLiteral("note"), QStringLiteral("email"),
           QStringLiteral("address")}}},
    };
    return kinds;
}

QString WithCrLf(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return QString(text).replace(lineBreak, QStringLiteral("\r\n"));
}

QString KindNames() {
    QStringList names;
    for (const auto& [name, columns] : Kinds()) names.append(name);
    return names.join(QStringLiteral(", "));
}

} // namespace

CsvColumns::CsvColumns(const QStringList& header) {
    for (const QString& name : header) header_.append(name.trimmed().toLower());
}

QString CsvColumns::Cell(const QStringList& fields, const QString& name) const {
    const qsizetype index = header_.indexOf(name);
    return index >= 0 && index < fields.size() ? fields.at(index) : QString();
}

QStringList CsvColumns::UnusedNames() const {
    QStringList unused;
    for (const QString& name : header_) {
        bool used = name == QStringLiteral("file") || name == QStringLiteral("kind");
        for (const auto& [kind, columns] : Kinds())
            used = used || columns.fieldNames.contains(name);
        if (!used) unused.append(name);
    }
    return unused;
}

QStringList CsvColumns::RepeatedNames() const {
    QStringList repeated;
    for (qsizetype i = 0; i < header_.size(); ++i)
        if (header_.indexOf(header_[i]) != i && !repeated.contains(header_[i]))
            repeated.append(header_[i]);
    return repeated;
}

QStringList KindFieldNames(const QString& kind) {
    const QString name = kind.trimmed().toLower();
    const auto found = Kinds().find(name.isEmpty() ? QStringLiteral("text") : name);
    return found == Kinds().end() ? QStringList() : found->second.fieldNames;
}

RowPayload ComposeRowPayload(const CsvColumns& columns, const QStringList& fields) {
    if (fields.size() > columns.Count())
        return {{},
                QStringLiteral("the row has %1 fields but the header names only %2")
                    .arg(fields.size())
                    .arg(columns.Count())};
    QString kind = columns.Cell(fields, QStringLiteral("kind")).trimmed().toLower();
    if (kind.isEmpty()) kind = QStringLiteral("text");
    const auto found = Kinds().find(kind);
    if (found == Kinds().end())
        return {{}, QStringLiteral("unknown kind \"%1\" (kinds: %2)").arg(kind, KindNames())};
    QStringList values;
    for (const QString& name : found->second.fieldNames)
        values.append(WithCrLf(columns.Cell(fields, name)));
    return {PayloadComposer::Compose(found->second.page, values), {}};
}
