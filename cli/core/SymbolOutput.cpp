#include "cli/core/SymbolOutput.h"

#include "cli/core/SymbolText.h"
#include "encoder/EcLevel.h"

#include <unistd.h>

#include <cstdlib>

namespace SymbolOutput {
namespace {

// Colour only for a person at a terminal who has not asked for none (no-color.org).
bool ColourWanted() {
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0');
}

} // namespace

std::string TerminalArt(const QRSymbol& symbol, TerminalStyle style, int margin) {
    switch (style) {
    case TerminalStyle::Ascii: return SymbolText::AsciiArt(symbol, margin);
    case TerminalStyle::Ansi: return SymbolText::HalfBlockArt(symbol, margin, true);
    case TerminalStyle::Utf8: return SymbolText::HalfBlockArt(symbol, margin, false);
    case TerminalStyle::Automatic: break;
    }
    return SymbolText::HalfBlockArt(symbol, margin, ColourWanted());
}

} // namespace SymbolOutput
