#include "cli/core/batch/FieldDecoding.h"

#include "payload/PlainText.h"

#include <cerrno>

namespace {

// UTF-8 in any spelling iconv takes ("utf8", "UTF-8", "utf_8").
bool IsUtf8(const std::string& name) {
    std::string letters;
    for (const char c : PlainText::Lower(name))
        if (c != '-' && c != '_') letters += c;
    return letters == "utf8";
}

} // namespace

std::optional<FieldDecoding> FieldDecoding::Named(const std::string& name) {
    if (name.empty()) return std::nullopt;
    // UTF-8 needs no conversion, only a check, and is by far the common case.
    if (IsUtf8(name)) return FieldDecoding(name, nullptr);
    const iconv_t opened = iconv_open("UTF-8", name.c_str());
    if (opened == iconv_t(-1)) return std::nullopt;
    FieldDecoding decoding(name, Converter(opened));
    const std::string delimiters = "\",\r\n azAZ09";
    std::string text;
    if (decoding.convert(delimiters, text) || text != delimiters) return std::nullopt;
    // A stateful encoding (ISO-2022-JP, HZ, UTF-7) writes its other characters as ASCII bytes
    // after a shift, commas and quotes among them, so its text cannot be split at them: each of
    // these shifts is one character of its own in an encoding whose bytes stand alone.
    const std::string shifts = "~{\x1B$B+\x0E";
    if (decoding.convert(shifts, text) || PlainText::CharacterCount(text) != shifts.size())
        return std::nullopt;
    return decoding;
}

std::optional<std::size_t> FieldDecoding::convert(const std::string& bytes,
                                                  std::string& text) const {
    const iconv_t converter = iconv_t(converter_.get());
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // each field from the initial state
    text.assign(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t written = 0;
    bool failed = false;
    for (bool flushing = false;;) {
        char* out = text.data() + written;
        std::size_t outLeft = text.size() - written;
        const std::size_t done = flushing ? iconv(converter, nullptr, nullptr, &out, &outLeft)
                                          : iconv(converter, &in, &inLeft, &out, &outLeft);
        written = std::size_t(out - text.data());
        if (done == std::size_t(-1) && errno == E2BIG) {
            text.resize(text.size() * 2);
            continue;
        }
        failed = done == std::size_t(-1);
        if (failed || flushing) break;
        flushing = true;
    }
    text.resize(written);
    if (!failed) return std::nullopt;
    // EILSEQ and EINVAL (a character cut off at the end) both leave `in` at the bad byte.
    return std::size_t(in - bytes.data());
}

FieldDecoding::Text FieldDecoding::Decode(const CsvField& field) const {
    Text result;
    std::optional<std::size_t> bad;
    if (converter_) {
        bad = convert(field.bytes, result.text);
    } else if (const std::size_t at = PlainText::FirstInvalidUtf8(field.bytes);
               at != std::string::npos) {
        bad = at;
    } else {
        result.text = field.bytes;
    }
    if (!bad) return result;
    result.text.clear();
    result.error = "invalid " + name_ + " at byte " +
                   std::to_string(field.offset + std::int64_t(*bad)) + " of the file";
    return result;
}
