#include "cli/core/batch/CsvColumns.h"

#include "payload/PayloadKinds.h"
#include "payload/PlainText.h"

#include <algorithm>

CsvColumns::CsvColumns(const CsvCells& header) {
    for (const std::string& name : header)
        header_.push_back(PlainText::Lower(PlainText::Trimmed(name)));
}

std::string CsvColumns::Cell(const CsvCells& fields, const std::string& name) const {
    const auto found = std::find(header_.begin(), header_.end(), name);
    const std::size_t index = std::size_t(found - header_.begin());
    return found != header_.end() && index < fields.size() ? fields[index] : std::string();
}

bool CsvColumns::Has(const std::string& name) const {
    return std::find(header_.begin(), header_.end(), name) != header_.end();
}

std::vector<std::string> CsvColumns::UnusedNames() const {
    std::vector<std::string> unused;
    for (const std::string& name : header_) {
        const bool used = name == "file" || name == "kind" || name == "foreground" ||
                          name == "background" || PayloadKinds::IsFieldOfAnyKind(name);
        if (!used) unused.push_back(name);
    }
    return unused;
}

std::vector<std::string> CsvColumns::RepeatedNames() const {
    std::vector<std::string> repeated;
    for (std::size_t i = 0; i < header_.size(); ++i) {
        const bool earlier = std::find(header_.begin(), header_.begin() + std::ptrdiff_t(i),
                                       header_[i]) != header_.begin() + std::ptrdiff_t(i);
        if (earlier && std::find(repeated.begin(), repeated.end(), header_[i]) == repeated.end())
            repeated.push_back(header_[i]);
    }
    return repeated;
}

std::string RowKindName(const std::string& cell) {
    const std::string name = PlainText::Lower(PlainText::Trimmed(cell));
    return name.empty() ? "text" : name;
}

std::vector<std::string> KindFieldNames(const std::string& kind) {
    return PayloadKinds::FieldNames(RowKindName(kind)).value_or(std::vector<std::string>());
}

RowPayload ComposeRowPayload(const CsvColumns& columns, const CsvCells& fields) {
    if (fields.size() > std::size_t(columns.Count()))
        return {{},
                "the row has " + std::to_string(fields.size()) +
                    " fields but the header names only " + std::to_string(columns.Count())};
    const std::string kind = RowKindName(columns.Cell(fields, "kind"));
    PayloadKinds::Fields values;
    // An unknown kind gets no fields, so that the registry's message names the valid kinds.
    for (const std::string& name : KindFieldNames(kind))
        values.emplace(name, columns.Cell(fields, name));
    PayloadKinds::Composed composed = PayloadKinds::Compose(kind, values);
    return {std::move(composed.payload), std::move(composed.error)};
}
