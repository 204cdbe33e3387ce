#include "cli/core/batch/RowPlanner.h"

#include "cli/core/batch/CsvReader.h"
#include "cli/core/batch/FieldDecoding.h"
#include "cli/core/batch/OutputName.h"
#include "cli/core/batch/Quoted.h"
#include "payload/PlainText.h"

#include <optional>

namespace {

// The fields of a record as UTF-8 text; nothing when one is not valid in the encoding.
std::optional<CsvCells> DecodeFields(const CsvRecord& record, const FieldDecoding& decoding,
                                     std::string& error) {
    CsvCells fields;
    for (const CsvField& field : record.fields) {
        FieldDecoding::Text text = decoding.Decode(field);
        if (!text.error.empty()) {
            error = text.error;
            return std::nullopt;
        }
        fields.push_back(std::move(text.text));
    }
    return fields;
}

// A row of a kind whose columns are all missing from the header would make an empty symbol.
std::string MissingKindColumns(const CsvColumns& columns, const CsvCells& fields) {
    const std::string kind = columns.Cell(fields, "kind");
    const std::vector<std::string> names = KindFieldNames(kind);
    for (const std::string& name : names)
        if (columns.Has(name)) return {};
    if (names.empty()) return {}; // an unknown kind, told by the payload's composition
    const std::string shownKind = PlainText::Trimmed(kind);
    return "the header has none of the columns of kind " +
           Quoted(shownKind.empty() ? "text" : shownKind) + " (" + PlainText::Joined(names, ", ") +
           ")";
}

// The columns foreground and background, when the header has them and the row fills them.
std::string ReadColours(const CsvColumns& columns, const CsvCells& fields, PlannedRow& row) {
    for (const auto& [column, colour] :
         {std::pair{"foreground", &row.foreground}, std::pair{"background", &row.background}}) {
        const std::string cell = PlainText::Trimmed(columns.Cell(fields, column));
        if (cell.empty()) continue;
        *colour = Colour::Parse(cell);
        if (!*colour)
            return std::string(column) + ' ' + Quoted(cell) + " is not a colour RRGGBB or RRGGBBAA";
    }
    return {};
}

void PlanRow(const CsvColumns& columns, const CsvCells& fields, PlannedRow& row) {
    const OutputName name = MakeOutputName(columns.Cell(fields, "file"), row.number);
    if (!name.error.empty()) {
        row.error = name.error;
        return;
    }
    row.name = name.relativePath;
    row.kind = PlainText::Trimmed(columns.Cell(fields, "kind"));
    if (row.kind.empty()) row.kind = "text";
    row.error = ReadColours(columns, fields, row);
    if (row.error.empty() && fields.size() <= std::size_t(columns.Count()))
        row.error = MissingKindColumns(columns, fields);
    if (!row.error.empty()) return;
    RowPayload payload = ComposeRowPayload(columns, fields);
    row.error = std::move(payload.error);
    row.payload = std::move(payload.payload);
    if (row.error.empty() && row.payload.size() > MaxPayloadBytes)
        row.error = "the payload (" + std::to_string(row.payload.size()) +
                    " bytes) is longer than any symbol holds";
    if (!row.error.empty()) row.payload.clear();
}

// Header problems that stop the run before any row: repeated columns, or no column that any
// kind reads (a misspelt header, or a file in another encoding), which would make every symbol
// empty.
std::string HeaderProblem(const CsvColumns& columns) {
    if (const std::vector<std::string> repeated = columns.RepeatedNames(); !repeated.empty())
        return "the header names column " + Quoted(repeated.front()) + " twice";
    const long fieldColumns = long(columns.Count()) - long(columns.UnusedNames().size()) -
                              columns.Has("file") - columns.Has("kind") -
                              columns.Has("foreground") - columns.Has("background");
    if (fieldColumns <= 0)
        return "the header names no field of any kind (text; to, subject, body; title, url; "
               "phone; name, company, mobile, note, email, address)";
    return {};
}

} // namespace

RowPlanner::RowPlanner(CsvReader& reader, FieldDecoding& decoding, const std::string& captionColumn)
    : reader_(reader), decoding_(decoding),
      captionColumn_(PlainText::Lower(PlainText::Trimmed(captionColumn))) {
    const std::optional<CsvRecord> header = reader.Next();
    if (!header) {
        startError_ = reader.error().empty() ? "the CSV has no header row" : reader.error();
        return;
    }
    std::string error;
    const std::optional<CsvCells> names = DecodeFields(*header, decoding, error);
    if (!names) {
        startError_ = "the header row: " + error;
        return;
    }
    columns_.emplace(*names);
    startError_ = HeaderProblem(*columns_);
    if (startError_.empty() && !captionColumn_.empty() && !columns_->Has(captionColumn_))
        startError_ = "the header has no column " + Quoted(PlainText::Trimmed(captionColumn)) +
                      " for --caption";
    for (const std::string& unused : columns_->UnusedNames())
        if (unused != captionColumn_)
            notes_.push_back("column " + Quoted(unused) + " is used by no kind");
}

std::optional<PlannedRow> RowPlanner::Next() {
    if (!startError_.empty()) return std::nullopt;
    std::optional<CsvRecord> record = reader_.Next();
    if (!record) return std::nullopt;
    PlannedRow row;
    row.number = ++rows_;
    row.line = record->line;
    if (const std::optional<CsvCells> fields = DecodeFields(*record, decoding_, row.error)) {
        PlanRow(*columns_, *fields, row);
        if (!captionColumn_.empty()) row.caption = columns_->Cell(*fields, captionColumn_);
    }
    // The second row with a name fails; the first keeps it.
    if (row.error.empty())
        if (const int first = names_.Claim(row.name, row.number); first != 0)
            row.error = "file name " + Quoted(row.name) + " was already used by row " +
                        std::to_string(first);
    return row;
}

const std::string& RowPlanner::readError() const {
    return reader_.error();
}

std::string RowLabel(const PlannedRow& row) {
    return "row " + std::to_string(row.number) + " (line " + std::to_string(row.line) + ")";
}
