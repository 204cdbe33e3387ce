#pragma once

#include <cstdint>
#include <string>

struct QRSymbol;

// A symbol written as a PNG or SVG file's bytes, with whole pixels per module inside a light
// margin: the one implementation behind ImageExport's symbol sources and the command-line core.
namespace SymbolFiles {

// A picture larger than this a side is refused: it is no use as a symbol and would take
// gigabytes to draw.
constexpr int MaxPictureSide = 16384;

// (side + 2 × margin) × scale, the side of the drawn picture in pixels.
std::int64_t PictureSide(const QRSymbol& symbol, int scale, int margin);
// True when scale and margin are usable and the picture is within MaxPictureSide.
bool Drawable(const QRSymbol& symbol, int scale, int margin);
// "a picture of N × N pixels is larger than the 16384-pixel limit"
std::string TooLargeText(const QRSymbol& symbol, int scale, int margin);

// One-bit palette PNG, white index 0 and black index 1; empty when zlib fails, which is told
// as PngFailedText. The symbol must be Drawable.
std::string Png(const QRSymbol& symbol, int scale, int margin);
inline constexpr char PngFailedText[] = "the picture could not be encoded (PNG: zlib failed)";

// A white square and one path of dark modules, viewBox in modules, drawn crisp; width and
// height are modules × pixelsPerModule. `overlay`, when given, is markup drawn over the symbol
// (a logo's <image>), for which the xlink namespace is declared.
std::string Svg(const QRSymbol& symbol, int pixelsPerModule, int margin,
                const std::string& overlay = {});

} // namespace SymbolFiles
