#include "raster/mdlFakeBarCode.h"

#include "raster/SymbolPictures.h"
#include "raster/plain/SymbolDrawing.h"

#include <cstring>

namespace mdlFakeBarCode {

namespace {

// An 8-bit picture whose palette maps matrix bytes to colours: 0 white, 1 black, 2 grey and
// 3–255 black. The matrix rows then go into the picture as they are.
QList<QRgb> moduleColours() {
    QList<QRgb> colours(256, qRgb(0, 0, 0));
    colours[0] = qRgb(255, 255, 255);
    colours[2] = qRgb(128, 128, 128);
    return colours;
}

constexpr int EncoderMargin = 4;

} // namespace

QImage MatrixToPicture(const std::uint8_t* bits, int width, int height, int left, int top,
                       int right, int bottom) {
    if (!bits || width <= 0 || height <= 0 || left < 0 || top < 0 || right < 0 || bottom < 0)
        return {};
    QImage picture(left + width + right, top + height + bottom, QImage::Format_Indexed8);
    if (picture.isNull()) return {};
    static const QList<QRgb> colours = moduleColours();
    picture.setColorTable(colours);
    picture.fill(0);
    for (int y = 0; y < height; ++y)
        std::memcpy(picture.scanLine(top + y) + left, bits + static_cast<std::ptrdiff_t>(y) * width,
                    static_cast<std::size_t>(width));
    return picture;
}

QImage SymbolPicture(const QRSymbol& symbol, Colour dark, Colour light) {
    const SymbolDrawing::Drawing drawing =
        SymbolDrawing::Draw(symbol, RenderOptions{1, EncoderMargin, dark, light});
    QImage picture(drawing.width(), drawing.height(), QImage::Format_Indexed8);
    if (picture.isNull()) return {};
    static const QList<QRgb> colours = moduleColours();
    QList<QRgb> table = colours;
    table[0] = SymbolPictures::RgbaOf(light);
    table[1] = SymbolPictures::RgbaOf(dark);
    picture.setColorTable(table);
    picture.fill(0);
    for (int y = 0; y < drawing.height(); ++y)
        for (const SymbolDrawing::Run& run : drawing.runsOfPixelRow(y))
            std::memset(picture.scanLine(y) + run.column, 1, std::size_t(run.length));
    return picture;
}

} // namespace mdlFakeBarCode
