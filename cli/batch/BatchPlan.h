#pragma once

#include "CsvReader.h"

#include <QString>
#include <QStringList>

#include <vector>

// One data row of the CSV, ready to be made into a file, or already known to fail.
struct PlannedRow {
    int number = 0; // data rows counted from 1, the header not included
    int line = 0;   // where the row starts in the CSV file
    QString payload;
    QString name;  // relative to the output folder, without extension
    QString error; // set when the row cannot be made at all
};

struct BatchPlan {
    std::vector<PlannedRow> rows;
    QStringList notes; // worth telling, but no reason to stop
    QString error;     // the run cannot start
};

// Header, payloads, names and duplicate names, decided in row order before any work starts so
// that the outcome never depends on how many jobs run.
BatchPlan PlanBatch(const CsvDocument& document);

// "row 3 (line 4)"
QString RowLabel(const PlannedRow& row);
