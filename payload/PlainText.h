#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small operations on UTF-8 text that the payload kinds and the batch share.
namespace PlainText {

// Without the white space at either end: ASCII white space and the Unicode spaces (no-break,
// ideographic, line and paragraph separators, ...), as spreadsheets and people type them.
std::string Trimmed(std::string_view text);
// ASCII letters in lower case; every other byte as it is.
std::string Lower(std::string_view text);
// The pieces between separators; "" gives one empty piece.
std::vector<std::string> Split(std::string_view text, char separator);
std::string Joined(const std::vector<std::string>& parts, std::string_view separator);
// Whether any character is a Han ideograph (CJK unified and compatibility ideographs, their
// radicals, 々 and 〇).
bool HasHan(std::string_view text);
// Where the first byte that does not begin well-formed UTF-8 is (overlong forms, surrogates
// and code points past U+10FFFF are not); npos when the text is UTF-8 throughout.
std::size_t FirstInvalidUtf8(std::string_view text);
// How many characters (code points; a byte that is not UTF-8 counts as one).
std::size_t CharacterCount(std::string_view text);
// How many bytes the first `characters` characters take.
std::size_t BytesOfFirst(std::string_view text, std::size_t characters);
// The code point at `at` and how many bytes it takes; a byte that does not start well-formed
// UTF-8 counts as one byte, code point U+FFFD.
char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length);

} // namespace PlainText
