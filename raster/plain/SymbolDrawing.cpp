#include "raster/plain/SymbolDrawing.h"

#include "encoder/clsQRCode.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace SymbolDrawing {
namespace {

std::vector<Run> DarkRuns(const QRSymbol& symbol, int row, int margin) {
    std::vector<Run> runs;
    const int side = symbol.side();
    for (int column = 0; column < side;) {
        if (!symbol.dark(row, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < side && symbol.dark(row, end)) ++end;
        runs.push_back({column + margin, end - column});
        column = end;
    }
    return runs;
}

} // namespace

std::int64_t PictureSide(const QRSymbol& symbol, const RenderOptions& options) {
    return std::int64_t(symbol.side() + 2 * std::int64_t(options.margin)) * options.scale;
}

bool Drawable(const QRSymbol& symbol, const RenderOptions& options) {
    return options.scale >= 1 && options.margin >= 0 &&
           PictureSide(symbol, options) <= MaxPictureSide;
}

std::string TooLargeText(const QRSymbol& symbol, const RenderOptions& options) {
    const std::string side =
        std::to_string(std::min<std::int64_t>(PictureSide(symbol, options), INT32_MAX));
    return "a picture of " + side + " \u00d7 " + side + " pixels is larger than the " +
           std::to_string(MaxPictureSide) + "-pixel limit";
}

Drawing Draw(const QRSymbol& symbol, const RenderOptions& options) {
    Drawing drawing;
    drawing.options = options;
    drawing.modules = symbol.side() + 2 * options.margin;
    drawing.rows.resize(std::size_t(drawing.modules));
    for (int row = 0; row < symbol.side(); ++row)
        drawing.rows[std::size_t(row + options.margin)] = DarkRuns(symbol, row, options.margin);
    return drawing;
}

void PackPixelRow(const Drawing& drawing, int y, unsigned char* out, std::size_t rowBytes) {
    std::memset(out, 0, rowBytes);
    const int scale = drawing.options.scale;
    for (const Run& run : drawing.runsOfPixelRow(y))
        for (int x = run.column * scale; x < (run.column + run.length) * scale; ++x)
            out[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
}

} // namespace SymbolDrawing
