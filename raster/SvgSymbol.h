#pragma once

#include <QByteArray>
#include <QImage>

struct QRSymbol;

// The symbol as SVG: a white square and one path of dark modules, `margin` light modules round
// it, viewBox in modules, drawn crisp; width and height are modules × pixelsPerModule. A logo,
// when given, is embedded as a PNG image over the centre square, a quarter of the whole side
// (margin included), where the window's picture carries it.
QByteArray SvgDocument(const QRSymbol& symbol, int pixelsPerModule, int margin = 4,
                       const QImage& logo = QImage());
