#include "PictureFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace PictureFile {
namespace {

// 16384 × 16384 pixels at four bytes each; Qt's default of 128 MB refuses pictures a camera
// takes every day.
constexpr int kAllocationLimitMegabytes = 1024;
// An SVG is drawn with its longer side at least the first (up to a whole number of pixels per
// unit) and at most the second, so a symbol gets enough pixels per module whatever units the
// file uses.
constexpr double kSvgShortestSide = 1024;
constexpr double kSvgLongestSide = 4096;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The file's bytes, or an error. O_NOFOLLOW refuses a symbolic link; O_NONBLOCK keeps a FIFO
// from blocking the open, and the type check then refuses it before any read.
QByteArray ReadBounded(const std::string& path, QString& error) {
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) {
        error = errno == ELOOP ? QStringLiteral("is a symbolic link, which is not followed")
                               : QStringLiteral("cannot open: ") + SystemError(errno);
        return {};
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = QStringLiteral("is not a regular file");
        return {};
    }
    if (status.st_size > MaxFileBytes) {
        error = QStringLiteral("is larger than %1 MiB").arg(MaxFileBytes >> 20);
        return {};
    }
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(status.st_size));
    qsizetype filled = 0;
    // The file may have grown since fstat; what lies beyond its size then is not read.
    while (filled < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = QStringLiteral("cannot read: ") + SystemError(errno);
            return {};
        }
        if (n == 0) break;
        filled += n;
    }
    bytes.truncate(filled);
    return bytes;
}

bool LooksLikeSvg(const QByteArray& bytes) {
    const QByteArray head = bytes.left(4096);
    qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < head.size() && std::isspace(static_cast<unsigned char>(head.at(start)))) ++start;
    return start < head.size() && head.at(start) == '<' && head.contains("<svg");
}

// Qt's SVG renderer loads any file an <image> names; a picture to scan has no business
// naming other files, so only fragment and data references are let through.
bool ReferencesOtherFiles(const QByteArray& svg) {
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (attribute.name() != QLatin1String("href")) continue;
            const QStringView target = attribute.value().trimmed();
            if (!target.startsWith(u'#') && !target.startsWith(QLatin1String("data:"))) return true;
        }
    }
    return false;
}

Loaded RenderSvg(const QByteArray& svg) {
    if (ReferencesOtherFiles(svg))
        return {{}, QStringLiteral("is an SVG that refers to other files")};
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return {{}, QStringLiteral("is not a readable SVG")};
    QSizeF size = renderer.viewBoxF().size();
    if (size.isEmpty()) size = renderer.defaultSize();
    const double longer = std::max(size.width(), size.height());
    if (!std::isfinite(longer) || size.isEmpty())
        return {{}, QStringLiteral("is an SVG without a size")};
    // Whole pixels per unit where the drawing is enlarged: module edges then fall on pixel
    // edges, and rectangle-per-module files show no seams between neighbouring modules.
    const double scale = longer < kSvgShortestSide ? std::ceil(kSvgShortestSide / longer)
                                                   : std::min(1.0, kSvgLongestSide / longer);
    const QSize pixels(std::max(1, static_cast<int>(std::lround(size.width() * scale))),
                       std::max(1, static_cast<int>(std::lround(size.height() * scale))));
    QImage picture(pixels, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    return {picture, {}};
}

bool TooLarge(const QSize& size) {
    return size.width() > MaxSide || size.height() > MaxSide;
}

QString TooLargeMessage(const QSize& size) {
    return QStringLiteral("is %1 × %2 pixels, more than %3 a side")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxSide);
}

// Raises Qt's process-wide allocation limit for one read and puts the old one back.
class AllocationLimit {
  public:
    explicit AllocationLimit(int megabytes) : previous_(QImageReader::allocationLimit()) {
        QImageReader::setAllocationLimit(megabytes);
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(previous_); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

  private:
    int previous_;
};

Loaded ReadRaster(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return {{}, QStringLiteral("is not a picture (PNG, JPG, GIF, BMP, TIFF or SVG)")};
    const QSize announced = reader.size();
    if (announced.isValid() && TooLarge(announced)) return {{}, TooLargeMessage(announced)};
    QImage picture;
    {
        const AllocationLimit limit(kAllocationLimitMegabytes);
        picture = reader.read();
    }
    if (picture.isNull()) return {{}, QStringLiteral("cannot be read: ") + reader.errorString()};
    if (TooLarge(picture.size())) return {{}, TooLargeMessage(picture.size())};
    return {picture, {}};
}

} // namespace

Loaded Read(const std::string& path) {
    QString error;
    const QByteArray bytes = ReadBounded(path, error);
    if (!error.isEmpty()) return {{}, error};
    return LooksLikeSvg(bytes) ? RenderSvg(bytes) : ReadRaster(bytes);
}

} // namespace PictureFile
