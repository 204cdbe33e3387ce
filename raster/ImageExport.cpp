#include "raster/ImageExport.h"

#include "encoder/clsQRCode.h"
#include "raster/DirectPng.h"
#include "raster/GifEncoding.h"
#include "raster/PicturePalette.h"
#include "raster/SymbolPictures.h"
#include "raster/plain/SymbolDrawing.h"
#include "raster/plain/SymbolFiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>

namespace ImageExport {

using namespace ExportOutcome;
using FileFormat = FileFormats::Format;

namespace {

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

Encoded encodedOrFailed(QByteArray bytes, const char* codec) {
    if (!bytes.isEmpty()) return encoded(std::move(bytes));
    const QString reason = QStringLiteral("%1 failed").arg(QLatin1String(codec));
    return failed(EncodeFailed, QStringLiteral("图片编码失败: %1").arg(reason),
                  QStringLiteral("the picture could not be encoded (%1)").arg(reason));
}

// No dithering at any depth: a pixel is its own colour or the nearest one the depth allows. A
// picture with transparency keeps it in 32-bit RGBA whatever the depth asked for.
QImage tiffPixels(const QImage& picture, int colourDepth) {
    if (picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_ARGB32);
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

Encoded encodeGif(const QImage& image) {
    GifEncoding::GifResult gif = GifEncoding::EncodeGif(image);
    if (!gif.encoded)
        return failed(EncodeFailed, QStringLiteral("图片编码失败: %1").arg(gif.error),
                      QStringLiteral("the picture could not be encoded: %1").arg(gif.error));
    return encoded(std::move(gif.bytes));
}

QString upperName(FileFormat format) {
    const std::string_view name = FileFormats::RowOf(format).name;
    return QString::fromLatin1(name.data(), qsizetype(name.size())).toUpper();
}

Encoded vectorOnly(FileFormat format) {
    const QString text = QStringLiteral("%1 is drawn from a symbol, not from a finished picture")
                             .arg(upperName(format));
    return failed(UnknownFormat, text, text);
}

Encoded encodePicture(const QImage& picture, FileFormat format, const Settings& settings) {
    switch (format) {
    case FileFormat::Jpeg:
        return encodeWithQt(FlattenedOntoWhite(picture),
                            {"jpeg", std::clamp(settings.jpegQuality, 0, 100)});
    case FileFormat::Png: return encodedOrFailed(DirectPng::Encode(picture), "PNG: zlib");
    case FileFormat::Gif: return encodeGif(picture);
    case FileFormat::Tiff: {
        const int compression = settings.tiffCompression == ClassicTiffLzw ? QtTiffLzw : QtTiffNone;
        return encodeWithQt(tiffPixels(picture, settings.tiffColourDepth),
                            {"tiff", -1, compression});
    }
    case FileFormat::Bmp: return encodeWithQt(FlattenedOntoWhite(picture), {"bmp"});
    case FileFormat::Svg:
    case FileFormat::Eps:
    case FileFormat::Pdf: return vectorOnly(format);
    }
    return failed(UnknownFormat, QStringLiteral("不支持的图片格式"),
                  QStringLiteral("not a picture format this program writes"));
}

QImage withLogo(const QImage& picture, const QImage& logo) {
    if (logo.isNull()) return picture;
    QImage composed = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                        : QImage::Format_RGB32);
    const int side = composed.width();
    QPainter painter(&composed);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(3 * side / 8, 3 * side / 8, side / 4, side / 4), logo);
    return composed;
}

Encoded colourRefused(FileFormat format, const std::string& english) {
    const QString name = upperName(format);
    return failed(ColourRefused,
                  QStringLiteral("%1 格式不能保存透明的颜色，请使用不透明的颜色").arg(name),
                  QString::fromStdString(english));
}

// Every format of a symbol is made from its one drawing.
Encoded encodeSymbol(const Source& source, FileFormat format, const Settings& settings) {
    const QRSymbol& symbol = *source.symbol;
    const RenderOptions& options = source;
    if (!SymbolDrawing::Drawable(symbol, options)) {
        const QString tooLarge =
            QString::fromStdString(SymbolDrawing::TooLargeText(symbol, options));
        return failed(EncodeFailed, tooLarge, tooLarge);
    }
    if (const std::optional<std::string> problem = FileFormats::ColourProblem(format, options))
        return colourRefused(format, *problem);
    const SymbolDrawing::Drawing drawing = SymbolDrawing::Draw(symbol, options);
    switch (format) {
    case FileFormat::Svg: return encoded(SymbolPictures::Svg(drawing, source.logo));
    case FileFormat::Eps: return encoded(SymbolPictures::Eps(drawing, source.logo));
    case FileFormat::Pdf: return encodedOrFailed(SymbolPictures::Pdf(drawing, source.logo), "PDF");
    case FileFormat::Png:
        if (source.logo.isNull())
            return encodedOrFailed(QByteArray::fromStdString(SymbolFiles::Png(drawing)),
                                   "PNG: zlib");
        break;
    default: break;
    }
    return encodePicture(withLogo(SymbolPictures::Picture(drawing), source.logo), format, settings);
}

} // namespace

QImage SymbolPicture(const QRSymbol& symbol, const RenderOptions& options) {
    if (!SymbolDrawing::Drawable(symbol, options)) return {};
    return SymbolPictures::Picture(SymbolDrawing::Draw(symbol, options));
}

Encoded Encode(const Source& source, FileFormat format, const Settings& settings) {
    if (source.symbol) return encodeSymbol(source, format, settings);
    if (source.picture.isNull())
        return failed(NoPicture, QStringLiteral("没有可保存的图片"),
                      QStringLiteral("there is no picture to save"));
    return encodePicture(source.picture, format, settings);
}

SaveOutcome Write(const Source& source, FileFormat format, const FilePlacement::Target& target,
                  const Settings& settings) {
    const Encoded file = Encode(source, format, settings);
    if (!file.outcome.written) return file.outcome;
    return FilePlacement::Place(file.bytes, target);
}

} // namespace ImageExport
