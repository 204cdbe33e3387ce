#include "cli/batch/RowPlanner.h"

#include "cli/Quoted.h"
#include "cli/batch/CsvReader.h"
#include "cli/batch/FieldDecoding.h"
#include "cli/batch/OutputName.h"
#include "cli/batch/RowPayload.h"
#include "payload/PayloadBytes.h"

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

} // namespace

RowPlanner::RowPlanner(CsvReader& reader, FieldDecoding& decoding, const QString& captionColumn)
    : reader_(reader), decoding_(decoding), captionColumn_(captionColumn.trimmed().toLower()) {
    const std::optional<CsvRecord> header = reader.Next();
    if (!header) {
        startError_ =
            reader.error().isEmpty() ? QStringLiteral("the CSV has no header row") : reader.error();
        return;
    }
    QString error;
    const std::optional<QStringList> names = DecodeFields(*header, decoding, error);
    if (!names) {
        startError_ = QStringLiteral("the header row: ") + error;
        return;
    }
    columns_.emplace(*names);
    startError_ = HeaderProblem(*columns_);
    if (startError_.isEmpty() && !captionColumn_.isEmpty() && !columns_->Has(captionColumn_))
        startError_ = QStringLiteral("the header has no column %1 for --caption")
                          .arg(QuotedText(captionColumn.trimmed()));
    for (const QString& unused : columns_->UnusedNames())
        if (unused != captionColumn_)
            notes_.append(QStringLiteral("column %1 is used by no kind").arg(QuotedText(unused)));
}

std::optional<PlannedRow> RowPlanner::Next() {
    if (!startError_.isEmpty()) return std::nullopt;
    std::optional<CsvRecord> record = reader_.Next();
    if (!record) return std::nullopt;
    PlannedRow row;
    row.number = ++rows_;
    row.line = record->line;
    if (const std::optional<QStringList> fields = DecodeFields(*record, decoding_, row.error)) {
        PlanRow(*columns_, *fields, row);
        if (!captionColumn_.isEmpty()) row.caption = columns_->Cell(*fields, captionColumn_);
    }
    // The second row with a name fails; the first keeps it.
    if (row.error.isEmpty())
        if (const int first = names_.Claim(row.name, row.number); first != 0) {
            row.error = QStringLiteral("file name %1 was already used by row %2")
                            .arg(QuotedText(row.name))
                            .arg(first);
        }
    return row;
}

const QString& RowPlanner::readError() const {
    return reader_.error();
}

QString RowLabel(const PlannedRow& row) {
    return QStringLiteral("row %1 (line %2)").arg(row.number).arg(row.line);
}
