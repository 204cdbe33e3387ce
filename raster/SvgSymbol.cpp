#include "SvgSymbol.h"

#include "raster/plain/SymbolFiles.h"

QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin) {
    return QByteArray::fromStdString(SymbolFiles::Svg(symbol, pixelsPerModule, margin));
}
