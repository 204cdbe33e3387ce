#include "reading/PictureReader.h"

#include "files/FileAccess.h"
#include "reading/PictureFormat.h"
#include "reading/SvgPicture.h"

#include <QBuffer>
#include <QImageReader>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>

namespace PictureReader {
namespace {

// Qt refuses pictures above 128 MB by default, a 6000 × 6000 photograph among them. Our own
// budgets are checked before Qt's, so its limit only has to let the largest of them through:
// the export's largest picture in 32-bit pixels.
constexpr int kQtAllocationLimitMegabytes = int(qint64{MaxSide} * MaxSide * 4 >> 20) + 1;

thread_local int quietReads = 0;
QtMessageHandler previousHandler = nullptr;

// libpng, libjpeg, libtiff and Qt's readers report through Qt's messages; while this thread
// reads a picture those are dropped, since the reader's failure is reported once, by us.
void DropMessagesWhileReading(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    if (quietReads > 0 && type != QtFatalMsg) return;
    if (previousHandler) previousHandler(type, context, message);
}

void PrepareOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (QImageReader::allocationLimit() != 0 &&
            QImageReader::allocationLimit() < kQtAllocationLimitMegabytes)
            QImageReader::setAllocationLimit(kQtAllocationLimitMegabytes);
        previousHandler = qInstallMessageHandler(DropMessagesWhileReading);
    });
}

