#include "cli/core/SymbolText.h"

#include "encoder/clsQRCode.h"

namespace SymbolText {

namespace {

const char* ModeName(int mode) {
    switch (mode) {
    case ModeNumeric: return "numeric";
    case ModeAlphanumeric: return "alphanumeric";
    case ModeKanji: return "kanji";
    default: return "byte";
    }
}

// Dark in the symbol, light anywhere in the quiet zone around it.
bool DarkWithMargin(const QRSymbol& symbol, int margin, int row, int column) {
    const int r = row - margin;
    const int c = column - margin;
    return r >= 0 && c >= 0 && r < symbol.height() && c < symbol.width() && symbol.dark(r, c);
}

// Upper half is the foreground colour, lower half the background colour.
const char* HalfBlock(bool topDark, bool bottomDark) {
    if (topDark && bottomDark) return "\u2588"; // █
    if (topDark) return "\u2580";               // ▀
    if (bottomDark) return "\u2584";            // ▄
    return " ";
}

} // namespace

std::string VersionName(const QRSymbol& symbol) {
    if (symbol.rmqr())
        return "R" + std::to_string(symbol.height()) + "x" + std::to_string(symbol.width());
    return (symbol.micro() ? "M" : "") + std::to_string(symbol.version());
}

std::string LevelName(const QRSymbol& symbol) {
    return symbol.errorDetectionOnly() ? "-" : std::string(1, LevelLetter(symbol.level()));
}

std::string InfoLine(const QRSymbol& symbol) {
    std::string line = "version=" + VersionName(symbol) + " level=" + LevelName(symbol) +
                       " mask=" + std::to_string(symbol.maskPattern()) +
                       " bits=" + std::to_string(symbol.streamBits()) + " segments=";
    for (std::size_t i = 0; i < symbol.segments().size(); ++i) {
        if (i > 0) line += ',';
        line += ModeName(symbol.segments()[i].mode);
        line += ':' + std::to_string(symbol.segments()[i].byteCount);
    }
    if (symbol.eci() > 0) line += " eci=" + std::to_string(symbol.eci());
    return line + '\n';
}

std::string MatrixLines(const QRSymbol& symbol) {
    std::string text;
    text.reserve(static_cast<std::size_t>(symbol.height()) * (symbol.width() + 1));
    for (int r = 0; r < symbol.height(); ++r) {
        for (int c = 0; c < symbol.width(); ++c) text += symbol.dark(r, c) ? '1' : '0';
        text += '\n';
    }
    return text;
}

// Terminals differ in what "default" colours are (dark themes, light themes), and a reader
// needs dark modules on a light ground. So with colour every line sets black on white
// explicitly (the basic ECMA-48 colours every terminal has) and resets before its line break,
// so the colour never bleeds into the rest of the line or into the prompt.
std::string HalfBlockArt(const QRSymbol& symbol, int margin, bool colour) {
    const int width = symbol.width() + 2 * margin;
    const int height = symbol.height() + 2 * margin;
    std::string text;
    for (int row = 0; row < height; row += 2) {
        if (colour) text += "\x1b[30;47m";
        for (int column = 0; column < width; ++column)
            text += HalfBlock(DarkWithMargin(symbol, margin, row, column),
                              DarkWithMargin(symbol, margin, row + 1, column));
        if (colour) text += "\x1b[0m";
        text += '\n';
    }
    return text;
}

std::string AsciiArt(const QRSymbol& symbol, int margin) {
    const int width = symbol.width() + 2 * margin;
    const int height = symbol.height() + 2 * margin;
    std::string text;
    text.reserve(static_cast<std::size_t>(height) * (2 * width + 1));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column)
            text += DarkWithMargin(symbol, margin, row, column) ? "##" : "  ";
        text += '\n';
    }
    return text;
}

} // namespace SymbolText
