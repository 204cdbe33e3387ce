#pragma once

#include "cli/core/batch/CsvReader.h"

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>

// Turns the bytes of CSV fields into UTF-8 text from the file's encoding, through iconv (GB18030,
// GBK, Big5, Shift_JIS, Latin-1, ...). Bytes that are not valid in that encoding are an error,
// never a silent replacement character.
class FieldDecoding {
  public:
    // Nothing when iconv knows no such encoding, or when it does not write ASCII as ASCII (UTF-16,
    // UTF-32) or shifts into other characters written as ASCII bytes (ISO-2022-JP, HZ, UTF-7):
    // the CSV is split at ASCII bytes before anything is decoded.
    static std::optional<FieldDecoding> Named(const std::string& name);

    struct Text {
        std::string text;  // UTF-8
        std::string error; // "invalid UTF-8 at byte 1234 of the file"
    };
    // Each field on its own: a byte-order mark inside the text is content.
    Text Decode(const CsvField& field) const;
    const std::string& name() const { return name_; }

  private:
    struct CloseConverter {
        void operator()(void* converter) const { iconv_close(iconv_t(converter)); }
    };
    using Converter = std::unique_ptr<void, CloseConverter>;

    FieldDecoding(std::string name, Converter converter)
        : name_(std::move(name)), converter_(std::move(converter)) {}
    // Where the conversion stopped at a bad byte; nothing when the bytes are all valid.
    std::optional<std::size_t> convert(const std::string& bytes, std::string& text) const;

    std::string name_;
    Converter converter_; // none for UTF-8, which is only checked
};
