#pragma once

#include <QByteArray>

struct QRSymbol;

// The symbol as SVG: a white square and one path of dark modules, `margin` light modules round
// it, viewBox in modules, drawn crisp; width and height are modules × pixelsPerModule.
QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin = 4);
