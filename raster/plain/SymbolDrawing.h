#pragma once

#include "raster/plain/RenderOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct QRSymbol;

// The one way from a symbol to what every output draws: the dark runs of each module row, the
// quiet zone included, with the options they are drawn with. PNG rows, SVG, EPS and PDF paths
// and the Qt pictures are all made from a Drawing.
namespace SymbolDrawing {

// A picture larger than this a side is refused: it is no use as a symbol and would take
// gigabytes to draw.
constexpr int MaxPictureSide = 16384;

// Dark modules [column, column + length) of one module row, quiet zone included.
struct Run {
    int column = 0;
    int length = 0;
    bool operator==(const Run&) const = default;
};

struct Drawing {
    int columns = 0; // the symbol's width + 2 × margin
    RenderOptions options;
    std::vector<std::vector<Run>> rows; // one per module row, top first, quiet zone included

    int moduleRows() const { return int(rows.size()); }
    // Pixels (or points) wide and high: modules × scale.
    int width() const { return columns * options.scale; }
    int height() const { return moduleRows() * options.scale; }
    // The runs picture row y (0 ≤ y < height()) shows.
    const std::vector<Run>& runsOfPixelRow(int y) const {
        return rows[std::size_t(y / options.scale)];
    }
};

// (width + 2 × margin) × scale, the longer side of the drawn picture in pixels.
std::int64_t PictureSide(const QRSymbol& symbol, const RenderOptions& options);
// True when scale and margin are usable and the picture is within MaxPictureSide both ways.
bool Drawable(const QRSymbol& symbol, const RenderOptions& options);
// "a picture of W × H pixels is larger than the 16384-pixel limit"
std::string TooLargeText(const QRSymbol& symbol, const RenderOptions& options);

// The symbol must be Drawable.
Drawing Draw(const QRSymbol& symbol, const RenderOptions& options);

// Picture row y as 1-bit pixels, most significant bit first, dark = 1: `rowBytes` bytes.
void PackPixelRow(const Drawing& drawing, int y, unsigned char* out, std::size_t rowBytes);

} // namespace SymbolDrawing
