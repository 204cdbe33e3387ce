#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct QRSymbol;

// An independent reader: zxing-cpp, the decoder many phone apps are built on.
struct DecodedSymbol {
    std::string bytes;   // raw content bytes, no character-set conversion
    std::string text;    // content as zxing-cpp presents it (UTF-8)
    std::string ecLevel; // "L", "M", "Q" or "H"
};

std::optional<DecodedSymbol> DecodeImage(const QImage& image);
// Renders the symbol with a 4-module margin at `scale` pixels per module, then decodes it.
std::optional<DecodedSymbol> DecodeSymbol(const QRSymbol& symbol, int scale = 3);
std::string BytesOf(const std::vector<std::uint8_t>& bytes);
