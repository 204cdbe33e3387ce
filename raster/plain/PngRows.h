#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A PNG file written straight from its rows over zlib: one IDAT of rows that are either
// unfiltered or Up-filtered, a repeated row costing one comparison. Plain C++, so that the
// command-line core and the Qt picture writers share it.
namespace PngRows {

enum class ColourType : unsigned char { Rgb = 2, Palette = 3 };
enum class Filter : unsigned char { None = 0, Up = 2 };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

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

// The complete file; empty when zlib fails. `palette` is written for ColourType::Palette only.
std::string Encode(const Layout& layout, const std::vector<Rgb>& palette, const RowSource& source);

} // namespace PngRows
