#pragma once

#include "raster/plain/RenderOptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A PNG file written straight from its rows over zlib: one IDAT of rows that are either
// unfiltered or Up-filtered, a repeated row costing one comparison. Palettes of 1, 2, 4 or 8
// bits (transparent entries through tRNS), RGB and RGBA. Plain C++, so that the command-line
// core and the Qt picture writers share it: the program's only PNG writer.
namespace PngRows {

enum class ColourType : unsigned char { Rgb = 2, Palette = 3, Rgba = 6 };
enum class Filter : unsigned char { None = 0, Up = 2 };

struct Layout {
    int width = 0;
    int height = 0;
    unsigned char depth = 8; // bits a sample (a palette index) in a row
    ColourType colourType = ColourType::Rgb;
    std::size_t rowBytes = 0; // unfiltered bytes of a row
    Filter filter = Filter::Up;
    int level = 1;              // zlib compression level
    bool runLengthOnly = false; // zlib's Z_RLE strategy instead of the default one
};

// Writes row y's unfiltered bytes to `out` and returns true, or returns false without writing
// when the row is the same as the row above (never asked for row 0).
using RowSource = std::function<bool(int y, unsigned char* out)>;

// The complete file; empty when zlib fails. `palette` is written for ColourType::Palette only,
// its alpha values as tRNS when an entry is not opaque.
std::string Encode(const Layout& layout, const std::vector<Colour>& palette,
                   const RowSource& source);

} // namespace PngRows