// libpng's default error handler, which Qt's PNG reader keeps, and libtiff's print to standard
// error directly, past Qt's messages: while pictures are read the descriptor points at
// /dev/null. Pictures read back after writing are our own and never complain, and they are read
// on the batch's worker threads, whose own lines must not be lost: they keep standard error.
class StandardErrorSilenced {
  public:
    explicit StandardErrorSilenced(bool silence) : silence_(silence) {
        if (!silence_) return;
        const std::lock_guard lock(mutex_);
        if (depth_++ > 0) return;
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~StandardErrorSilenced() {
        if (!silence_) return;
        const std::lock_guard lock(mutex_);
        if (--depth_ > 0 || saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

  private:
    bool silence_;
    static inline std::mutex mutex_;
    static inline int depth_ = 0;
    static inline int saved_ = -1;
};

class QuietWhileReading {
  public:
    explicit QuietWhileReading(Kind kind) : standardError_(kind != Kind::ReadBack) { ++quietReads; }
    ~QuietWhileReading() { --quietReads; }
    QuietWhileReading(const QuietWhileReading&) = delete;
    QuietWhileReading& operator=(const QuietWhileReading&) = delete;

  private:
    StandardErrorSilenced standardError_;
};

Outcome Failed(Failure failure, const QString& message) {
    return {failure, message};
}

Outcome NotAPicture() {
    return Failed(Failure::NotAPicture,
                  QStringLiteral("is not a picture (PNG, JPG, GIF, BMP, TIFF or SVG)"));
}

Outcome Damaged() {
    return Failed(Failure::Damaged, QStringLiteral("is damaged or cut short"));
}

// ---- The file ----

// The file's bytes through the project's one file access: a regular file only (a FIFO never
// blocks the reader), never more than the kind's limit. A picture to scan is refused at a
// symbolic link; a logo's name, typed or chosen by the user, follows one.
Outcome ReadBounded(const std::string& path, Kind kind, std::string& bytes) {
    const bool logo = kind == Kind::Logo;
    FileAccess::ReadResult file =
        FileAccess::ReadFile(path, std::size_t(logo ? MaxLogoFileBytes : MaxFileBytes), AT_FDCWD,
                             logo ? FileAccess::Links::Follow : FileAccess::Links::Refuse);
    if (!file.ok()) {
        Outcome failed =
            Failed(Failure::FileAccess, QString::fromStdString(FileAccess::Reason(file.error)));
        failed.fileError = file.error.kind;
        return failed;
    }
    bytes = std::move(file.bytes);
    return {};
}

// ---- The pixel budget ----

qint64 PixelsOf(const QSize& size) {
    return qint64{size.width()} * size.height();
}

Outcome TooLarge(const QSize& size, bool sideTooLong) {
    const QString dimensions =
        QStringLiteral("is %1 × %2 pixels, more than ").arg(size.width()).arg(size.height());
    return Failed(Failure::TooLarge,
                  dimensions +
                      (sideTooLong
                           ? QStringLiteral("%1 a side").arg(MaxSide)
                           : QStringLiteral("%1 million in all").arg(MaxPixels / 1'000'000)));
}

bool SideTooLong(const QSize& size) {
    return size.width() > MaxSide || size.height() > MaxSide;
}

bool TooManyPixels(const QSize& size, Kind kind) {
    // The export's own pictures are read back whatever their area.
    return kind != Kind::ReadBack && PixelsOf(size) > MaxPixels;
}

// The size a JPEG is decoded at: a logo no larger than it is drawn; a picture to scan within the
// budget, halved as often as needed, which libjpeg does while decoding without ever holding the
// full size.
QSize JpegDecodingSize(const QSize& declared, Kind kind) {
    const int longer = std::max(declared.width(), declared.height());
    if (kind == Kind::Logo && longer > LogoSide) {
        const QSize fitting = declared.scaled(LogoSide, LogoSide, Qt::KeepAspectRatio);
        return fitting.expandedTo(QSize(1, 1));
    }
    QSize decoded = declared;
    while (SideTooLong(decoded) || TooManyPixels(decoded, kind))
        decoded = QSize((decoded.width() + 1) / 2, (decoded.height() + 1) / 2);
    return decoded;
}

// A logo is drawn a few dozen pixels wide: a huge picture is reduced once, here, so that it is
// neither held at full size nor scaled down again for every picture.
QImage ReducedForKind(const QImage& picture, Kind kind) {
    if (kind != Kind::Logo || (picture.width() <= LogoSide && picture.height() <= LogoSide))
        return picture;
    return picture.scaled(LogoSide, LogoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Qt gives no reason for a failed read; when the memory the picture needs cannot be had now,
// that is the reason.
bool MemoryIsShort(const QSize& size) {
    const std::size_t bytes = std::size_t(PixelsOf(size)) * 4;
    const std::unique_ptr<char[]> probe(new (std::nothrow) char[bytes]);
    return !probe;
}

Outcome FailedRead(const QSize& size) {
    if (MemoryIsShort(size)) return Failed(Failure::OutOfMemory, OutOfMemoryMessage());
    return Damaged();
}

Outcome Hand(const QImage& picture, Kind kind, const FrameSink& sink) {
    const QImage given = ReducedForKind(picture, kind);
    if (given.isNull()) return Failed(Failure::OutOfMemory, OutOfMemoryMessage());
    sink(given);
    return {};
}

// ---- Raster formats ----

// What the bytes tell before any decoding.
struct RasterFacts {
    PictureFormat format;
    bool complete;   // passed the format's completeness check (a cut file declaring a huge
                     // picture is refused for its size)
    QSize gifCanvas; // GIF only: the largest canvas its frames need
    qint64 bytes;    // the file's size
};

// The most pixels a byte of the file can code. Huffman coding spends at least one bit on every
// 8 × 8 block of a JPEG, even of a uniform picture; a 12-bit LZW code of a GIF stands for at
// most 4096 pixels. A file declaring more is mostly missing, and its decoder would make the
// rest up, at length. 0: no such bound.
qint64 MostPixelsPerByte(PictureFormat format) {
    switch (format) {
    case PictureFormat::Jpeg: return 1024;
    case PictureFormat::Gif: return 4096;
    default: return 0;
    }
}

bool HoldsTooFewBytes(const RasterFacts& facts, const QSize& declared) {
    const qint64 most = MostPixelsPerByte(facts.format);
    return most > 0 && PixelsOf(declared) / most > facts.bytes;
}

Outcome ReadFrame(QImageReader& reader, const RasterFacts& facts, Kind kind, const FrameSink& sink,
                  qint64& pixelsRead) {
    const PictureFormat format = facts.format;
    QSize declared = reader.size();
    if (format == PictureFormat::Gif) declared = declared.expandedTo(facts.gifCanvas);
    if (!declared.isValid() || declared.isEmpty()) return Damaged();
    QSize decoded = declared;
    if (format == PictureFormat::Jpeg) {
        decoded = JpegDecodingSize(declared, kind);
        if (decoded != declared) reader.setScaledSize(decoded);
    } else if (SideTooLong(declared) || TooManyPixels(declared, kind)) {
        return TooLarge(declared, SideTooLong(declared));
    }
    if (!facts.complete || HoldsTooFewBytes(facts, declared)) return Damaged();
    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) return FailedRead(decoded);
    // Whatever a decoder made of its header, nothing beyond the budget is handed on.
    if (SideTooLong(picture.size()) || TooManyPixels(picture.size(), kind))
        return TooLarge(picture.size(), SideTooLong(picture.size()));
    pixelsRead += PixelsOf(picture.size());
    return Hand(picture, kind, sink);
}

// Checked before anything else, like a declared size: a header alone can ask for the work.
Outcome JpegCost(const QByteArray& bytes) {
    const JpegScans jpeg = JpegScansOf(bytes);
    if (jpeg.coefficientBytes > MaxJpegCoefficientBytes)
        return Failed(Failure::TooLarge,
                      QStringLiteral("is a progressive JPEG of %1 × %2 pixels, more than %3 MB to "
                                     "decode")
                          .arg(jpeg.width)
                          .arg(jpeg.height)
                          .arg(MaxJpegCoefficientBytes / 1'000'000));
    if (jpeg.scans > MaxJpegScans)
        return Failed(Failure::TooLarge, QStringLiteral("is a JPEG of %1 scans, more than %2")
                                             .arg(jpeg.scans)
                                             .arg(MaxJpegScans));
    return {};
}

Outcome ReadRaster(const QByteArray& bytes, PictureFormat format, Kind kind,
                   const FrameSink& sink) {
    if (format == PictureFormat::Jpeg)
        if (Outcome cost = JpegCost(bytes); !cost.ok()) return cost;
    const RasterFacts facts{format, LooksComplete(format, bytes),
                            format == PictureFormat::Gif ? GifCanvasExtent(bytes) : QSize(0, 0),
                            bytes.size()};
    if (!facts.gifCanvas.isValid()) return Damaged();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead()) return Damaged();
    const int frames = kind == Kind::Scan ? std::clamp(reader.imageCount(), 1, MaxFrames) : 1;
    qint64 pixelsRead = 0;
    for (int frame = 0; frame < frames && pixelsRead < MaxPixelsOfAllFrames; ++frame) {
        // TIFF pages are chosen; GIF frames follow one another with each read.
        if (frame > 0 && format == PictureFormat::Tiff && !reader.jumpToNextImage())
            return Damaged();
        if (Outcome read = ReadFrame(reader, facts, kind, sink, pixelsRead); !read.ok())
            return read;
    }
    return {};
}

// ---- SVG ----

Outcome SvgProblem(SvgPicture::Problem problem) {
    switch (problem) {
    case SvgPicture::Problem::NotSvg: return NotAPicture();
    case SvgPicture::Problem::Damaged:
        return Failed(Failure::Damaged, QStringLiteral("is not a readable SVG"));
    case SvgPicture::Problem::TooLarge:
        return Failed(Failure::TooLarge,
                      QStringLiteral("is a compressed SVG of more than %1 MiB unpacked")
                          .arg(SvgPicture::MaxTextBytes >> 20));
    case SvgPicture::Problem::TooComplex:
        return Failed(Failure::TooLarge,
                      QStringLiteral("is an SVG of more than %1 elements, path commands and "
                                     "coordinates")
                          .arg(SvgPicture::MaxDrawingParts));
    case SvgPicture::Problem::RefersElsewhere:
        return Failed(Failure::RefersElsewhere,
                      QStringLiteral("is an SVG that refers to other files"));
    case SvgPicture::Problem::None: break;
    }
    return {};
}

Outcome ReadSvg(const QByteArray& bytes, PictureFormat format, Kind kind, const FrameSink& sink) {
    SvgPicture::Unpacked unpacked{bytes, SvgPicture::Problem::None};
    if (format == PictureFormat::GzipSvg) unpacked = SvgPicture::Inflate(bytes);
    if (unpacked.problem != SvgPicture::Problem::None) return SvgProblem(unpacked.problem);
    if (const SvgPicture::Problem problem = SvgPicture::Check(unpacked.text);
        problem != SvgPicture::Problem::None)
        return SvgProblem(problem);
    QString error;
    const QImage picture = SvgPicture::Render(unpacked.text, error);
    if (!error.isEmpty()) return Failed(Failure::Damaged, error);
    if (picture.isNull()) return Failed(Failure::OutOfMemory, OutOfMemoryMessage());
    return Hand(picture, kind, sink);
}

Outcome DecodeQuietly(const QByteArray& bytes, Kind kind, const FrameSink& sink) {
    const PictureFormat format = SniffPictureFormat(bytes);
    if (format == PictureFormat::Unknown) return NotAPicture();
    if (format == PictureFormat::Svg || format == PictureFormat::GzipSvg)
        return ReadSvg(bytes, format, kind, sink);
    return ReadRaster(bytes, format, kind, sink);
}

} // namespace

QString OutOfMemoryMessage() {
    return QStringLiteral("cannot be read: not enough memory");
}

Outcome Decode(const QByteArray& bytes, Kind kind, const FrameSink& sink) {
    PrepareOnce();
    try {
        const QuietWhileReading quiet(kind);
        return DecodeQuietly(bytes, kind, sink);
    } catch (const std::bad_alloc&) {
        return Failed(Failure::OutOfMemory, OutOfMemoryMessage());
    }
}

Outcome ReadFile(const std::string& path, Kind kind, const FrameSink& sink) {
    try {
        std::string bytes;
        if (Outcome read = ReadBounded(path, kind, bytes); !read.ok()) return read;
        // Looked at in place: the bytes are not copied again.
        return Decode(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), kind, sink);
    } catch (const std::bad_alloc&) {
        return Failed(Failure::OutOfMemory, OutOfMemoryMessage());
    }
}

} // namespace PictureReader
