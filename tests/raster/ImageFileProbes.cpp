#include "tests/raster/ImageFileProbes.h"

#include <QFile>

namespace {

std::uint32_t readUnsigned(const QByteArray& bytes, qsizetype at, int size, bool bigEndian) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[at + (bigEndian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

int tiffTypeSize(std::uint32_t type) {
    switch (type) {
    case 1: // BYTE
        return 1;
    case 3: // SHORT
        return 2;
    case 4: // LONG
        return 4;
    default: return 0;
    }
}

} // namespace

QByteArray ReadAllBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

std::vector<QByteArray> JpegQuantisationTables(const QByteArray& jpeg) {
    std::vector<QByteArray> tables;
    qsizetype at = 2; // behind SOI
    while (at + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[at]) == 0xFF) {
        const auto marker = static_cast<std::uint8_t>(jpeg[at + 1]);
        const auto length = static_cast<qsizetype>(readUnsigned(jpeg, at + 2, 2, true));
        if (marker == 0xDA) // start of scan: no more tables in a baseline file
            break;
        if (marker == 0xDB) tables.push_back(jpeg.mid(at + 4, length - 2));
        at += 2 + length;
    }
    return tables;
}

std::optional<TiffDirectory> FirstTiffDirectory(const QByteArray& tiff) {
    if (tiff.size() < 8) return std::nullopt;
    const bool bigEndian = tiff.startsWith("MM");
    if (!bigEndian && !tiff.startsWith("II")) return std::nullopt;
    const qsizetype ifd = readUnsigned(tiff, 4, 4, bigEndian);
    if (ifd + 2 > tiff.size()) return std::nullopt;
    const int entries = static_cast<int>(readUnsigned(tiff, ifd, 2, bigEndian));
    TiffDirectory directory;
    for (int e = 0; e < entries; ++e) {
        const qsizetype entry = ifd + 2 + 12 * e;
        if (entry + 12 > tiff.size()) return std::nullopt;
        const std::uint32_t tag = readUnsigned(tiff, entry, 2, bigEndian);
        const int size = tiffTypeSize(readUnsigned(tiff, entry + 2, 2, bigEndian));
        const std::uint32_t count = readUnsigned(tiff, entry + 4, 4, bigEndian);
        if (size == 0) continue;
        // Values of up to four bytes sit in the entry itself, longer ones at an offset.
        const qsizetype valuesAt =
            size * count <= 4 ? entry + 8 : readUnsigned(tiff, entry + 8, 4, bigEndian);
        if (valuesAt + size * static_cast<qsizetype>(count) > tiff.size()) return std::nullopt;
        std::vector<std::uint32_t> values;
        for (std::uint32_t i = 0; i < count; ++i)
            values.push_back(readUnsigned(tiff, valuesAt + size * i, size, bigEndian));
        if (tag == 259)
            directory.compression = values.at(0);
        else if (tag == 277)
            directory.samplesPerPixel = values.at(0);
        else if (tag == 258)
            directory.bitsPerSample = values;
    }
    return directory;
}

int GifGlobalColourCount(const QByteArray& gif) {
    if (gif.size() < 13) return 0;
    const auto flags = static_cast<std::uint8_t>(gif[10]);
    return (flags & 0x80) ? 1 << ((flags & 0x07) + 1) : 0;
}

int BmpBitsPerPixel(const QByteArray& bmp) {
    return bmp.size() < 30 ? 0 : static_cast<int>(readUnsigned(bmp, 28, 2, false));
}
