#include "raster/SvgSymbol.h"

#include "encoder/clsQRCode.h"
#include "raster/plain/SymbolFiles.h"

#include <QBuffer>

namespace {

// The logo as an <image> over the centre square of a side of `modules`; nothing when the logo
// is null or cannot be encoded.
std::string LogoImage(const QImage& logo, int modules) {
    if (logo.isNull()) return {};
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !logo.save(&buffer, "PNG")) return {};
    const QByteArray place = QByteArray::number(3.0 * modules / 8.0, 'g', 8);
    const QByteArray side = QByteArray::number(modules / 4.0, 'g', 8);
    return ("<image x=\"" + place + "\" y=\"" + place + "\" width=\"" + side + "\" height=\"" +
            side + "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64," +
            png.toBase64() + "\"/>\n")
        .toStdString();
}

} // namespace

QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin,
                       const QImage& logo) {
    return QByteArray::fromStdString(SymbolFiles::Svg(symbol, pixelsPerModule, margin,
                                                      LogoImage(logo, symbol.side() + 2 * margin)));
}
