// The rows of Qt pictures handed to the PNG row writer (plain/PngRows), which holds the why.
#include "raster/DirectPng.h"

#include "raster/plain/PngRows.h"

#include <cstring>

namespace DirectPng {
namespace {

QByteArray encode(const PngRows::Layout& layout, const QList<QRgb>& colours,
                  const PngRows::RowSource& source) {
    std::vector<Colour> palette;
    palette.reserve(std::size_t(colours.size()));
    for (QRgb c : colours)
        palette.push_back({uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c)), uchar(qAlpha(c))});
    return QByteArray::fromStdString(PngRows::Encode(layout, palette, source));
}

bool sameAsAbove(const QImage& picture, int y, std::size_t bytes) {
    return std::memcmp(picture.constScanLine(y), picture.constScanLine(y - 1), bytes) == 0;
}

unsigned char depthFor(qsizetype colours) {
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// One row of 8-bit indices packed to `depth` bits a pixel, most significant first.
void packRow(const uchar* indices, int width, int depth, unsigned char* packed) {
    if (depth == 8) {
        std::memcpy(packed, indices, std::size_t(width));
        return;
    }
    const int perByte = 8 / depth;
    const int wholeBytes = width / perByte;
    // Whole bytes without a test per pixel; the last byte, if partly filled, after them.
    for (int b = 0; b < wholeBytes; ++b) {
        unsigned value = 0;
        for (int k = 0; k < perByte; ++k) value = (value << depth) | indices[b * perByte + k];
        packed[b] = static_cast<unsigned char>(value);
    }
    if (const int rest = width - wholeBytes * perByte; rest > 0) {
        unsigned value = 0;
        for (int k = 0; k < perByte; ++k)
            value = (value << depth) | (k < rest ? indices[wholeBytes * perByte + k] : 0u);
        packed[wholeBytes] = static_cast<unsigned char>(value);
    }
}

} // namespace

QByteArray EncodeRgb(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    PngRows::Layout layout;
    layout.width = rgb.width();
    layout.height = rgb.height();
    layout.rowBytes = 3 * std::size_t(layout.width);
    // Runs of one colour and of zeros: run-length matching at the fastest level.
    layout.runLengthOnly = true;
    return encode(layout, {}, [&](int y, unsigned char* out) {
        if (y > 0 && sameAsAbove(rgb, y, std::size_t(layout.width) * sizeof(QRgb))) return false;
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < layout.width; ++x) {
            out[3 * x] = static_cast<unsigned char>(qRed(row[x]));
            out[3 * x + 1] = static_cast<unsigned char>(qGreen(row[x]));
            out[3 * x + 2] = static_cast<unsigned char>(qBlue(row[x]));
        }
        return true;
    });
}

QByteArray EncodeRgba(const QImage& picture) {
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    PngRows::Layout layout;
    layout.width = rgba.width();
    layout.height = rgba.height();
    layout.colourType = PngRows::ColourType::Rgba;
    layout.rowBytes = 4 * std::size_t(layout.width);
    layout.runLengthOnly = true;
    return encode(layout, {}, [&](int y, unsigned char* out) {
        if (y > 0 && sameAsAbove(rgba, y, layout.rowBytes)) return false;
        std::memcpy(out, rgba.constScanLine(y), layout.rowBytes);
        return true;
    });
}

QByteArray EncodePalette(const PalettePicture& palette) {
    const QImage& indices = palette.indices;
    PngRows::Layout layout;
    layout.width = indices.width();
    layout.height = indices.height();
    layout.depth = depthFor(palette.colours.size());
    layout.colourType = PngRows::ColourType::Palette;
    layout.rowBytes = (std::size_t(layout.width) * layout.depth + 7) / 8;
    layout.filter = PngRows::Filter::None; // rows of whole bytes of indices: smaller unfiltered
    layout.level = 2;
    return encode(layout, palette.colours, [&](int y, unsigned char* out) {
        if (y > 0 && sameAsAbove(indices, y, std::size_t(layout.width))) return false;
        packRow(indices.constScanLine(y), layout.width, layout.depth, out);
        return true;
    });
}

QByteArray EncodeOneBit(const QImage& picture) {
    PngRows::Layout layout;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.depth = 1;
    layout.colourType = PngRows::ColourType::Palette;
    layout.rowBytes = (std::size_t(layout.width) + 7) / 8;
    layout.filter = PngRows::Filter::None;
    layout.level = 2;
    return encode(layout, {picture.color(0), picture.color(1)}, [&](int y, unsigned char* out) {
        if (y > 0 && sameAsAbove(picture, y, layout.rowBytes)) return false;
        std::memcpy(out, picture.constScanLine(y), layout.rowBytes);
        return true;
    });
}

QByteArray Encode(const QImage& picture) {
    if (picture.isNull()) return {};
    if (picture.format() == QImage::Format_Mono && picture.colorCount() == 2)
        return EncodeOneBit(picture);
    if (const std::optional<PalettePicture> palette = ExactPalette(picture, true))
        return EncodePalette(*palette);
    return picture.hasAlphaChannel() ? EncodeRgba(picture) : EncodeRgb(picture);
}

} // namespace DirectPng
