#pragma once

#include "raster/PicturePalette.h"

#include <QByteArray>
#include <QImage>

// PNG files of opaque pictures written straight from their rows: 24-bit RGB, or a palette of
// 1, 2, 4 or 8 bits a pixel. Empty arrays when zlib fails.
namespace DirectPng {

// `picture` must not have an alpha channel.
QByteArray EncodeRgb(const QImage& picture);
QByteArray EncodePalette(const PalettePicture& palette);
// A 1-bit picture with two opaque colours: its rows are already PNG rows.
QByteArray EncodeOneBit(const QImage& picture);

} // namespace DirectPng
