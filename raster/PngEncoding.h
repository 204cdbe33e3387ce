#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// PNG with the settings a symbol wants: a picture of at most 256 colours is written as a palette
// of 1, 2, 4 or 8 bits a pixel, anything else opaque as 24-bit RGB (DirectPng), and a picture
// with transparency as RGBA through libpng. Rows are Up-filtered (a repeated row becomes zeros)
// and compressed by zlib at a fast level.
namespace PngEncoding {

struct PngResult {
    bool encoded = false;
    QByteArray bytes; // the complete file when encoded
    QString error;
};

PngResult EncodePng(const QImage& picture);

} // namespace PngEncoding
