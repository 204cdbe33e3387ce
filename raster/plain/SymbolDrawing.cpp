#include "raster/plain/SymbolDrawing.h"

#include "encoder/clsQRCode.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace SymbolDrawing {
namespace {

std::int64_t PixelsFor(int modules, const RenderOptions& options) {
    return (modules + 2 * std::int64_t(options.margin)) * options.scale;
}

// The runs from the row's modules as bits, column c at bit c % 64 of word c / 64, a light
// column after the last: tested one by one, modules at random places cost a mispredicted branch
// each, while here the run boundaries are found word by word. `bits` is the caller's scratch of
// width / 64 + 1 words.
std::vector<Run> DarkRuns(const QRSymbol& symbol, int row, int margin,
                          std::vector<std::uint64_t>& bits) {
    const int width = symbol.width();
    const std::uint8_t* const modules =
        symbol.modules().data() + std::size_t(row) * std::size_t(width);
    for (std::size_t word = 0; word < bits.size(); ++word) {
        // Gathered in a register: or-ing into memory a module at a time chains every store.
        const std::size_t first = word * 64;
        const std::size_t count =
            std::min<std::size_t>(64, std::size_t(width) - std::min(first, std::size_t(width)));
        std::uint64_t packed = 0;
        for (std::size_t bit = 0; bit < count; ++bit)
            packed |= std::uint64_t(modules[first + bit] != 0) << bit;
        bits[word] = packed;
    }
    // A run starts where a dark module follows a light one and ends where a light one follows
    // a dark one: the bits that differ from their left neighbour, in pairs.
    std::vector<Run> runs;
    runs.reserve(std::size_t(width) / 2 + 1);
    std::uint64_t carry = 0;
    int start = 0;
    bool inRun = false;
    for (std::size_t word = 0; word * 64 <= std::size_t(width); ++word) {
        std::uint64_t edges = bits[word] ^ ((bits[word] << 1) | carry);
        carry = bits[word] >> 63;
        while (edges != 0) {
            const int column = int(word * 64) + __builtin_ctzll(edges);
            edges &= edges - 1;
            if (!inRun)
                start = column;
            else
                runs.push_back({start + margin, column - start});
            inRun = !inRun;
        }
    }
    return runs;
}

// Bits [first, last) of a row, most significant bit first, set: whole bytes at once, a module
// being many pixels wide at any useful scale.
void SetBits(unsigned char* out, std::size_t first, std::size_t last) {
    const std::size_t firstByte = first >> 3, lastByte = last >> 3;
    const auto from = [](std::size_t bit) { return static_cast<unsigned char>(0xFF >> (bit & 7)); };
    if (firstByte == lastByte) {
        out[firstByte] |= static_cast<unsigned char>(from(first) & ~from(last));
        return;
    }
    out[firstByte] |= from(first);
    std::memset(out + firstByte + 1, 0xFF, lastByte - firstByte - 1);
    if (last & 7) out[lastByte] |= static_cast<unsigned char>(~from(last));
}

} // namespace

std::int64_t PictureSide(const QRSymbol& symbol, const RenderOptions& options) {
    return PixelsFor(std::max(symbol.width(), symbol.height()), options);
}

bool Drawable(const QRSymbol& symbol, const RenderOptions& options) {
    return options.scale >= 1 && options.margin >= 0 &&
           PictureSide(symbol, options) <= MaxPictureSide;
}

std::string TooLargeText(const QRSymbol& symbol, const RenderOptions& options) {
    const auto pixels = [&](int modules) {
        return std::to_string(std::min<std::int64_t>(PixelsFor(modules, options), INT32_MAX));
    };
    return "a picture of " + pixels(symbol.width()) + " \u00d7 " + pixels(symbol.height()) +
           " pixels is larger than the " + std::to_string(MaxPictureSide) + "-pixel limit";
}

Drawing Draw(const QRSymbol& symbol, const RenderOptions& options) {
    Drawing drawing;
    drawing.options = options;
    drawing.columns = symbol.width() + 2 * options.margin;
    drawing.rows.resize(std::size_t(symbol.height() + 2 * options.margin));
    std::vector<std::uint64_t> bits(std::size_t(symbol.width()) / 64 + 1);
    for (int row = 0; row < symbol.height(); ++row)
        drawing.rows[std::size_t(row + options.margin)] =
            DarkRuns(symbol, row, options.margin, bits);
    return drawing;
}

void PackPixelRow(const Drawing& drawing, int y, unsigned char* out, std::size_t rowBytes) {
    std::memset(out, 0, rowBytes);
    const int scale = drawing.options.scale;
    for (const Run& run : drawing.runsOfPixelRow(y))
        SetBits(out, std::size_t(run.column) * scale, std::size_t(run.column + run.length) * scale);
}

} // namespace SymbolDrawing
