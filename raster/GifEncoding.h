#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// GIF encoding with giflib: Qt reads GIF but has no writer for it.
namespace GifEncoding {

struct GifResult {
    bool encoded = false;
    QByteArray bytes; // the complete GIF file when encoded
    QString error;    // giflib's description and status code otherwise
};

// One frame with an exact palette of at most 256 colours; a picture with more keeps black and
// white exact and has its other colours reduced without dithering (ReducedPalette).
// A palette picture's fully transparent colour stays transparent; other transparency is
// flattened onto white.
GifResult EncodeGif(const QImage& picture);

} // namespace GifEncoding
