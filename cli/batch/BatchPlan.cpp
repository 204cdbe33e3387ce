#include "BatchPlan.h"

#include "OutputName.h"
#include "RowPayload.h"

#include <QHash>

namespace {

void PlanRow(const CsvColumns& columns, const CsvRecord& record, PlannedRow& row) {
    const OutputName name =
        MakeOutputName(columns.Cell(record.fields, QStringLiteral("file")), row.number);
    if (!name.error.isEmpty()) {
        row.error = name.error;
        return;
    }
    row.name = name.relativePath;
    const RowPayload payload = ComposeRowPayload(columns, record.fields);
    row.error = payload.error;
    row.payload = payload.payload;
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
            row.error = QStringLiteral("file name \"%1\" was already used by row %2")
                            .arg(row.name)
                            .arg(found.value());
    }
}

} // namespace

BatchPlan PlanBatch(const CsvDocument& document) {
    BatchPlan plan;
    if (document.records.empty()) {
        plan.error = QStringLiteral("the CSV has no header row");
        return plan;
    }
    const CsvColumns columns(document.records.front().fields);
    if (const QStringList repeated = columns.RepeatedNames(); !repeated.isEmpty()) {
        plan.error = QStringLiteral("the header names column \"%1\" twice").arg(repeated.front());
        return plan;
    }
    for (const QString& unused : columns.UnusedNames())
        plan.notes.append(QStringLiteral("column \"%1\" is used by no kind").arg(unused));
    for (std::size_t i = 1; i < document.records.size(); ++i) {
        PlannedRow row;
        row.number = static_cast<int>(i);
        row.line = document.records[i].line;
        PlanRow(columns, document.records[i], row);
        plan.rows.push_back(std::move(row));
    }
    RefuseRepeatedNames(plan.rows);
    return plan;
}

QString RowLabel(const PlannedRow& row) {
    return QStringLiteral("row %1 (line %2)").arg(row.number).arg(row.line);
}
