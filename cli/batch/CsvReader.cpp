#include "cli/batch/CsvReader.h"

#include <QIODevice>

#include <algorithm>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;
constexpr int EndOfText = -1;

// The name of a wide encoding whose byte-order mark `head` starts with; empty for none.
QString WideEncodingMarked(const QByteArray& head) {
    // UTF-32LE's mark begins with UTF-16LE's, so it is tested first.
    if (head.startsWith(QByteArray("\xFF\xFE\0\0", 4)) ||
        head.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return QStringLiteral("UTF-32");
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) return QStringLiteral("UTF-16");
    return {};
}

} // namespace

CsvReader::CsvReader(QIODevice& device, CsvLimits limits) : device_(device), limits_(limits) {}

bool CsvReader::refill() {
    if (ended_) return false;
    consumed_ += buffer_.size();
    position_ = 0;
    buffer_.resize(ChunkBytes);
    const qint64 n = device_.read(buffer_.data(), ChunkBytes);
    buffer_.resize(std::max<qint64>(n, 0));
    if (n < 0) fail(QStringLiteral("cannot read: %1").arg(device_.errorString()));
    ended_ = n <= 0;
    return n > 0;
}

int CsvReader::peek() {
    if (position_ >= buffer_.size() && !refill()) return EndOfText;
    return static_cast<unsigned char>(buffer_[position_]);
}

bool CsvReader::fail(const QString& message) {
    if (error_.isEmpty()) error_ = message;
    ended_ = true;
    buffer_.clear();
    position_ = 0;
    return false;
}

// A UTF-8 byte-order mark is dropped. UTF-16 and UTF-32 cannot be split at ASCII bytes, so they
// are refused by name rather than read as garbage.
void CsvReader::checkStart() {
    started_ = true;
    // A device may hand out fewer bytes than asked; the longest mark needs the first four.
    QByteArray head;
    while (head.size() < 4 && refill()) head += buffer_;
    buffer_ = head;
    consumed_ = 0;
    position_ = 0;
    if (head.startsWith("\xEF\xBB\xBF")) position_ = 3;
    if (const QString wide = WideEncodingMarked(head); !wide.isEmpty())
        fail(QStringLiteral("the CSV is %1 text; save it as CSV UTF-8").arg(wide));
}

std::optional<CsvRecord> CsvReader::Next() {
    if (!started_) checkStart();
    while (error_.isEmpty() && peek() != EndOfText) {
        if (limits_.stopped && limits_.stopped()) return std::nullopt;
        CsvRecord record;
        record.line = recordLine_ = line_;
        if (!scanRecord(record)) return std::nullopt;
        const bool blank = std::all_of(record.fields.begin(), record.fields.end(),
                                       [](const CsvField& f) { return f.bytes.isEmpty(); });
        if (!blank) return record;
    }
    return std::nullopt;
}

// Consumes CRLF, LF or CR at the current position; true when there was one.
bool CsvReader::takeLineEnd() {
    const int c = peek();
    if (c != '\r' && c != '\n') return false;
    advance();
    if (c == '\r' && peek() == '\n') advance();
    ++line_;
    return true;
}

bool CsvReader::scanRecord(CsvRecord& record) {
    for (;;) {
        if (record.fields.size() >= limits_.fieldsPerRecord)
            return fail(QStringLiteral("line %1: a record of more than %2 fields")
                            .arg(recordLine_)
                            .arg(limits_.fieldsPerRecord));
        CsvField field;
        field.offset = offset();
        if (peek() == '"') {
            advance();
            field.offset = offset();
            if (!scanQuoted(field.bytes)) return false;
        }
        if (!scanPlain(field.bytes)) return false;
        record.fields.append(std::move(field));
        if (peek() == EndOfText || takeLineEnd()) return error_.isEmpty();
        advance(); // the comma
    }
}

bool CsvReader::append(QByteArray& field, char c) {
    if (field.size() >= limits_.fieldBytes)
        return fail(QStringLiteral("line %1: a field longer than %2 bytes (no symbol holds more "
                                   "than 7,089 characters)")
                        .arg(line_)
                        .arg(limits_.fieldBytes));
    field.append(c);
    return true;
}

// Up to the next comma or line end. Also takes stray text after a closing quote, as
// spreadsheets do, rather than losing it.
bool CsvReader::scanPlain(QByteArray& field) {
    for (int c = peek(); c != EndOfText && c != ',' && c != '\r' && c != '\n'; c = peek()) {
        if (!append(field, char(c))) return false;
        advance();
    }
    return error_.isEmpty();
}

bool CsvReader::scanQuoted(QByteArray& field) {
    for (int c = peek(); c != EndOfText; c = peek()) {
        advance();
        if (c == '"') {
            if (peek() != '"') return true;
            advance(); // doubled quote
        } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
            ++line_;
        }
        if (!append(field, char(c))) return false;
    }
    if (!error_.isEmpty()) return false;
    return fail(QStringLiteral("line %1: a quoted field is never closed").arg(recordLine_));
}
