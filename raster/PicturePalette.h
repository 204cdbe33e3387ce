#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <optional>

// A picture as 8-bit indices into a palette, for the formats that store one (PNG, GIF, TIFF).
struct PalettePicture {
    QImage indices;      // Format_Indexed8, one byte a pixel; its colour table is `colours`
    QList<QRgb> colours; // colours, each once, at most 256; opaque unless alpha was kept
};

// The picture exactly, when it has at most 256 colours (an 8-bit or 1-bit picture always
// has); nothing for more colours, or for a picture with transparency unless `keepAlpha` and
// the transparency is in the colour table of an 8-bit or 1-bit picture.
std::optional<PalettePicture> ExactPalette(const QImage& picture, bool keepAlpha = false);

// The picture as 32-bit RGB, transparent parts over white: formats without alpha (JPEG, BMP, GIF,
// 24-bit TIFF) show a transparent pixel as white.
QImage FlattenedOntoWhite(const QImage& picture);

// At most 256 colours without dithering: the exact palette when there is one; otherwise black and
// white stay exact (they are the modules) and the other colours, which only a logo brings, are
// reduced by median cut, each pixel taking the nearest colour of its box. The picture is
// flattened onto white first.
PalettePicture ReducedPalette(const QImage& picture);
