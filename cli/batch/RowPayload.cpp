#include "cli/batch/RowPayload.h"

#include "payload/PayloadKinds.h"

#include <QMap>

namespace {

bool IsFieldOfAnyKind(const QString& name) {
    for (const QString& kind : PayloadKinds::KindNames())
        if (PayloadKinds::FieldNames(kind)->contains(name)) return true;
    return false;
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
        const bool used = name == QStringLiteral("file") || name == QStringLiteral("kind") ||
                          name == QStringLiteral("foreground") ||
                          name == QStringLiteral("background") || IsFieldOfAnyKind(name);
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
    return PayloadKinds::FieldNames(name.isEmpty() ? QStringLiteral("text") : name)
        .value_or(QStringList());
}

RowPayload ComposeRowPayload(const CsvColumns& columns, const QStringList& fields) {
    if (fields.size() > columns.Count())
        return {{},
                QStringLiteral("the row has %1 fields but the header names only %2")
                    .arg(fields.size())
                    .arg(columns.Count())};
    QString kind = columns.Cell(fields, QStringLiteral("kind")).trimmed().toLower();
    if (kind.isEmpty()) kind = QStringLiteral("text");
    const std::optional<QStringList> fieldNames = PayloadKinds::FieldNames(kind);
    QMap<QString, QString> values;
    // An unknown kind gets no fields, so that the registry's message names the valid kinds.
    for (const QString& name : fieldNames.value_or(QStringList()))
        values.insert(name, columns.Cell(fields, name));
    const PayloadKinds::Composed composed = PayloadKinds::Compose(kind, values);
    return {composed.payload, composed.error};
}
