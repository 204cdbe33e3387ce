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

// One frame of at most 256 colours; pictures with more colours are dithered to a fixed palette.
// Transparency is not kept: callers flatten the picture first.
GifResult EncodeGif(const QImage& picture);

} // namespace GifEncoding
