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

std::vector<Run> DarkRuns(const QRSymbol& symbol, int row, int margin) {
    std::vector<Run> runs;
    const int width = symbol.width();
    for (int column = 0; column < width;) {
        if (!symbol.dark(row, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < width && symbol.dark(row, end)) ++end;
        runs.push_back({column + margin, end - column});
        column = end;
    }
    return runs;
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
    for (int row = 0; row < symbol.height(); ++row)
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
