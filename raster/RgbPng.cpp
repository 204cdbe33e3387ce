// Written by hand rather than through libpng: a composed picture with a many-colour logo is 24-bit
// and most of its rows repeat the row above. libpng filters and packs every row byte by byte and
// zlib checksums every byte; here a repeated row costs one comparison (its Up-filtered bytes are
// zeros, whose checksum is arithmetic), which measured about twice as fast per file.
#include "RgbPng.h"

#include <QtEndian>

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace RgbPng {
namespace {

constexpr std::uint32_t AdlerModulus = 65521;
constexpr unsigned char UpFilter = 2;

// The zlib checksum (Adler-32) as its two running sums.
struct Adler {
    std::uint64_t a = 1;
    std::uint64_t b = 0;

    void add(const unsigned char* bytes, std::size_t length) {
        const uLong value = adler32(uLong(b << 16 | a), bytes, uInt(length));
        a = value & 0xFFFF;
        b = value >> 16;
    }
    // `length` zero bytes leave a as it is and add a to b each time.
    void addZeros(std::size_t length) { b = (b + (length % AdlerModulus) * a) % AdlerModulus; }
    std::uint32_t value() const { return std::uint32_t(b << 16 | a); }
};

// Rows in PNG order: a filter byte, then red, green, blue of each pixel minus the row above.
std::size_t filterRows(const QImage& picture, std::vector<unsigned char>& rows, Adler& adler) {
    const int width = picture.width();
    const std::size_t rowBytes = 1 + 3 * std::size_t(width);
    rows.resize(rowBytes * std::size_t(picture.height()));
    for (int y = 0; y < picture.height(); ++y) {
        unsigned char* out = rows.data() + rowBytes * std::size_t(y);
        const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        const QRgb* above =
            y > 0 ? reinterpret_cast<const QRgb*>(picture.constScanLine(y - 1)) : nullptr;
        out[0] = UpFilter;
        if (above && std::memcmp(row, above, std::size_t(width) * sizeof(QRgb)) == 0) {
            std::memset(out + 1, 0, rowBytes - 1);
            adler.add(out, 1);
            adler.addZeros(rowBytes - 1);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const QRgb up = above ? above[x] : 0;
            out[1 + 3 * x] = static_cast<unsigned char>(qRed(row[x]) - qRed(up));
            out[2 + 3 * x] = static_cast<unsigned char>(qGreen(row[x]) - qGreen(up));
            out[3 + 3 * x] = static_cast<unsigned char>(qBlue(row[x]) - qBlue(up));
        }
        adler.add(out, rowBytes);
    }
    return rows.size();
}

// Raw deflate of the rows, with run-length matching at the fastest level: the rows are runs of
// one colour and of zeros. The stream is kept per thread and reset, not rebuilt, per file.
bool deflateRows(const std::vector<unsigned char>& rows, std::vector<unsigned char>& out) {
    struct Stream {
        z_stream z{};
        bool ready = false;
        ~Stream() {
            if (ready) deflateEnd(&z);
        }
    };
    thread_local Stream stream;
    if (!stream.ready) {
        if (deflateInit2(&stream.z, 1, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) return false;
        stream.ready = true;
    } else if (deflateReset(&stream.z) != Z_OK) {
        return false;
    }
    out.resize(deflateBound(&stream.z, uLong(rows.size())));
    stream.z.next_in = const_cast<Bytef*>(rows.data());
    stream.z.avail_in = uInt(rows.size());
    stream.z.next_out = out.data();
    stream.z.avail_out = uInt(out.size());
    if (deflate(&stream.z, Z_FINISH) != Z_STREAM_END) return false;
    out.resize(stream.z.total_out);
    return true;
}

void appendBigEndian(QByteArray& file, std::uint32_t value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    file.append(bytes, 4);
}

void appendChunk(QByteArray& file, const char* type, const unsigned char* data,
                 std::size_t length) {
    appendBigEndian(file, std::uint32_t(length));
    const qsizetype start = file.size();
    file.append(type, 4);
    file.append(reinterpret_cast<const char*>(data), qsizetype(length));
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(file.constData() + start), uInt(length + 4));
    appendBigEndian(file, std::uint32_t(crc));
}

} // namespace

QByteArray Encode(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    thread_local std::vector<unsigned char> rows;
    thread_local std::vector<unsigned char> compressed;
    Adler adler;
    filterRows(rgb, rows, adler);
    if (!deflateRows(rows, compressed)) return {};
    // zlib's header for a 32 KiB window at the fastest level, then the data and its checksum.
    std::vector<unsigned char> idat = {0x78, 0x01};
    idat.insert(idat.end(), compressed.begin(), compressed.end());
    unsigned char checksum[4];
    qToBigEndian(adler.value(), checksum);
    idat.insert(idat.end(), checksum, checksum + 4);

    unsigned char header[13];
    qToBigEndian(std::uint32_t(rgb.width()), header);
    qToBigEndian(std::uint32_t(rgb.height()), header + 4);
    header[8] = 8;  // bits a sample
    header[9] = 2;  // RGB
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering
    header[12] = 0; // not interlaced
    QByteArray file("\x89PNG\r\n\x1A\n", 8);
    file.reserve(qsizetype(idat.size()) + 64);
    appendChunk(file, "IHDR", header, sizeof header);
    appendChunk(file, "IDAT", idat.data(), idat.size());
    appendChunk(file, "IEND", nullptr, 0);
    return file;
}

} // namespace RgbPng
