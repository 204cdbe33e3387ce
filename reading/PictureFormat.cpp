#include "reading/PictureFormat.h"

#include <QtEndian>

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <vector>

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c));
}

// XML text: optional byte-order mark and white space, then markup. Whether it is an SVG is the
// SVG reader's question: the root element may follow any amount of comments.
bool LooksLikeXml(const QByteArray& bytes) {
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < bytes.size() && IsSpace(bytes.at(start))) ++start;
    return start < bytes.size() && bytes.at(start) == '<';
}

quint32 LittleEndian32(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 LittleEndian16(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

// A JPEG ends with its EOI marker; in the compressed data an FF byte is always followed by 00
// or a restart marker, so FF D9 near the end is the EOI.
bool JpegIsComplete(const QByteArray& bytes) {
    return bytes.right(1024).contains(QByteArrayLiteral("\xFF\xD9"));
}

// A GIF ends with its trailer byte ';' (stray zero padding after it is tolerated).
bool GifIsComplete(const QByteArray& bytes) {
    qsizetype end = bytes.size();
    while (end > 0 && bytes.at(end - 1) == '\0') --end;
    return end > 6 && bytes.at(end - 1) == ';';
}

// An uncompressed BMP holds its whole pixel array after the offset in its header; other
// compressions are left to the reader.
bool BmpIsComplete(const QByteArray& data) {
    constexpr qsizetype kHeaders = 34;
    if (data.size() < kHeaders) return false;
    constexpr quint32 kInfoHeader = 40; // older core headers are left to the reader
    if (LittleEndian32(data, 14) < kInfoHeader) return true;
    const quint32 pixelOffset = LittleEndian32(data, 10);
    const qint64 width = static_cast<qint32>(LittleEndian32(data, 18));
    const qint64 height = static_cast<qint32>(LittleEndian32(data, 22));
    const quint16 bitsPerPixel = LittleEndian16(data, 28);
    const quint32 compression = LittleEndian32(data, 30);
    if (compression != 0) return true;
    // A hostile header may declare any dimensions: every step is checked for overflow, and a
    // size that cannot be computed cannot be complete.
    qint64 rowBits = 0, pixelBytes = 0, needed = 0;
    if (width <= 0 || __builtin_mul_overflow(width, qint64(bitsPerPixel), &rowBits)) return false;
    const qint64 rowBytes = (rowBits + 31) / 32 * 4;
    if (__builtin_mul_overflow(rowBytes, qAbs(height), &pixelBytes)) return false;
    if (__builtin_add_overflow(pixelBytes, qint64(pixelOffset), &needed)) return false;
    return data.size() >= needed;
}

// A PNG ends with its IEND chunk.
bool PngIsComplete(const QByteArray& bytes) {
    return bytes.endsWith(QByteArrayLiteral("IEND\xAE\x42\x60\x82"));
}

// Walks a TIFF's chain of pages: every page's directory and every strip or tile it names must lie
// inside the file. libtiff reads a file cut after its first page as a one-page file. The walk is
// linear in the file's size: a directory seen before (a chain that loops) is damage, and the
// directories and strip tables walked may not add up to more bytes than the file holds, which
// every file whose parts do not overlap keeps to; many directories naming one large table would
// otherwise cost their number times its size.
class TiffWalker {
  public:
    explicit TiffWalker(const QByteArray& bytes)
        : bytes_(bytes), little_(bytes.startsWith("II")), budget_(quint64(bytes.size())) {}

    bool Complete() {
        std::set<quint64> seen;
        quint64 directory = Number(4, 4);
        while (directory != 0) {
            if (seen.size() == kMaxPages || !seen.insert(directory).second ||
                !DirectoryIsComplete(directory))
                return false;
            directory = Number(directory + 2 + 12 * Number(directory, 2), 4);
        }
        return true;
    }

  private:
    static constexpr std::size_t kMaxPages = 4096;
    static constexpr quint64 kMaxEntries = 1024;

    bool Inside(quint64 offset, quint64 length) const {
        return offset <= quint64(bytes_.size()) && length <= quint64(bytes_.size()) - offset;
    }

    // Takes `bytes` from what is left to walk; false once the walk would exceed the file.
    bool Spend(quint64 bytes) {
        if (bytes > budget_) return false;
        budget_ -= bytes;
        return true;
    }

    // The unsigned number of `width` bytes at `offset`; 0 past the end (checked by callers).
    quint64 Number(quint64 offset, int width) const {
        if (!Inside(offset, width)) return 0;
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_.at(qsizetype(offset) + i));
            value |= quint64{byte} << (8 * (little_ ? i : width - 1 - i));
        }
        return value;
    }

    static int TypeWidth(quint64 type) {
        switch (type) {
        case 3: return 2;  // SHORT
        case 4: return 4;  // LONG
        case 16: return 8; // LONG8
        default: return 0;
        }
    }

    // Where an entry's values lie: in the entry itself when they fit in its four bytes.
    struct Table {
        int width = 0;
        quint64 count = 0, at = 0;
        quint64 Value(quint64 i, const TiffWalker& walker) const {
            return walker.Number(at + i * width, width);
        }
    };

    std::optional<Table> TableOf(quint64 entry) {
        Table table{TypeWidth(Number(entry + 2, 2)), Number(entry + 4, 4), 0};
        if (table.width == 0) return std::nullopt;
        const quint64 bytes = table.width * table.count;
        table.at = bytes <= 4 ? entry + 8 : Number(entry + 8, 4);
        if (!Inside(table.at, bytes) || !Spend(bytes)) return std::nullopt;
        return table;
    }

    bool DirectoryIsComplete(quint64 directory) {
        const quint64 entries = Number(directory, 2);
        if (entries > kMaxEntries || !Inside(directory, 2 + 12 * entries + 4) ||
            !Spend(2 + 12 * entries + 4))
            return false;
        std::optional<Table> offsets, counts;
        for (quint64 i = 0; i < entries; ++i) {
            const quint64 entry = directory + 2 + 12 * i;
            const quint64 tag = Number(entry, 2);
            // libtiff takes the first of repeated tags; so does the check.
            if ((tag == 273 || tag == 324) && !offsets) { // strip or tile offsets
                if (!(offsets = TableOf(entry))) return false;
            }
            if ((tag == 279 || tag == 325) && !counts) { // their byte counts
                if (!(counts = TableOf(entry))) return false;
            }
        }
        if (!offsets || !counts || offsets->count != counts->count) return false;
        for (quint64 i = 0; i < offsets->count; ++i)
            if (!Inside(offsets->Value(i, *this), counts->Value(i, *this))) return false;
        return true;
    }

    const QByteArray& bytes_;
    bool little_;
    quint64 budget_;
};

