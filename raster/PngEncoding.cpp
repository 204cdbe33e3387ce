#include "PngEncoding.h"

#include "PicturePalette.h"
#include "RgbPng.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace PngEncoding {
namespace {

// Level 2 of zlib: measured on composed pictures, within a few per cent of the default level's
// size at a third of its time.
constexpr int ZlibLevel = 2;

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<QByteArray*>(png_get_io_ptr(png));
    bytes->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flushNothing(png_structp) {}

void raiseError(png_structp png, png_const_charp message) {
    auto* error = static_cast<QString*>(png_get_error_ptr(png));
    *error = QString::fromUtf8(message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

int bitDepthFor(qsizetype colours) {
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// One row of 8-bit indices packed to `depth` (1, 2 or 4) bits a pixel, most significant first.
void packRow(const uchar* indices, int width, int depth, png_byte* packed) {
    const int perByte = 8 / depth;
    const int whole = width / perByte;
    if (depth == 1) {
        for (int b = 0; b < whole; ++b) {
            const uchar* p = indices + 8 * b;
            packed[b] = png_byte(p[0] << 7 | p[1] << 6 | p[2] << 5 | p[3] << 4 | p[4] << 3 |
                                 p[5] << 2 | p[6] << 1 | p[7]);
        }
    } else {
        for (int b = 0; b < whole; ++b) {
            unsigned value = 0;
            for (int k = 0; k < perByte; ++k) value = (value << depth) | indices[b * perByte + k];
            packed[b] = png_byte(value);
        }
    }
    if (whole * perByte == width) return;
    unsigned value = 0;
    for (int k = 0; k < perByte; ++k) {
        const int x = whole * perByte + k;
        value = (value << depth) | (x < width ? indices[x] : 0u);
    }
    packed[whole] = png_byte(value);
}

struct Writer {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QByteArray bytes;
    QString error;

    Writer() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, raiseError, ignoreWarning);
        if (png) info = png_create_info_struct(png);
        if (info) png_set_write_fn(png, &bytes, appendBytes, flushNothing);
    }
    ~Writer() { png_destroy_write_struct(&png, &info); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
};

// What the palette writer needs, prepared before libpng may longjmp: the writing steps change no
// local variable, so nothing is left indeterminate by an error.
struct PaletteRows {
    const QImage* indices = nullptr;
    int depth = 8;
    std::vector<png_color> colours;
    std::vector<png_byte> packed; // one packed row
};

bool writePaletteRows(Writer& w, PaletteRows& p) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_IHDR(w.png, w.info, png_uint_32(p.indices->width()), png_uint_32(p.indices->height()),
                 p.depth, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(w.png, w.info, p.colours.data(), int(p.colours.size()));
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(w.png, ZlibLevel);
    png_write_info(w.png, w.info);
    for (int y = 0; y < p.indices->height(); ++y) {
        if (p.depth == 8) {
            png_write_row(w.png, p.indices->constScanLine(y));
            continue;
        }
        // A row like the one above is already packed.
        const uchar* row = p.indices->constScanLine(y);
        if (y == 0 ||
            std::memcmp(row, p.indices->constScanLine(y - 1), size_t(p.indices->width())) != 0)
            packRow(row, p.indices->width(), p.depth, p.packed.data());
        png_write_row(w.png, p.packed.data());
    }
    png_write_end(w.png, nullptr);
    return true;
}

bool writePalette(Writer& w, const PalettePicture& palette) {
    PaletteRows rows;
    rows.indices = &palette.indices;
    rows.depth = bitDepthFor(palette.colours.size());
    for (QRgb c : palette.colours)
        rows.colours.push_back(
            png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
    rows.packed.resize(size_t(palette.indices.width()));
    return writePaletteRows(w, rows);
}

// A 1-bit picture's rows are already PNG's rows (most significant bit first).
bool writeOneBit(Writer& w, const QImage& picture, const png_color* colours) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_IHDR(w.png, w.info, png_uint_32(picture.width()), png_uint_32(picture.height()), 1,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(w.png, w.info, colours, 2);
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(w.png, ZlibLevel);
    png_write_info(w.png, w.info);
    for (int y = 0; y < picture.height(); ++y) png_write_row(w.png, picture.constScanLine(y));
    png_write_end(w.png, nullptr);
    return true;
}

bool isOpaqueOneBit(const QImage& picture) {
    if (picture.format() != QImage::Format_Mono || picture.colorCount() != 2) return false;
    return qAlpha(picture.color(0)) == 255 && qAlpha(picture.color(1)) == 255;
}

bool writeTrueColour(Writer& w, const QImage& picture) {
    const bool alpha = picture.hasAlphaChannel();
    const QImage pixels =
        picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_IHDR(w.png, w.info, png_uint_32(pixels.width()), png_uint_32(pixels.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // The rows of a symbol repeat the row above (modules are several pixels tall), which the Up
    // filter turns into zeros; run-length matching finds those and the colour runs fastest.
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(w.png, Z_RLE);
    png_set_compression_level(w.png, 1);
    png_write_info(w.png, w.info);
    for (int y = 0; y < pixels.height(); ++y)
        png_write_row(w.png, const_cast<png_bytep>(pixels.constScanLine(y)));
    png_write_end(w.png, nullptr);
    return true;
}

} // namespace

PngResult EncodePng(const QImage& picture) {
    PngResult result;
    if (picture.isNull()) {
        result.error = QStringLiteral("PNG: no picture");
        return result;
    }
    Writer writer;
    if (!writer.info) {
        result.error = QStringLiteral("PNG: out of memory");
        return result;
    }
    bool written = false;
    if (isOpaqueOneBit(picture)) {
        const png_color colours[2] = {
            {png_byte(qRed(picture.color(0))), png_byte(qGreen(picture.color(0))),
             png_byte(qBlue(picture.color(0)))},
            {png_byte(qRed(picture.color(1))), png_byte(qGreen(picture.color(1))),
             png_byte(qBlue(picture.color(1)))}};
        written = writeOneBit(writer, picture, colours);
    } else if (const std::optional<PalettePicture> palette = ExactPalette(picture)) {
        written = writePalette(writer, *palette);
    } else if (!picture.hasAlphaChannel()) {
        result.bytes = RgbPng::Encode(picture);
        result.encoded = !result.bytes.isEmpty();
        if (!result.encoded) result.error = QStringLiteral("PNG: zlib failed");
        return result;
    } else {
        written = writeTrueColour(writer, picture);
    }
    if (!written) {
        result.error = QStringLiteral("PNG: %1").arg(writer.error);
        return result;
    }
    result.encoded = true;
    result.bytes = std::move(writer.bytes);
    return result;
}

} // namespace PngEncoding
