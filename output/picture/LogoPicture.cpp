#include "LogoPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LogoPicture {
namespace {

// Larger files are refused unread. A logo of this many bytes is already absurd.
constexpr qint64 MaxFileBytes = 32 * 1024 * 1024;
// Pictures wider or taller than this are reduced when loaded.
constexpr int MaxLogoSide = 1024;

bool isAcceptedFormat(const QByteArray& format) {
    return format == "jpeg" || format == "bmp" || format == "gif" || format == "png";
}

// What the completeness checks look at: the file's size, its first and its last bytes.
struct FileEnds {
    qint64 size = 0;
    QByteArray head;
    QByteArray tail;
};

FileEnds endsOf(const QByteArray& bytes) {
    constexpr qint64 kHead = 64;
    constexpr qint64 kTail = 1024;
    return FileEnds{bytes.size(), bytes.left(kHead), bytes.right(kTail)};
}

// Qt's JPEG, GIF and BMP readers return what they decoded of a cut-off file as a success, so
// completeness is checked on the bytes. A JPEG ends with its EOI marker; in the compressed data
// an FF byte is always followed by 00 or a restart marker, so FF D9 near the end is the EOI.
bool jpegIsComplete(const FileEnds& ends) {
    return ends.tail.contains(QByteArrayLiteral("\xFF\xD9"));
}

// A GIF ends with its trailer byte ';' (stray zero padding after it is tolerated).
bool gifIsComplete(const FileEnds& ends) {
    qsizetype end = ends.tail.size();
    while (end > 0 && ends.tail.at(end - 1) == '\0') --end;
    return end > 0 && ends.tail.at(end - 1) == ';';
}

quint32 littleEndian32(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 littleEndian16(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

// An uncompressed BMP holds its whole pixel array after the offset in its header; other
// compressions are left to the reader.
bool bmpIsComplete(const FileEnds& ends) {
    constexpr qsizetype kHeaders = 34;
    const QByteArray& data = ends.head;
    if (data.size() < kHeaders) return false;
    constexpr quint32 kInfoHeader = 40; // older core headers are left to the reader
    if (littleEndian32(data, 14) < kInfoHeader) return true;
    const quint32 pixelOffset = littleEndian32(data, 10);
    const qint64 width = static_cast<qint32>(littleEndian32(data, 18));
    const qint64 height = static_cast<qint32>(littleEndian32(data, 22));
    const quint16 bitsPerPixel = littleEndian16(data, 28);
    const quint32 compression = littleEndian32(data, 30);
    if (compression != 0) return true;
    // A hostile header may declare any dimensions: every step is checked for overflow, and a
    // size that cannot be computed cannot be complete.
    qint64 rowBits = 0, pixelBytes = 0, needed = 0;
    if (width <= 0 || __builtin_mul_overflow(width, qint64(bitsPerPixel), &rowBits)) return false;
    const qint64 rowBytes = (rowBits + 31) / 32 * 4;
    if (__builtin_mul_overflow(rowBytes, qAbs(height), &pixelBytes)) return false;
    if (__builtin_add_overflow(pixelBytes, qint64(pixelOffset), &needed)) return false;
    return ends.size >= needed;
}

// A PNG ends with its IEND chunk; checked here so that libpng is never handed a cut-off file
// (it reports those on standard error by itself).
bool pngIsComplete(const FileEnds& ends) {
    return ends.tail.endsWith(QByteArrayLiteral("IEND\xAE\x42\x60\x82"));
}

bool isComplete(const QByteArray& format, const FileEnds& ends) {
    if (format == "jpeg") return jpegIsComplete(ends);
    if (format == "gif") return gifIsComplete(ends);
    if (format == "bmp") return bmpIsComplete(ends);
    return pngIsComplete(ends);
}

// Bytes of a regular file, at most MaxFileBytes: a FIFO or a device at the name would block or
// never end, and a huge file is no logo.
std::optional<QByteArray> readBounded(const QString& fileName) {
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    QFile file;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes || file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

// A logo is drawn a few dozen pixels wide: a huge picture is reduced once, here, so that it is
// neither held at full size nor scaled down again for every picture.
QImage reducedForDrawing(const QImage& picture) {
    if (picture.width() <= MaxLogoSide && picture.height() <= MaxLogoSide) return picture;
    return picture.scaled(MaxLogoSide, MaxLogoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

std::optional<QImage> Load(const QString& fileName) {
    const std::optional<QByteArray> bytes = readBounded(fileName);
    if (!bytes) return std::nullopt;
    return Decode(*bytes);
}

std::optional<QImage> Decode(const QByteArray& bytes) {
    const FileEnds ends = endsOf(bytes);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!isAcceptedFormat(format) || !isComplete(format, ends)) return std::nullopt;

    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) return std::nullopt;
    return reducedForDrawing(picture);
}

} // namespace LogoPicture
