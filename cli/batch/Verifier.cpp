#include "Verifier.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <ZXing/ReadBarcode.h>

namespace {

constexpr int SvgPixelsPerModule = 4;
// ImageExport's largest picture side, read back as 32-bit pixels.
constexpr qint64 LargestPictureSide = 16384;
constexpr int LargestPictureMegabytes = int(LargestPictureSide * LargestPictureSide * 4 >> 20);

QImage RenderSvg(const QByteArray& document) {
    QSvgRenderer renderer(document);
    if (!renderer.isValid()) return {};
    const QSize size = renderer.viewBox().size() * SvgPixelsPerModule;
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QImage DecodePicture(const QByteArray& file) {
    QByteArray bytes = file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

std::optional<QByteArray> ReadSymbolBytes(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) return std::nullopt;
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid()) return std::nullopt;
    const ZXing::ByteArray& bytes = result.bytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

QString VerifyEncodedFile(const QByteArray& file, bool isSvg, const QByteArray& payload) {
    const QImage picture = isSvg ? RenderSvg(file) : DecodePicture(file);
    if (picture.isNull()) return QStringLiteral("--verify: the encoded file cannot be read back");
    const std::optional<QByteArray> read = ReadSymbolBytes(picture);
    if (!read) return QStringLiteral("--verify: the picture does not scan");
    if (*read != payload) return QStringLiteral("--verify: the picture scans as different content");
    return {};
}

void AllowReadingEveryWrittenPicture() {
    const int limit = QImageReader::allocationLimit(); // 0: no limit at all
    if (limit != 0 && limit <= LargestPictureMegabytes)
        QImageReader::setAllocationLimit(LargestPictureMegabytes + 1);
}
