#pragma once

#include "raster/plain/RenderOptions.h"

#include <QImage>

#include <cstdint>

struct QRSymbol;

// Matrix rendering: one pixel per matrix byte on a white picture with margins.
namespace mdlFakeBarCode {

// bits: width × height bytes, row after row from the top. Byte 0 is white, 1 black, 2 grey,
// 3–255 black. The picture is (left + width + right) × (top + height + bottom) pixels, white
// except the matrix rectangle at (left, top). A null QImage stands for "no picture".
QImage MatrixToPicture(const std::uint8_t* bits, int width, int height, int left, int top,
                       int right, int bottom);

// The symbol with a 4-module margin, one pixel a module, drawn as every output is
// (SymbolDrawing): the encoder's picture, 8 bits a pixel with MatrixToPicture's colour table,
// except that byte 0 (light) and 1 (dark) take the given colours.
QImage SymbolPicture(const QRSymbol& symbol, Colour dark = Colour::Black(),
                     Colour light = Colour::White());

} // namespace mdlFakeBarCode
