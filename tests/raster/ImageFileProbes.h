#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Small readers of image file structure, independent of the codecs that wrote the files.

QByteArray ReadAllBytes(const QString& path);

// Payloads of every DQT segment of a JPEG file, in file order.
std::vector<QByteArray> JpegQuantisationTables(const QByteArray& jpeg);

// Selected fields of the first image file directory of a TIFF file.
struct TiffDirectory {
    std::uint32_t compression = 0;
    std::uint32_t samplesPerPixel = 0;
    std::vector<std::uint32_t> bitsPerSample;
};
std::optional<TiffDirectory> FirstTiffDirectory(const QByteArray& tiff);

// Number of entries of a GIF file's global colour table (0 when there is none).
int GifGlobalColourCount(const QByteArray& gif);
// Bits per pixel of a Windows BMP file.
int BmpBitsPerPixel(const QByteArray& bmp);
