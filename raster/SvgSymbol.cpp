#include "SvgSymbol.h"

#include "clsQRCode.h"

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

} // namespace

QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin) {
    const QByteArray modules = QByteArray::number(symbol.side() + 2 * margin);
    const QByteArray pixels = QByteArray::number((symbol.side() + 2 * margin) * pixelsPerModule);
    QByteArray path;
    for (int row = 0; row < symbol.side(); ++row) AppendRowRuns(symbol, row, margin, path);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           pixels + "\" height=\"" + pixels + "\" viewBox=\"0 0 " + modules + ' ' + modules +
           "\" shape-rendering=\"crispEdges\">\n"
           "<rect width=\"" +
           modules + "\" height=\"" + modules +
           "\" fill=\"#ffffff\"/>\n<path fill=\"#000000\" d=\"" + path + "\"/>\n</svg>\n";
}
