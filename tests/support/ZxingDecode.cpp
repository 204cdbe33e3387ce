#define ZX_USE_UTF8 1
#include "tests/support/ZxingDecode.h"

#include "encoder/clsQRCode.h"

#include <QPainter>

#include <ZXing/ReadBarcode.h>

namespace {

// Transparency as a page shows it: on white.
QImage OnWhite(const QImage& image) {
    if (!image.hasAlphaChannel()) return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    return flat;
}

} // namespace

std::optional<DecodedSymbol> DecodeImage(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const QImage grey = OnWhite(image).convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                          static_cast<int>(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid()) return std::nullopt;
    const ZXing::ByteArray& raw = result.bytes();
    const ZXing::ByteArray eci = result.bytesECI();
    return DecodedSymbol{std::string(raw.begin(), raw.end()), result.text(), result.ecLevel(),
                         result.hasECI(), std::string(eci.begin(), eci.end())};
}

QImage SymbolPicture(const QRSymbol& symbol, int scale) {
    const int h = symbol.side();
    const int size = (h + 8) * scale;
    QImage image(size, size, QImage::Format_Grayscale8);
    image.fill(255);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < h; ++c) {
            if (!symbol.dark(r, c)) continue;
            for (int dy = 0; dy < scale; ++dy) {
                uchar* line = image.scanLine((r + 4) * scale + dy);
                for (int dx = 0; dx < scale; ++dx) line[(c + 4) * scale + dx] = 0;
            }
        }
    return image;
}

std::optional<DecodedSymbol> DecodeSymbol(const QRSymbol& symbol, int scale) {
    return DecodeImage(SymbolPicture(symbol, scale));
}

std::string BytesOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}
