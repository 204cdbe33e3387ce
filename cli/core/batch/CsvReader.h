#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Bounds on what one record may hold, so that memory stays small whatever the input.
struct CsvLimits {
    // The longest content any symbol holds is 7,089 digits (one byte each); a longer field can
    // never be encoded, so reading stops a little past that instead of collecting it.
    std::size_t fieldBytes = 8192;
    // Far more than the fifteen columns any kind uses.
    std::size_t fieldsPerRecord = 256;
    // Asked before each record, blank ones included; true ends the reading as the end of the
    // text would (a stop signal), so that even an endless stream of blank lines can be stopped.
    bool (*stopped)() = nullptr;
};

struct CsvField {
    std::string bytes;       // as they are in the file, quotes and doubled quotes undone
    std::int64_t offset = 0; // byte of the file where the field's text starts, from 0
};

struct CsvRecord {
    std::vector<CsvField> fields;
    int line = 0; // line of the file where the record starts, from 1
};

// Up to `size` bytes of the text into `data`: how many, 0 at its end, -1 on an error with
// `error` saying what went wrong.
using CsvRead = std::function<long(char* data, std::size_t size, std::string& error)>;

// CSV as spreadsheets write it (RFC 4180): quoted fields, doubled quotes, line breaks inside
// quotes, CRLF, LF or CR record ends, an optional UTF-8 byte-order mark. Read as a stream (a
// file, a pipe) a chunk at a time; delimiters are ASCII bytes, so any encoding that writes ASCII
// as ASCII (UTF-8, GB18030, Big5, ...) passes through as bytes.
class CsvReader {
  public:
    explicit CsvReader(CsvRead read, CsvLimits limits = {});

    // The next record that is not blank (spreadsheets write an empty row as a blank line or a
    // line of commas). Nothing at the end of the text, or when reading stopped: see error().
    std::optional<CsvRecord> Next();
    // Empty unless reading stopped early: a read error, an unclosed quote, an oversize record.
    const std::string& error() const { return error_; }

  private:
    int peek();
    void advance() { ++position_; }
    bool refill();
    std::int64_t offset() const { return consumed_ + std::int64_t(position_); }
    bool takeLineEnd();
    bool scanRecord(CsvRecord& record);
    bool scanQuoted(std::string& field);
    bool scanPlain(std::string& field);
    bool append(std::string& field, char c);
    bool fail(const std::string& message);
    void checkStart();

    CsvRead read_;
    CsvLimits limits_;
    std::string buffer_;
    std::size_t position_ = 0;
    std::int64_t consumed_ = 0; // bytes before buffer_
    bool ended_ = false;
    bool started_ = false;
    int line_ = 1;
    int recordLine_ = 1;
    std::string error_;
};
