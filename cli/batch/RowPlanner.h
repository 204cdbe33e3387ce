#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "cli/batch/NameRegister.h"
#include "cli/batch/RowPayload.h"
#include "raster/plain/RenderOptions.h"

#include <optional>

class CsvReader;
class FieldDecoding;

// One data row of the CSV, ready to be made into a file, or already known to fail.
struct PlannedRow {
    int number = 0;     // data rows counted from 1, the header not included
    int line = 0;       // where the row starts in the CSV file
    QByteArray payload; // UTF-8, what the symbol holds
    QString name;       // relative to the output folder, without extension
    QString error;      // set when the row cannot be made at all
    QString kind;       // as the row names it; empty: text
    QString caption;    // the caption column's cell, when the run prints one
    // The row's own colours, from the columns foreground and background.
    std::optional<Colour> foreground;
    std::optional<Colour> background;
};

// No symbol holds more than 7,089 characters, each at least one byte.
constexpr qsizetype MaxPayloadBytes = 7089;

// Reads a CSV's rows one at a time, as they come, and plans each: its payload, its file name,
// its colours, or why it cannot be made. Decided in row order, so that the outcome never depends
// on how many jobs run or on which part of the sheet a run makes: a name already given to an
// earlier row (that could be made) fails the row. Memory grows by a hash per named row only.
class RowPlanner {
  public:
    // Reads the header. `captionColumn`, when given, must be one of its columns.
    RowPlanner(CsvReader& reader, FieldDecoding& decoding, const QString& captionColumn = {});

    // Why no row can be made (no header, a header naming no field); empty when rows may be read.
    const QString& startError() const { return startError_; }
    const QStringList& notes() const { return notes_; } // worth telling, no reason to stop
    // The next data row; nothing at the end of the rows, or when reading stopped (readError).
    std::optional<PlannedRow> Next();
    // Why reading stopped before the end of the text (an oversize field, a read error).
    const QString& readError() const;

  private:
    CsvReader& reader_;
    FieldDecoding& decoding_;
    std::optional<CsvColumns> columns_;
    QString startError_;
    QStringList notes_;
    QString captionColumn_; // trimmed, lower case, as the columns are looked up
    int rows_ = 0;
    NameRegister names_;
};

// "row 3 (line 4)"
QString RowLabel(const PlannedRow& row);
