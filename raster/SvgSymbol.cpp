#include "SvgSymbol.h"

#include "clsQRCode.h"

#include <QBuffer>

namespace {

// Each horizontal run of dark modules is one closed rectangle of the path; runs in one path
// keep the file small and leave no hairline seams between neighbouring modules.
void AppendRowRuns(const QRSymbol& symbol, int row, int margin, QByteArray& path) {
    const int h = symbol.side();
    for (int column = 0; column < h;) {
        if (!symbol.dark(row, column)) {
            ++column;
            continue;
        }
        int end = column;
        while (end < h && symbol.dark(row, end)) ++end;
        const QByteArray length = QByteArray::number(end - column);
        path += 'M' + QByteArray::number(column + margin) + ' ' + QByteArray::number(row + margin) +
                'h' + length + "v1h-" + length + 'z';
        column = end;
    }
}

// The logo as an <image> over the centre square of a side of `modules`; nothing when the logo
// is null or cannot be encoded.
QByteArray LogoImage(const QImage& logo, int modules) {
    if (logo.isNull()) return {};
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !logo.save(&buffer, "PNG")) return {};
    const QByteArray place = QByteArray::number(3.0 * modules / 8.0, 'g', 8);
    const QByteArray side = QByteArray::number(modules / 4.0, 'g', 8);
    return "<image x=\"" + place + "\" y=\"" + place + "\" width=\"" + side + "\" height=\"" +
           side + "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64," +
           png.toBase64() + "\"/>\n";
}

} // namespace

QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin,
                       const QImage& logo) {
    const QByteArray modules = QByteArray::number(symbol.side() + 2 * margin);
    const QByteArray pixels = QByteArray::number((symbol.side() + 2 * margin) * pixelsPerModule);
    QByteArray path;
    for (int row = 0; row < symbol.side(); ++row) AppendRowRuns(symbol, row, margin, path);
    const QByteArray logoImage = LogoImage(logo, symbol.side() + 2 * margin);
    const QByteArray xlink =
        logoImage.isEmpty() ? QByteArray() : " xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\"" +
           xlink + " version=\"1.1\" width=\"" + pixels + "\" height=\"" + pixels +
           "\" viewBox=\"0 0 " + modules + ' ' + modules +
           "\" shape-rendering=\"crispEdges\">\n"
           "<rect width=\"" +
           modules + "\" height=\"" + modules +
           "\" fill=\"#ffffff\"/>\n<path fill=\"#000000\" d=\"" + path + "\"/>\n" + logoImage +
           "</svg>\n";
}
