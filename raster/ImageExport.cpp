#include "raster/ImageExport.h"

#include "encoder/clsQRCode.h"
#include "raster/GifEncoding.h"
#include "raster/PicturePalette.h"
#include "raster/PngEncoding.h"
#include "raster/SvgSymbol.h"
#include "raster/plain/SymbolFiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace ImageExport {

using namespace ExportOutcome;

namespace {

struct FormatRow {
    const char* name;
    Format format;
};

constexpr FormatRow FormatNames[] = {
    {"png", Format::Png},  {"jpg", Format::Jpeg},  {"jpeg", Format::Jpeg}, {"gif", Format::Gif},
    {"tif", Format::Tiff}, {"tiff", Format::Tiff}, {"bmp", Format::Bmp},   {"svg", Format::Svg},
};

// The classic encoder value for LZW; every other value writes uncompressed.
constexpr int ClassicTiffLzw = 2;
// Qt's TIFF writer: 0 uncompressed, 1 LZW.
constexpr int QtTiffNone = 0;
constexpr int QtTiffLzw = 1;

Encoded failed(SaveError number, const QString& description, const QString& english = {}) {
    return Encoded{Failure(number, description, english), {}};
}

Encoded encoded(QByteArray bytes) {
    return Encoded{SaveOutcome{true, NoError, {}}, std::move(bytes)};
}

// No dithering at any depth: a pixel is its own colour or the nearest one the depth allows.
QImage tiffPixels(const QImage& picture, int colourDepth) {
    switch (colourDepth) {
    case 1:
        return FlattenedOntoWhite(picture).convertToFormat(QImage::Format_Mono,
                                                           Qt::ThresholdDither | Qt::AvoidDither);
    case 4:
    case 8: return ReducedPalette(picture).indices;
    case 32: return picture.convertToFormat(QImage::Format_ARGB32);
    default: return FlattenedOntoWhite(picture).convertToFormat(QImage::Format_RGB888);
    }
}

struct QtWriterSettings {
    const char* format;
    int quality = -1;     // -1: the writer's default
    int compression = -1; // -1: the writer's default
};

Encoded encodeWithQt(const QImage& image, const QtWriterSettings& settings) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, settings.format);
    if (settings.quality >= 0) writer.setQuality(settings.quality);
    if (settings.compression >= 0) writer.setCompression(settings.compression);
    if (!writer.write(image))
        return failed(
            EncodeFailed,
            QStringLiteral("图片编码失败: %1 (%2)").arg(writer.errorString()).arg(writer.error()),
            QStringLiteral("the picture could not be encoded: %1 (%2)")
                .arg(writer.errorString())
                .arg(writer.error()));
    return encoded(std::move(bytes));
}

Encoded encodePng(const QImage& image) {
    PngEncoding::PngResult png = PngEncoding::EncodePng(image);
    if (!png.encoded)
        return failed(EncodeFailed, QStringLiteral("图片编码失败: %1").arg(png.error),
                      QStringLiteral("the picture could not be encoded: %1").arg(png.error));
    return encoded(std::move(png.bytes));
}

Encoded encodeGif(const QImage& image) {
    GifEncoding::GifResult gif = GifEncoding::EncodeGif(image);
    if (!gif.encoded)
        return failed(EncodeFailed, QStringLiteral("图片编码失败: %1").arg(gif.error),
                      QStringLiteral("the picture could not be encoded: %1").arg(gif.error));
    return encoded(std::move(gif.bytes));
}

Encoded encodePicture(const QImage& picture, Format format, const Settings& settings) {
    switch (format) {
    case Format::Jpeg:
        return encodeWithQt(FlattenedOntoWhite(picture),
                            {"jpeg", std::clamp(settings.jpegQuality, 0, 100)});
    case Format::Png: return encodePng(picture);
    case Format::Gif: return encodeGif(picture);
    case Format::Tiff: {
        const int compression = settings.tiffCompression == ClassicTiffLzw ? QtTiffLzw : QtTiffNone;
        return encodeWithQt(tiffPixels(picture, settings.tiffColourDepth),
                            {"tiff", -1, compression});
    }
    case Format::Bmp: return encodeWithQt(FlattenedOntoWhite(picture), {"bmp"});
    case Format::Svg:
        return failed(UnknownFormat,
                      QStringLiteral("SVG is drawn from a symbol, not from a finished picture"),
                      QStringLiteral("SVG is drawn from a symbol, not from a finished picture"));
    }
    return failed(UnknownFormat, QStringLiteral("不支持的图片格式"),
                  QStringLiteral("not a picture format this program writes"));
}

