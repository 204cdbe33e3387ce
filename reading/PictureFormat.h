#pragma once

#include <QByteArray>
#include <QSize>

// What a picture file holds, told from its first bytes, never from its name: a file named .png
// that holds an SVG is read as the SVG it is, with the SVG's own checks.
enum class PictureFormat { Png, Jpeg, Gif, Bmp, Tiff, Svg, GzipSvg, Unknown };

PictureFormat SniffPictureFormat(const QByteArray& bytes);

// The largest picture a GIF's decoder may allocate: its logical screen, grown by any frame that
// reaches beyond it. Qt's reader declares the first frame's size only. Invalid when the blocks
// cannot be walked.
QSize GifCanvasExtent(const QByteArray& bytes);

// The name of Qt's image reader for a raster format; empty for the others.
QByteArray QtFormatName(PictureFormat format);

// Whether the bytes hold the whole file, as far as its format lets that be told without
// decoding: Qt's JPEG, GIF and BMP readers return what they decoded of a cut-off file as a
// success, and libpng reports a cut-off file on standard error by itself.
bool LooksComplete(PictureFormat format, const QByteArray& bytes);

// What decoding a JPEG costs beyond its pixels, from its markers alone. A progressive file, or
// one whose first scan leaves components out, is decoded through a buffer of every block's
// coefficients at full size, however small the picture asked for; and every scan is a pass over
// that buffer.
struct JpegScans {
    int scans = 0;
    qint64 coefficientBytes = 0; // 0 when decoded a row of blocks at a time
    int width = 0, height = 0;
};

JpegScans JpegScansOf(const QByteArray& bytes);

// Far more scans than any encoder writes (libjpeg's progressive files have about ten).
constexpr int MaxJpegScans = 100;
