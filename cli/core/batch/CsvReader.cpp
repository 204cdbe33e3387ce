#include "cli/core/batch/CsvReader.h"

#include <algorithm>

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;
constexpr int EndOfText = -1;

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The name of a wide encoding whose byte-order mark `head` starts with; empty for none.
std::string WideEncodingMarked(const std::string& head) {
    using namespace std::string_view_literals;
    // UTF-32LE's mark begins with UTF-16LE's, so it is tested first.
    if (StartsWith(head, "\xFF\xFE\0\0"sv) || StartsWith(head, "\0\0\xFE\xFF"sv)) return "UTF-32";
    if (StartsWith(head, "\xFF\xFE"sv) || StartsWith(head, "\xFE\xFF"sv)) return "UTF-16";
    return {};
}

} // namespace

CsvReader::CsvReader(CsvRead read, CsvLimits limits) : read_(std::move(read)), limits_(limits) {}

bool CsvReader::refill() {
    if (ended_) return false;
    consumed_ += std::int64_t(buffer_.size());
    position_ = 0;
    buffer_.resize(ChunkBytes);
    std::string problem;
    const long n = read_(buffer_.data(), ChunkBytes, problem);
    buffer_.resize(std::size_t(std::max(n, 0L)));
    if (n < 0) fail("cannot read: " + problem);
    ended_ = n <= 0;
    return n > 0;
}

int CsvReader::peek() {
    if (position_ >= buffer_.size() && !refill()) return EndOfText;
    return static_cast<unsigned char>(buffer_[position_]);
}

bool CsvReader::fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    ended_ = true;
    buffer_.clear();
    position_ = 0;
    return false;
}

// A UTF-8 byte-order mark is dropped. UTF-16 and UTF-32 cannot be split at ASCII bytes, so they
// are refused by name rather than read as garbage.
void CsvReader::checkStart() {
    started_ = true;
    // A read may hand out fewer bytes than asked; the longest mark needs the first four.
    std::string head;
    while (head.size() < 4 && refill()) head += buffer_;
    buffer_ = head;
    consumed_ = 0;
    position_ = 0;
    if (StartsWith(head, "\xEF\xBB\xBF")) position_ = 3;
    if (const std::string wide = WideEncodingMarked(head); !wide.empty())
        fail("the CSV is " + wide + " text; save it as CSV UTF-8");
}

std::optional<CsvRecord> CsvReader::Next() {
    if (!started_) checkStart();
    while (error_.empty() && peek() != EndOfText) {
        if (limits_.stopped && limits_.stopped()) return std::nullopt;
        CsvRecord record;
        record.line = recordLine_ = line_;
        if (!scanRecord(record)) return std::nullopt;
        const bool blank = std::all_of(record.fields.begin(), record.fields.end(),
                                       [](const CsvField& f) { return f.bytes.empty(); });
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
            return fail("line " + std::to_string(recordLine_) + ": a record of more than " +
                        std::to_string(limits_.fieldsPerRecord) + " fields");
        CsvField field;
        field.offset = offset();
        if (peek() == '"') {
            advance();
            field.offset = offset();
            if (!scanQuoted(field.bytes)) return false;
        }
        if (!scanPlain(field.bytes)) return false;
        record.fields.push_back(std::move(field));
        if (peek() == EndOfText || takeLineEnd()) return error_.empty();
        advance(); // the comma
    }
}

bool CsvReader::append(std::string& field, char c) {
    if (field.size() >= limits_.fieldBytes)
        return fail("line " + std::to_string(line_) + ": a field longer than " +
                    std::to_string(limits_.fieldBytes) +
                    " bytes (no symbol holds more than 7,089 characters)");
    field += c;
    return true;
}

// Up to the next comma or line end. Also takes stray text after a closing quote, as
// spreadsheets do, rather than losing it.
bool CsvReader::scanPlain(std::string& field) {
    for (int c = peek(); c != EndOfText && c != ',' && c != '\r' && c != '\n'; c = peek()) {
        if (!append(field, char(c))) return false;
        advance();
    }
    return error_.empty();
}

bool CsvReader::scanQuoted(std::string& field) {
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
    if (!error_.empty()) return false;
    return fail("line " + std::to_string(recordLine_) + ": a quoted field is never closed");
}