quint16 BigEndian16(const QByteArray& data, qsizetype offset) {
    return qFromBigEndian<quint16>(data.constData() + offset);
}

bool IsFrameMarker(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsProgressive(unsigned char marker) {
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

// The offset of the marker byte after `at`, found as libjpeg finds it: any bytes up to an FF,
// fill FFs skipped, FF 00 (a stuffed byte of the compressed data) passed over. -1 at the end.
qsizetype NextMarker(const QByteArray& bytes, qsizetype at) {
    for (;;) {
        at = bytes.indexOf('\xFF', at);
        if (at < 0) return -1;
        while (at < bytes.size() && bytes.at(at) == '\xFF') ++at;
        if (at >= bytes.size()) return -1;
        if (bytes.at(at) != '\0') return at;
    }
}

// Skips a chain of GIF data sub-blocks starting at `at`; the offset after its terminator, or -1.
qsizetype AfterSubBlocks(const QByteArray& bytes, qsizetype at) {
    while (at < bytes.size()) {
        const auto length = static_cast<unsigned char>(bytes.at(at));
        at += 1 + length;
        if (length == 0) return at;
    }
    return -1;
}

qsizetype ColourTableBytes(unsigned char packed) {
    return (packed & 0x80) ? 3 * (qsizetype{2} << (packed & 7)) : 0;
}

} // namespace

QSize GifCanvasExtent(const QByteArray& bytes) {
    constexpr qsizetype kScreen = 6, kAfterScreen = 13;
    if (bytes.size() < kAfterScreen) return {};
    int width = LittleEndian16(bytes, kScreen), height = LittleEndian16(bytes, kScreen + 2);
    qsizetype at = kAfterScreen + ColourTableBytes(static_cast<unsigned char>(bytes.at(10)));
    while (at >= 0 && at < bytes.size()) {
        const char block = bytes.at(at);
        if (block == ';') break;
        if (block == '!') {
            at = at + 2 <= bytes.size() ? AfterSubBlocks(bytes, at + 2) : -1;
        } else if (block == ',' && at + 10 <= bytes.size()) {
            width = std::max(width, LittleEndian16(bytes, at + 1) + LittleEndian16(bytes, at + 5));
            height =
                std::max(height, LittleEndian16(bytes, at + 3) + LittleEndian16(bytes, at + 7));
            at += 10 + ColourTableBytes(static_cast<unsigned char>(bytes.at(at + 9)));
            at = at + 1 <= bytes.size() ? AfterSubBlocks(bytes, at + 1) : -1; // LZW code size
        } else {
            return {};
        }
    }
    return QSize(width, height);
}

PictureFormat SniffPictureFormat(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG\r\n\x1A\n")) return PictureFormat::Png;
    if (bytes.startsWith("\xFF\xD8\xFF")) return PictureFormat::Jpeg;
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return PictureFormat::Gif;
    if (bytes.startsWith("BM")) return PictureFormat::Bmp;
    if (bytes.startsWith(QByteArrayLiteral("II*\0")) ||
        bytes.startsWith(QByteArrayLiteral("MM\0*")))
        return PictureFormat::Tiff;
    if (bytes.startsWith("\x1F\x8B")) return PictureFormat::GzipSvg;
    if (LooksLikeXml(bytes)) return PictureFormat::Svg;
    return PictureFormat::Unknown;
}

QByteArray QtFormatName(PictureFormat format) {
    switch (format) {
    case PictureFormat::Png: return "png";
    case PictureFormat::Jpeg: return "jpeg";
    case PictureFormat::Gif: return "gif";
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Tiff: return "tiff";
    default: return {};
    }
}

bool LooksComplete(PictureFormat format, const QByteArray& bytes) {
    switch (format) {
    case PictureFormat::Png: return PngIsComplete(bytes);
    case PictureFormat::Jpeg: return JpegIsComplete(bytes);
    case PictureFormat::Gif: return GifIsComplete(bytes);
    case PictureFormat::Bmp: return BmpIsComplete(bytes);
    case PictureFormat::Tiff: return TiffWalker(bytes).Complete();
    default: return true; // zlib and the XML reader find cut files themselves
    }
}

JpegScans JpegScansOf(const QByteArray& bytes) {
    JpegScans found;
    struct Component {
        int horizontal, vertical;
    };
    std::vector<Component> components;
    int maxHorizontal = 1, maxVertical = 1;
    bool progressive = false, partialScan = false;
    for (qsizetype at = NextMarker(bytes, 2); at >= 0 && at + 3 <= bytes.size();) {
        const auto marker = static_cast<unsigned char>(bytes.at(at));
        if (marker == 0xD9) break; // EOI: the decoder reads no further
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length
            at = NextMarker(bytes, at + 1);
            continue;
        }
        const qsizetype length = BigEndian16(bytes, at + 1);
        const qsizetype payload = at + 3, end = at + 1 + length;
        if (length < 2 || end > bytes.size()) break;
        if (IsFrameMarker(marker) && components.empty() && length >= 8) {
            progressive = IsProgressive(marker);
            found.height = BigEndian16(bytes, payload + 1);
            found.width = BigEndian16(bytes, payload + 3);
            const int count = static_cast<unsigned char>(bytes.at(payload + 5));
            for (int i = 0; i < count && payload + 6 + 3 * i + 3 <= end; ++i) {
                const auto sampling = static_cast<unsigned char>(bytes.at(payload + 7 + 3 * i));
                const Component component{std::max(1, sampling >> 4), std::max(1, sampling & 15)};
                components.push_back(component);
                maxHorizontal = std::max(maxHorizontal, component.horizontal);
                maxVertical = std::max(maxVertical, component.vertical);
            }
        } else if (marker == 0xDA) {
            if (found.scans++ == 0 && length >= 3)
                partialScan = static_cast<unsigned char>(bytes.at(payload)) < components.size();
        }
        at = NextMarker(bytes, end);
    }
    if (!progressive && !partialScan) return found;
    // libjpeg rounds each component up to whole units of its sampling, in 8 × 8 blocks of 64
    // two-byte coefficients.
    const qint64 unitsAcross = (qint64{found.width} + 8 * maxHorizontal - 1) / (8 * maxHorizontal);
    const qint64 unitsDown = (qint64{found.height} + 8 * maxVertical - 1) / (8 * maxVertical);
    for (const Component& component : components)
        found.coefficientBytes +=
            unitsAcross * component.horizontal * unitsDown * component.vertical * 64 * 2;
    return found;
}
