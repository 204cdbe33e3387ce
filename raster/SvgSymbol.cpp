#include "SvgSymbol.h"

#include "plain/SymbolFiles.h"

QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin) {
    return QByteArray::fromStdString(SymbolFiles::Svg(symbol, pixelsPerModule, margin));
}
