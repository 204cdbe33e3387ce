#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// PNG through libpng with the settings a symbol wants: a picture of at most 256 colours is
// written as a palette of 1, 2, 4 or 8 bits a pixel without filters (modules are runs of one
// index, which deflate packs best unfiltered), anything else as RGB or RGBA; zlib at a fast level.
namespace PngEncoding {

struct PngResult {
    bool encoded = false;
    QByteArray bytes; // the complete file when encoded
    QString error;
};

PngResult EncodePng(const QImage& picture);

} // namespace PngEncoding
