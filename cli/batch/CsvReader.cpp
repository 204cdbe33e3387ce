#include "CsvReader.h"

#include <algorithm>

namespace {

class CsvScanner {
  public:
    explicit CsvScanner(const QByteArray& text) : text_(text) {
        if (text_.startsWith("\xEF\xBB\xBF")) position_ = 3;
    }

    CsvDocument Scan() {
        CsvDocument document;
        while (!atEnd()) {
            CsvRecord record;
            record.line = line_;
            if (!scanRecord(record.fields)) {
                document.error =
                    QStringLiteral("line %1: a quoted field is never closed").arg(record.line);
                return document;
            }
            // Spreadsheets write an empty row as a blank line or as a line of commas.
            const bool blank = std::all_of(record.fields.begin(), record.fields.end(),
                                           [](const QString& f) { return f.isEmpty(); });
            if (!blank) document.records.push_back(std::move(record));
        }
        return document;
    }

  private:
    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return text_.at(position_); }

    // Consumes CRLF, LF or CR at the current position; true when there was one.
    bool takeLineEnd() {
        if (atEnd()) return false;
        if (peek() == '\r') {
            ++position_;
            if (!atEnd() && peek() == '\n') ++position_;
        } else if (peek() == '\n') {
            ++position_;
        } else {
            return false;
        }
        ++line_;
        return true;
    }

    bool scanRecord(QStringList& fields) {
        for (;;) {
            QByteArray field;
            if (!atEnd() && peek() == '"') {
                if (!scanQuoted(field)) return false;
            }
            scanPlain(field);
            fields.append(QString::fromUtf8(field));
            if (atEnd() || takeLineEnd()) return true;
            ++position_; // the comma
        }
    }

    // Up to the next comma or line end. Also takes stray text after a closing quote, as
    // spreadsheets do, rather than losing it.
    void scanPlain(QByteArray& field) {
        const qsizetype start = position_;
        while (!atEnd() && peek() != ',' && peek() != '\r' && peek() != '\n') ++position_;
        field.append(text_.constData() + start, position_ - start);
    }

    bool scanQuoted(QByteArray& field) {
        ++position_; // opening quote
        while (!atEnd()) {
            const char c = peek();
            ++position_;
            if (c == '"') {
                if (atEnd() || peek() != '"') return true;
                ++position_; // doubled quote
            } else if (c == '\n' || (c == '\r' && (atEnd() || peek() != '\n'))) {
                ++line_;
            }
            field.append(c);
        }
        return false;
    }

    const QByteArray& text_;
    qsizetype position_ = 0;
    int line_ = 1;
};

} // namespace

CsvDocument ReadCsv(const QByteArray& text) {
    return CsvScanner(text).Scan();
}
