#pragma once

#include <string>
#include <string_view>

// What the program writes for people: on a terminal, bytes that the terminal would obey rather
// than show (ESC sequences that retitle or clear it, BEL, C1 controls such as CSI) are shown as
// escapes; pipes and files get every byte as it is. Every message and the decoded payloads go
// through here.
namespace TerminalText {

// `bytes` with every byte a terminal would obey shown as an escape (Escape::Shown, keeping tab,
// line feed and a carriage return that ends a line): UTF-8 text is kept.
std::string Visible(std::string_view bytes);

bool IsTerminal(int fd);

// `bytes` as they should reach descriptor `fd`: Visible() when it is a terminal, else unchanged.
std::string ForDescriptor(int fd, std::string_view bytes);

// "quorlik-qr: MESSAGE" and a line feed on standard error.
void PrintError(std::string_view message);

} // namespace TerminalText
