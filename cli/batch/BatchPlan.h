#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "raster/plain/RenderOptions.h"

#include <optional>

#include <vector>

class CsvReader;
class FieldDecoding;
class QIODevice;

// One data row of the CSV, ready to be made into a file, or already known to fail.
struct PlannedRow {
    int number = 0;     // data rows counted from 1, the header not included
    int line = 0;       // where the row starts in the CSV file
    QByteArray payload; // UTF-8, what the symbol holds
    QString name;       // relative to the output folder, without extension
    QString error;      // set when the row cannot be made at all
    QString kind;       // as the row names it; empty: text
    // The row's own colours, from the columns foreground and background.
    std::optional<Colour> foreground;
    std::optional<Colour> background;
};

struct BatchPlan {
    std::vector<PlannedRow> rows;
    QStringList notes; // worth telling, but no reason to stop
    QString error;     // the run cannot start
};

// The plan holds every row before work starts, so the rows are bounded: with payloads of at
// most MaxPayloadBytes, a plan stays under a gigabyte even when filled to the brim.
constexpr int MaxRows = 100000;
// No symbol holds more than 7,089 characters, each at least one byte.
constexpr qsizetype MaxPayloadBytes = 7089;

// Header, payloads, names and duplicate names, decided in row order before any work starts so
// that the outcome never depends on how many jobs run.
BatchPlan PlanBatch(CsvReader& reader, FieldDecoding& decoding);
// The same for CSV text in UTF-8.
BatchPlan PlanBatch(const QByteArray& csv);

// "row 3 (line 4)"
QString RowLabel(const PlannedRow& row);
