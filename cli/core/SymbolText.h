#pragma once

#include <string>

class QRSymbol;

// Text forms of a finished symbol for standard output.
namespace SymbolText {

// "5" for a QR symbol of version 5, "M3" for the Micro QR symbol M3, "R13x77" for an rMQR
// symbol 13 modules high and 77 wide.
std::string VersionName(const QRSymbol& symbol);

// "L", "M", "Q" or "H"; "-" for M1, which only detects errors.
std::string LevelName(const QRSymbol& symbol);

// "version=V level=L mask=M bits=D segments=byte:17,numeric:10", then " eci=26" when the
// symbol declares a character set.
std::string InfoLine(const QRSymbol& symbol);

// One line of width characters per module row, '1' dark and '0' light, no margin, each line ending
// in '\n'.
std::string MatrixLines(const QRSymbol& symbol);

// The symbol as terminal text art that a phone can scan off the screen: two modules per
// character cell with half blocks (dark modules are ink), inside `margin` light modules. With
// colour, every line is black on white whatever the terminal's theme.
std::string HalfBlockArt(const QRSymbol& symbol, int margin, bool colour);

// "##" for a dark module and two spaces for a light one, one line per module row, for
// terminals and files without Unicode.
std::string AsciiArt(const QRSymbol& symbol, int margin);

} // namespace SymbolText
