#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// CSV as spreadsheets write it (RFC 4180): quoted fields, doubled quotes, line breaks inside
// quotes, CRLF, LF or CR record ends, an optional UTF-8 byte-order mark.
struct CsvRecord {
    QStringList fields;
    int line = 0; // line of the file where the record starts, from 1
};

struct CsvDocument {
    std::vector<CsvRecord> records; // blank lines left out
    QString error;                  // empty when the whole text could be read
};

CsvDocument ReadCsv(const QByteArray& text);
