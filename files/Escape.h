#pragma once

#include <string>
#include <string_view>

// The one way bytes are shown to people: messages, file names and, on a terminal, decoded
// payloads. Nothing a terminal would obey (ESC sequences, BEL, C1 controls such as CSI) and
// nothing that is not text reaches the screen raw; every byte has one spelling.
namespace Escape {

struct Style {
    bool quoted = false;    // inside "…", with '"' and '\' escaped as well: a name
    bool keepLines = false; // tab, line feed and a carriage return before one pass: text lines
};

// C0 controls and DEL as C escapes (\n \r \t \0 \a \b \f \v, any other \xNN); each byte of a
// C1 control or of anything that is not well-formed UTF-8 as \xNN; UTF-8 text as it is.
std::string Shown(std::string_view bytes, Style style = {});

// The escape of one byte, as Shown spells it.
void AppendByte(std::string& out, unsigned char byte);

} // namespace Escape
