#pragma once

#include <string>

class QRSymbol;

// What both programs print about one symbol on standard output and standard error.
namespace SymbolOutput {

// What the symbol looks like on standard output when no file is asked for.
enum class TerminalStyle {
    Automatic, // Utf8, coloured like Ansi only on a terminal without NO_COLOR
    Utf8,      // half blocks, no colour
    Ansi,      // half blocks, black on white colour escapes
    Ascii,     // "##" and two spaces per module, one line per module row
};

std::string TerminalArt(const QRSymbol& symbol, TerminalStyle style, int margin);

} // namespace SymbolOutput
