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
    const QByteArray png = DirectPng::EncodeRgb(picture);
    ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1A\n"));
    const std::vector<Chunk> chunks = ChunksOf(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const Chunk& chunk : chunks) EXPECT_TRUE(chunk.crcMatches) << chunk.type.toStdString();

    const int width = picture.width(), height = picture.height();
    const qsizetype rowBytes = 1 + 3 * width;
    const std::optional<QByteArray> rows = Inflated(chunks[1].data, rowBytes * height);
    ASSERT_TRUE(rows.has_value()) << "the zlib stream or its checksum is wrong";
    ASSERT_EQ(rows->size(), rowBytes * height);
    QByteArray previous(3 * width, '\0');
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(rows->at(y * rowBytes), 2) << "Up filter expected on row " << y;
        QByteArray current(3 * width, '\0');
        for (int i = 0; i < 3 * width; ++i)
            current[i] = char(uchar(rows->at(y * rowBytes + 1 + i)) + uchar(previous[i]));
        for (int x = 0; x < width; ++x) {
            const QRgb expected = picture.pixel(x, y);
            EXPECT_EQ(
                qRgb(uchar(current[3 * x]), uchar(current[3 * x + 1]), uchar(current[3 * x + 2])),
                expected)
                << x << "," << y;
        }
        previous = current;
    }
}
