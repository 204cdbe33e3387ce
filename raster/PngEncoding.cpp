#include "raster/PngEncoding.h"

#include "raster/DirectPng.h"
#include "raster/PicturePalette.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>

namespace PngEncoding {
namespace {

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

bool isOpaqueOneBit(const QImage& picture) {
    if (picture.format() != QImage::Format_Mono || picture.colorCount() != 2) return false;
    return qAlpha(picture.color(0)) == 255 && qAlpha(picture.color(1)) == 255;
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

bool writeWithAlpha(Writer& w, const QImage& picture) {
    const QImage pixels = picture.convertToFormat(QImage::Format_RGBA8888);
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_IHDR(w.png, w.info, png_uint_32(pixels.width()), png_uint_32(pixels.height()), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(w.png, Z_RLE);
    png_set_compression_level(w.png, 1);
    png_write_info(w.png, w.info);
    for (int y = 0; y < pixels.height(); ++y)
        png_write_row(w.png, const_cast<png_bytep>(pixels.constScanLine(y)));
    png_write_end(w.png, nullptr);
    return true;
}

// Pictures with transparency keep it, through libpng.
PngResult encodeWithAlpha(const QImage& picture) {
    PngResult result;
    Writer writer;
    if (!writer.info) {
        result.error = QStringLiteral("PNG: out of memory");
        return result;
    }
    if (!writeWithAlpha(writer, picture)) {
        result.error = QStringLiteral("PNG: %1").arg(writer.error);
        return result;
    }
    result.encoded = true;
    result.bytes = std::move(writer.bytes);
    return result;
}

} // namespace

PngResult EncodePng(const QImage& picture) {
    PngResult result;
    if (picture.isNull()) {
        result.error = QStringLiteral("PNG: no picture");
        return result;
    }
    QByteArray direct;
    if (isOpaqueOneBit(picture)) {
        direct = DirectPng::EncodeOneBit(picture);
    } else if (const std::optional<PalettePicture> palette = ExactPalette(picture)) {
        direct = DirectPng::EncodePalette(*palette);
    } else if (!picture.hasAlphaChannel()) {
        direct = DirectPng::EncodeRgb(picture);
    } else {
        return encodeWithAlpha(picture);
    }
    result.encoded = !direct.isEmpty();
    if (!result.encoded) result.error = QStringLiteral("PNG: zlib failed");
    result.bytes = std::move(direct);
    return result;
}

} // namespace PngEncoding