QImage withLogo(const QImage& picture, const QImage& logo) {
    if (logo.isNull()) return picture;
    QImage composed = picture.convertToFormat(QImage::Format_RGB32);
    const int side = composed.width();
    QPainter painter(&composed);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(3 * side / 8, 3 * side / 8, side / 4, side / 4), logo);
    return composed;
}

// PNG and SVG are written from the symbol itself, as the command-line core writes them.
Encoded encodeSymbol(const Source& source, Format format, const Settings& settings) {
    const QRSymbol& symbol = *source.symbol;
    if (!SymbolFiles::Drawable(symbol, source.scale, source.margin)) {
        const QString tooLarge =
            QString::fromStdString(SymbolFiles::TooLargeText(symbol, source.scale, source.margin));
        return failed(EncodeFailed, tooLarge, tooLarge);
    }
    if (format == Format::Svg)
        return encoded(SvgDocument(symbol, source.scale, source.margin, source.logo));
    if (format == Format::Png && source.logo.isNull()) {
        std::string png = SymbolFiles::Png(symbol, source.scale, source.margin);
        if (png.empty())
            return failed(EncodeFailed, QStringLiteral("图片编码失败: PNG: zlib failed"),
                          QString::fromUtf8(SymbolFiles::PngFailedText));
        return encoded(QByteArray::fromStdString(png));
    }
    return encodePicture(withLogo(SymbolPicture(symbol, source.scale, source.margin), source.logo),
                         format, settings);
}

} // namespace

std::optional<Format> FormatNamed(QStringView name) {
    for (const FormatRow& row : FormatNames)
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) return row.format;
    return std::nullopt;
}

std::optional<Format> FormatOfFileName(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) return std::nullopt; // no extension, or a hidden file's name
    return FormatNamed(QStringView(fileName).mid(dot + 1));
}

QString ExtensionOf(Format format) {
    for (const FormatRow& row : FormatNames)
        if (row.format == format) return QLatin1String(row.name);
    return {};
}

QImage SymbolPicture(const QRSymbol& symbol, int scale, int margin) {
    if (!SymbolFiles::Drawable(symbol, scale, margin)) return {};
    const qint64 side = SymbolFiles::PictureSide(symbol, scale, margin);
    QImage picture{int(side), int(side), QImage::Format_Mono};
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(0);
    for (int row = 0; row < symbol.side(); ++row) {
        uchar* first = picture.scanLine((row + margin) * scale);
        for (int column = 0; column < symbol.side(); ++column) {
            if (!symbol.dark(row, column)) continue;
            const int x0 = (column + margin) * scale;
            for (int x = x0; x < x0 + scale; ++x) first[x >> 3] |= uchar(0x80 >> (x & 7));
        }
        for (int copy = 1; copy < scale; ++copy)
            std::memcpy(picture.scanLine((row + margin) * scale + copy), first,
                        size_t(picture.bytesPerLine()));
    }
    return picture;
}

Encoded Encode(const Source& source, Format format, const Settings& settings) {
    if (source.symbol) return encodeSymbol(source, format, settings);
    if (source.picture.isNull())
        return failed(NoPicture, QStringLiteral("没有可保存的图片"),
                      QStringLiteral("there is no picture to save"));
    return encodePicture(source.picture, format, settings);
}

SaveOutcome Write(const Source& source, Format format, const FilePlacement::Target& target,
                  const Settings& settings) {
    const Encoded file = Encode(source, format, settings);
    if (!file.outcome.written) return file.outcome;
    return FilePlacement::Place(file.bytes, target);
}

} // namespace ImageExport
