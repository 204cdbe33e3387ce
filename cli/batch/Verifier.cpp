#include "Verifier.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <ZXing/ReadBarcode.h>

namespace {

constexpr int SvgPixelsPerModule = 4;

QImage RenderSvg(const QString& fileName) {
    QSvgRenderer renderer(fileName);
    if (!renderer.isValid()) return {};
    const QSize size = renderer.viewBox().size() * SvgPixelsPerModule;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

std::optional<QByteArray> ReadSymbolBytes(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
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

QString VerifyWrittenFile(const QString& fileName, bool isSvg, const QByteArray& payload) {
    const QImage picture = isSvg ? RenderSvg(fileName) : QImage(fileName);
    if (picture.isNull()) return QStringLiteral("--verify: the written file cannot be read back");
    const std::optional<QByteArray> read = ReadSymbolBytes(picture);
    if (!read) return QStringLiteral("--verify: the written picture does not scan");
    if (*read != payload)
        return QStringLiteral("--verify: the written picture scans as different content");
    return {};
}
