#pragma once

#include "raster/PicturePalette.h"

#include <QByteArray>
#include <QImage>

// Qt pictures as PNG files through the one PNG writer (plain/PngRows): a palette of 1, 2, 4 or 8
// bits a pixel when the picture has at most 256 colours (transparent ones through tRNS), else
// 24-bit RGB, or RGBA for a picture with transparency. Empty arrays when zlib fails.
namespace DirectPng {

// The smallest of the forms above that holds the picture exactly; empty for a null picture.
QByteArray Encode(const QImage& picture);

// `picture` must not have an alpha channel.
QByteArray EncodeRgb(const QImage& picture);
QByteArray EncodeRgba(const QImage& picture);
QByteArray EncodePalette(const PalettePicture& palette);
// A 1-bit picture with two colours: its rows are already PNG rows.
QByteArray EncodeOneBit(const QImage& picture);

} // namespace DirectPng
