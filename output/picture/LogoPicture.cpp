#include "LogoPicture.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace LogoPicture {
namespace {

bool isAcceptedFormat(const QByteArray& format) {
    return format == "jpeg" || format == "bmp" || format == "gif" || format == "png";
}

// What the completeness checks look at: the file's size, its first and its last bytes.
struct FileEnds {
    qint64 size = 0;
    QByteArray head;
    QByteArray tail;
};

FileEnds readEnds(QFile& file) {
    constexpr qint64 kHead = 64;
    constexpr qint64 kTail = 1024;
    FileEnds ends;
    ends.size = file.size();
    ends.head = file.read(kHead);
    file.seek(qMax<qint64>(0, ends.size - kTail));
    ends.tail = file.read(kTail);
    file.seek(0);
    return ends;
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
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return ends.size >= qint64(pixelOffset) + rowBytes * qAbs(height);
}

bool isComplete(const QByteArray& format, const FileEnds& ends) {
    if (format == "jpeg") return jpegIsComplete(ends);
    if (format == "gif") return gifIsComplete(ends);
    if (format == "bmp") return bmpIsComplete(ends);
    return true; // Qt's PNG reader fails by itself on a cut-off file
}

} // namespace

std::optional<QImage> Load(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const FileEnds ends = readEnds(file);

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!isAcceptedFormat(format) || !isComplete(format, ends)) return std::nullopt;

    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) return std::nullopt;
    return picture;
}

} // namespace LogoPicture
