#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct QRSymbol;

// An independent reader: zxing-cpp, the decoder many phone apps are built on.
struct DecodedSymbol {
    std::string bytes;    // raw content bytes, no character-set conversion
    std::string text;     // content as zxing-cpp presents it (UTF-8)
    std::string ecLevel;  // "L", "M", "Q" or "H"
    bool hasEci = false;  // an ECI designator was found
    std::string bytesEci; // the content following the ECI protocol, designators as "\\000026"
};

std::optional<DecodedSymbol> DecodeImage(const QImage& image);
// The symbol in black on white with a 4-module margin, `scale` pixels per module.
QImage SymbolPicture(const QRSymbol& symbol, int scale = 3);
// Renders the symbol as SymbolPicture does, then decodes it.
std::optional<DecodedSymbol> DecodeSymbol(const QRSymbol& symbol, int scale = 3);
std::string BytesOf(const std::vector<std::uint8_t>& bytes);
