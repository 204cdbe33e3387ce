#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The columns of the header row, by name, for looking up a row's fields.
class CsvColumns {
  public:
    explicit CsvColumns(const QStringList& header);

    // The cell of `name` in `fields`; empty when the column or the cell is missing.
    QString Cell(const QStringList& fields, const QString& name) const;
    bool Has(const QString& name) const { return header_.contains(name); }
    int Count() const { return static_cast<int>(header_.size()); }
    // Header names that no kind uses, and names given twice.
    QStringList UnusedNames() const;
    QStringList RepeatedNames() const;

  private:
    QStringList header_; // trimmed, lower case
};

struct RowPayload {
    QString payload;
    QString error; // empty when the payload was composed
};

// The field columns of a kind as a row names it (case and spaces ignored, empty means text);
// empty for a kind that does not exist.
QStringList KindFieldNames(const QString& kind);

// The payload of one row, composed by the kind registry (the window's pages compose the same
// kinds identically, line breaks included).
RowPayload ComposeRowPayload(const CsvColumns& columns, const QStringList& fields);
