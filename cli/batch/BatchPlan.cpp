#include "cli/batch/BatchPlan.h"

#include "cli/Quoted.h"
#include "cli/batch/CsvReader.h"
#include "cli/batch/FieldDecoding.h"
#include "cli/batch/OutputName.h"
#include "cli/batch/RowPayload.h"
#include "payload/PayloadBytes.h"

#include <QBuffer>
#include <QHash>

#include <optional>

namespace {

// The fields of a record as text; nothing when one is not valid in the encoding.
std::optional<QStringList> DecodeFields(const CsvRecord& record, FieldDecoding& decoding,
                                        QString& error) {
    QStringList fields;
    for (const CsvField& field : record.fields) {
        FieldDecoding::Text text = decoding.Decode(field);
        if (!text.error.isEmpty()) {
            error = text.error;
            return std::nullopt;
        }
        fields.append(std::move(text.text));
    }
    return fields;
}

// A row of a kind whose columns are all missing from the header would make an empty symbol.
QString MissingKindColumns(const CsvColumns& columns, const QStringList& fields) {
    const QString kind = columns.Cell(fields, QStringLiteral("kind"));
    const QStringList names = KindFieldNames(kind);
    for (const QString& name : names)
        if (columns.Has(name)) return {};
    if (names.isEmpty()) return {}; // an unknown kind, told by the payload's composition
    return QStringLiteral("the header has none of the columns of kind %1 (%2)")
        .arg(QuotedText(kind.trimmed().isEmpty() ? QStringLiteral("text") : kind.trimmed()),
             names.join(QStringLiteral(", ")));
}

// The columns foreground and background, when the header has them and the row fills them.
QString ReadColours(const CsvColumns& columns, const QStringList& fields, PlannedRow& row) {
    for (const auto& [column, colour] :
         {std::pair{QStringLiteral("foreground"), &row.foreground},
          std::pair{QStringLiteral("background"), &row.background}}) {
        const QString cell = columns.Cell(fields, column).trimmed();
        if (cell.isEmpty()) continue;
        *colour = Colour::Parse(cell.toStdString());
        if (!*colour)
            return QStringLiteral("%1 %2 is not a colour RRGGBB or RRGGBBAA")
                .arg(column, QuotedText(cell));
    }
    return {};
}

void PlanRow(const CsvColumns& columns, const QStringList& fields, PlannedRow& row) {
    const OutputName name =
        MakeOutputName(columns.Cell(fields, QStringLiteral("file")), row.number);
    if (!name.error.isEmpty()) {
        row.error = name.error;
        return;
    }
    row.name = name.relativePath;
    row.kind = columns.Cell(fields, QStringLiteral("kind")).trimmed();
    if (row.kind.isEmpty()) row.kind = QStringLiteral("text");
    row.error = ReadColours(columns, fields, row);
    if (row.error.isEmpty() && fields.size() <= columns.Count())
        row.error = MissingKindColumns(columns, fields);
    if (!row.error.isEmpty()) return;
    const RowPayload payload = ComposeRowPayload(columns, fields);
    row.error = payload.error;
    row.payload = PayloadBytes::ToUtf8(payload.payload);
    if (row.error.isEmpty() && row.payload.size() > MaxPayloadBytes)
        row.error = QStringLiteral("the payload (%1 bytes) is longer than any symbol holds")
                        .arg(row.payload.size());
    if (!row.error.isEmpty()) row.payload.clear();
}

// The second row with a name fails; the first keeps it.
void RefuseRepeatedNames(std::vector<PlannedRow>& rows) {
    QHash<QString, int> firstRowOfName;
    for (PlannedRow& row : rows) {
        if (!row.error.isEmpty()) continue;
        const auto found = firstRowOfName.constFind(row.name);
        if (found == firstRowOfName.cend())
            firstRowOfName.insert(row.name, row.number);
        else
            row.error = QStringLiteral("file name %1 was already used by row %2")
                            .arg(QuotedText(row.name))
                            .arg(found.value());
    }
}

// Header problems that stop the run before any row: repeated columns, or no column that any
// kind reads (a misspelt header, or a file in another encoding), which would make every symbol
// empty.
QString HeaderProblem(const CsvColumns& columns) {
    if (const QStringList repeated = columns.RepeatedNames(); !repeated.isEmpty())
        return QStringLiteral("the header names column %1 twice").arg(QuotedText(repeated.front()));
    const qsizetype fieldColumns =
        columns.Count() - columns.UnusedNames().size() - columns.Has(QStringLiteral("file")) -
        columns.Has(QStringLiteral("kind")) - columns.Has(QStringLiteral("foreground")) -
        columns.Has(QStringLiteral("background"));
    if (fieldColumns <= 0)
        return QStringLiteral("the header names no field of any kind (text; to, subject, body; "
                              "title, url; phone; name, company, mobile, note, email, address)");
    return {};
}

void PlanRecords(CsvReader& reader, FieldDecoding& decoding, const CsvColumns& columns,
                 BatchPlan& plan) {
    while (std::optional<CsvRecord> record = reader.Next()) {
        if (plan.rows.size() >= std::size_t(MaxRows)) {
            plan.error = QStringLiteral("line %1: more than %2 rows; split the file")
                             .arg(record->line)
                             .arg(MaxRows);
            return;
        }
        PlannedRow row;
        row.number = static_cast<int>(plan.rows.size()) + 1;
        row.line = record->line;
        if (const std::optional<QStringList> fields = DecodeFields(*record, decoding, row.error))
            PlanRow(columns, *fields, row);
        plan.rows.push_back(std::move(row));
    }
    if (!reader.error().isEmpty()) plan.error = reader.error();
}

} // namespace

BatchPlan PlanBatch(CsvReader& reader, FieldDecoding& decoding) {
    BatchPlan plan;
    const std::optional<CsvRecord> header = reader.Next();
    if (!header) {
        plan.error =
            reader.error().isEmpty() ? QStringLiteral("the CSV has no header row") : reader.error();
        return plan;
    }
    QString error;
    const std::optional<QStringList> names = DecodeFields(*header, decoding, error);
    if (!names) {
        plan.error = QStringLiteral("the header row: ") + error;
        return plan;
    }
    const CsvColumns columns(*names);
    plan.error = HeaderProblem(columns);
    if (!plan.error.isEmpty()) return plan;
    for (const QString& unused : columns.UnusedNames())
        plan.notes.append(QStringLiteral("column %1 is used by no kind").arg(QuotedText(unused)));
    PlanRecords(reader, decoding, columns, plan);
    if (plan.error.isEmpty()) RefuseRepeatedNames(plan.rows);
    return plan;
}

BatchPlan PlanBatch(const QByteArray& csv) {
    QByteArray text = csv;
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer);
    std::optional<FieldDecoding> utf8 = FieldDecoding::Named("UTF-8");
    return PlanBatch(reader, *utf8);
}

QString RowLabel(const PlannedRow& row) {
    return QStringLiteral("row %1 (line %2)").arg(row.number).arg(row.line);
}
