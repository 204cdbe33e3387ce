// The hand-written PNG files checked below libpng's leniency: every chunk's CRC, the zlib
// stream's own checksum, and the pixels undone from their Up filter by hand.
#include "raster/DirectPng.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

struct Chunk {
    QByteArray type;
    QByteArray data;
    bool crcMatches;
};

std::vector<Chunk> ChunksOf(const QByteArray& png) {
    std::vector<Chunk> chunks;
    for (qsizetype pos = 8; pos + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + pos);
        const QByteArray typeAndData = png.mid(pos + 4, 4 + qsizetype(length));
        const quint32 crc = qFromBigEndian<quint32>(png.constData() + pos + 8 + length);
        const uLong computed = crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()),
                                     uInt(typeAndData.size()));
        chunks.push_back({typeAndData.left(4), typeAndData.mid(4), computed == crc});
        pos += 12 + qsizetype(length);
    }
    return chunks;
}

// Inflates with zlib, which fails on a wrong Adler-32 at the end of the stream.
std::optional<QByteArray> Inflated(const QByteArray& stream, qsizetype expected) {
    QByteArray out(expected, '\0');
    uLongf length = uLongf(expected);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                   reinterpret_cast<const Bytef*>(stream.constData()),
                   uLong(stream.size())) != Z_OK)
        return std::nullopt;
    out.truncate(qsizetype(length));
    return out;
}

// Rows that repeat, rows that change, and colours in every channel.
QImage Sample() {
    QImage picture(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y,
                             y % 4 == 1 ? picture.pixel(x, y - 1)
                                        : qRgb((x * 7 + y) % 256, (x * y) % 256, 255 - x));
    return picture;
}

// The unfiltered bytes of every row, after checking chunks, checksums and filters.
std::optional<QByteArray> UnfilteredRows(const QByteArray& png, int height, qsizetype rowBytes) {
    if (!png.startsWith("\x89PNG\r\n\x1A\n")) return std::nullopt;
    const std::vector<Chunk> chunks = ChunksOf(png);
    QByteArray idat;
    for (const Chunk& chunk : chunks) {
        if (!chunk.crcMatches) return std::nullopt;
        if (chunk.type == "IDAT") idat += chunk.data;
    }
    if (chunks.empty() || chunks.front().type != "IHDR" || chunks.back().type != "IEND")
        return std::nullopt;
    const std::optional<QByteArray> rows = Inflated(idat, (1 + rowBytes) * height);
    if (!rows || rows->size() != (1 + rowBytes) * height) return std::nullopt;
    QByteArray unfiltered, previous(rowBytes, '\0');
    for (int y = 0; y < height; ++y) {
        const char filter = rows->at(y * (1 + rowBytes));
        if (filter != 0 && filter != 2) return std::nullopt; // none or Up
        QByteArray current(rowBytes, '\0');
        for (qsizetype i = 0; i < rowBytes; ++i)
            current[i] = char(uchar(rows->at(y * (1 + rowBytes) + 1 + i)) +
                              (filter == 2 ? uchar(previous[i]) : 0));
        unfiltered += current;
        previous = current;
    }
    return unfiltered;
}

} // namespace

TEST(DirectPng, PalettePicturesPackTheirIndicesExactly) {
    for (int colours : {2, 3, 11, 200}) {
        PalettePicture palette;
        palette.indices = QImage(29, 13, QImage::Format_Indexed8);
        for (int i = 0; i < colours; ++i) palette.colours.append(qRgb(i, 255 - i, 7 * i % 256));
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 29; ++x)
                palette.indices.scanLine(y)[x] =
                    uchar(y % 3 == 1 ? palette.indices.scanLine(y - 1)[x] : (x * y + x) % colours);
        const int depth = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
        const qsizetype rowBytes = (29 * depth + 7) / 8;
        const std::optional<QByteArray> rows =
            UnfilteredRows(DirectPng::EncodePalette(palette), 13, rowBytes);
        ASSERT_TRUE(rows.has_value()) << colours << " colours";
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 29; ++x) {
                const int bit = x * depth;
                const int value =
                    (uchar(rows->at(y * rowBytes + bit / 8)) >> (8 - depth - bit % 8)) &
                    ((1 << depth) - 1);
                ASSERT_EQ(value, palette.indices.scanLine(y)[x]) << x << "," << y;
            }
    }
}

TEST(DirectPng, RgbChunksChecksumsAndPixelsAreExact) {
    const QImage picture = Sample();
    const std::optional<QByteArray> rows =
        UnfilteredRows(DirectPng::EncodeRgb(picture), picture.height(), 3 * picture.width());
    ASSERT_TRUE(rows.has_value()) << "a chunk, the zlib stream or a filter is wrong";
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const char* pixel = rows->constData() + 3 * (y * picture.width() + x);
            ASSERT_EQ(qRgb(uchar(pixel[0]), uchar(pixel[1]), uchar(pixel[2])), picture.pixel(x, y))
                << x << "," << y;
        }
}
