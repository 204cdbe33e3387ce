#pragma once

#include <string>
#include <string_view>

// What the program writes for people: on a terminal, bytes that the terminal would obey rather
// than show (ESC sequences that retitle or clear it, BEL, C1 controls such as CSI) are shown as
// escapes; pipes and files get every byte as it is. Every message and the decoded payloads go
// through here.
namespace TerminalText {

// The C escape of one byte: \n, \r, \t, \0, \a, \b, \f, \v, any other as \xNN (ESC is \x1B).
void AppendEscape(std::string& out, unsigned char byte);

// `bytes` with every byte a terminal would obey shown as an escape: C0 controls but tab and line
// feed (and a carriage return that ends a line), DEL, the C1 controls U+0080–U+009F, and bytes
// that are not UTF-8 (a lone 0x9B is CSI to some terminals). Everything else, UTF-8 text
// included, is kept.
std::string Visible(std::string_view bytes);

bool IsTerminal(int fd);

// `bytes` as they should reach descriptor `fd`: Visible() when it is a terminal, else unchanged.
std::string ForDescriptor(int fd, std::string_view bytes);

// "quorlik-qr: MESSAGE" and a line feed on standard error.
void PrintError(std::string_view message);

} // namespace TerminalText
