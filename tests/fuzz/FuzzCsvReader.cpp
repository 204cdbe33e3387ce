// Arbitrary bytes through the CSV reader and the field decoding, handed over in chunks of every
// size: records stay within their bounds, lines only go forward, clean UTF-8 decodes losslessly
// and GB18030 (through iconv) decodes to UTF-8 or is refused.
#include "cli/core/batch/CsvReader.h"
#include "cli/core/batch/FieldDecoding.h"
#include "payload/PlainText.h"

#include <algorithm>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Hands out at most `chunk` bytes a read, as a pipe may.
CsvRead Trickle(const std::uint8_t* data, std::size_t size, std::size_t chunk) {
    return [=, at = std::size_t(0)](char* out, std::size_t capacity, std::string&) mutable {
        const std::size_t n = std::min({capacity, chunk, size - at});
        std::copy_n(data + at, n, out);
        at += n;
        return long(n);
    };
}

void checkRecord(const CsvRecord& record, const CsvLimits& limits, std::size_t size,
                 const FieldDecoding& utf8, const FieldDecoding& gb18030) {
    require(!record.fields.empty() && record.fields.size() <= limits.fieldsPerRecord);
    bool blank = true;
    for (const CsvField& field : record.fields) {
        require(field.bytes.size() <= limits.fieldBytes);
        require(field.offset >= 0 && std::size_t(field.offset) + field.bytes.size() <= size);
        blank = blank && field.bytes.empty();
        const FieldDecoding::Text text = utf8.Decode(field);
        require(text.error.empty() ==
                (PlainText::FirstInvalidUtf8(field.bytes) == std::string::npos));
        if (text.error.empty()) require(text.text == field.bytes);
        const FieldDecoding::Text chinese = gb18030.Decode(field);
        require(chinese.error.empty()
                    ? PlainText::FirstInvalidUtf8(chinese.text) == std::string::npos
                    : chinese.text.empty());
    }
    require(!blank);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FieldDecoding utf8 = std::move(*FieldDecoding::Named("UTF-8"));
    static const FieldDecoding gb18030 = std::move(*FieldDecoding::Named("GB18030"));
    if (size < 1) return 0;
    // Small bounds, so that short inputs reach them too.
    CsvLimits limits;
    limits.fieldBytes = 64;
    limits.fieldsPerRecord = 8;
    CsvReader reader(Trickle(data + 1, size - 1, 1 + data[0] % 16), limits);
    int lastLine = 0;
    while (const std::optional<CsvRecord> record = reader.Next()) {
        require(record->line > lastLine);
        lastLine = record->line;
        checkRecord(*record, limits, size - 1, utf8, gb18030);
    }
    require(!reader.Next());
    return 0;
}
