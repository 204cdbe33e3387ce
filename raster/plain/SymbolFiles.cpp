#include "raster/plain/SymbolFiles.h"

#include "encoder/clsQRCode.h"
#include "raster/plain/PngRows.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace SymbolFiles {
namespace {

// Row y of the picture as 1-bit pixels, most significant bit first, dark = 1.
void PackRow(const QRSymbol& symbol, int scale, int margin, int row, unsigned char* out,
             std::size_t rowBytes) {
    std::memset(out, 0, rowBytes);
    for (int column = 0; column < symbol.side(); ++column) {
        if (!symbol.dark(row, column)) continue;
        const int x0 = (column + margin) * scale;
        for (int x = x0; x < x0 + scale; ++x)
            out[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
    }
}

// Each horizontal run of dark modules is one closed rectangle of the path; runs in one path
// keep the file small and leave no hairline seams between neighbouring modules.
void AppendRowRuns(const QRSymbol& symbol, int row, int margin, std::string& path) {
    const int h = symbol.side();
    for (int column = 0; column < h;) {
        if (!symbol.dark(row, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < h && symbol.dark(row, end)) ++end;
        const std::string length = std::to_string(end - column);
        path += 'M' + std::to_string(column + margin) + ' ' + std::to_string(row + margin) + 'h' +
                length + "v1h-" + length + 'z';
        column = end;
    }
}

} // namespace

std::int64_t PictureSide(const QRSymbol& symbol, int scale, int margin) {
    return std::int64_t(symbol.side() + 2 * std::int64_t(margin)) * scale;
}

bool Drawable(const QRSymbol& symbol, int scale, int margin) {
    return scale >= 1 && margin >= 0 && PictureSide(symbol, scale, margin) <= MaxPictureSide;
}

std::string TooLargeText(const QRSymbol& symbol, int scale, int margin) {
    const std::string side =
        std::to_string(std::min<std::int64_t>(PictureSide(symbol, scale, margin), INT32_MAX));
    return "a picture of " + side + " \u00d7 " + side + " pixels is larger than the " +
           std::to_string(MaxPictureSide) + "-pixel limit";
}

std::string Png(const QRSymbol& symbol, int scale, int margin) {
    PngRows::Layout layout;
    layout.width = layout.height = static_cast<int>(PictureSide(symbol, scale, margin));
    layout.depth = 1;
    layout.colourType = PngRows::ColourType::Palette;
    layout.rowBytes = (std::size_t(layout.width) + 7) / 8;
    layout.filter = PngRows::Filter::None;
    layout.level = 2;
    // A module row is `scale` equal picture rows, and the margin rows are all light.
    const auto moduleRow = [&](int y) { return y / scale - margin; };
    const auto inSymbol = [&](int row) { return row >= 0 && row < symbol.side(); };
    return PngRows::Encode(layout, {{255, 255, 255}, {0, 0, 0}}, [&](int y, unsigned char* out) {
        const int row = moduleRow(y);
        if (y > 0 && (row == moduleRow(y - 1) || (!inSymbol(row) && !inSymbol(moduleRow(y - 1)))))
            return false;
        if (inSymbol(row))
            PackRow(symbol, scale, margin, row, out, layout.rowBytes);
        else
            std::memset(out, 0, layout.rowBytes);
        return true;
    });
}

std::string Svg(const QRSymbol& symbol, int pixelsPerModule, int margin,
                const std::string& overlay) {
    const std::string modules = std::to_string(symbol.side() + 2 * margin);
    const std::string pixels = std::to_string((symbol.side() + 2 * margin) * pixelsPerModule);
    std::string path;
    for (int row = 0; row < symbol.side(); ++row) AppendRowRuns(symbol, row, margin, path);
    const std::string xlink =
        overlay.empty() ? std::string() : " xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\"" +
           xlink + " version=\"1.1\" width=\"" + pixels + "\" height=\"" + pixels +
           "\" viewBox=\"0 0 " + modules + ' ' + modules +
           "\" shape-rendering=\"crispEdges\">\n"
           "<rect width=\"" +
           modules + "\" height=\"" + modules +
           "\" fill=\"#ffffff\"/>\n<path fill=\"#000000\" d=\"" + path + "\"/>\n" + overlay +
           "</svg>\n";
}

} // namespace SymbolFiles
