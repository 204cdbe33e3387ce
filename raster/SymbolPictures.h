#pragma once

#include "raster/plain/SymbolDrawing.h"

#include <QByteArray>
#include <QImage>

class QPainter;
class QRectF;

// The Qt side of the one drawing of a symbol (SymbolDrawing): the picture the Qt formats
// encode, and the vector documents that need Qt (SVG's logo, PDF).
namespace SymbolPictures {

QRgb RgbaOf(const Colour& colour);

// The drawing as a 1-bit picture, light index 0 and dark index 1 in the drawing's colours.
QImage Picture(const SymbolDrawing::Drawing& drawing);

// The centre square, a quarter of the drawing's side, where a logo goes: x = y = 3/8 of it.
struct LogoSquare {
    double at = 0;
    double side = 0;
};
LogoSquare LogoSquareOf(double drawingSide);

// SVG (SymbolFiles::Svg) with the logo, when given, embedded as a PNG image in the centre
// square.
QByteArray Svg(const SymbolDrawing::Drawing& drawing, const QImage& logo);

// EPS (SymbolFiles::Eps) with the logo, when given, drawn over white as an RGB image in the
// centre square.
QByteArray Eps(const SymbolDrawing::Drawing& drawing, const QImage& logo);

// The drawing in vectors, its modules scaled to fill `target`: the light rectangle (unless
// transparent), the dark modules as one filled path, and the logo, when given, in the centre
// square. The PDF page and the print sheet both draw this.
void PaintVectors(QPainter& painter, const SymbolDrawing::Drawing& drawing, const QImage& logo,
                  const QRectF& target);

// One PDF page of the drawing's size in points, without margins: the light square and the dark
// modules as one filled path, the logo (when given) the only image. Empty when Qt fails.
QByteArray Pdf(const SymbolDrawing::Drawing& drawing, const QImage& logo);

} // namespace SymbolPictures
