#include "reading/SvgPicture.h"

#include "reading/PictureFormat.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace SvgPicture {
namespace {

// An SVG is drawn with its longer side at least the first (up to a whole number of pixels per
// unit) and at most the second, so a symbol gets enough pixels per module whatever units the
// file uses.
constexpr double kShortestSide = 1024;
constexpr double kLongestSide = 4096;
// Embedded pictures are drawn inside the document's few thousand pixels; the renderer decodes
// every one of them whole as it loads the document.
constexpr qint64 kMaxEmbeddedSide = 4096;
constexpr qint64 kMaxEmbeddedPixels = kMaxEmbeddedSide * kMaxEmbeddedSide;

bool IsEmbeddedRaster(PictureFormat format) {
    return format == PictureFormat::Png || format == PictureFormat::Jpeg ||
           format == PictureFormat::Gif || format == PictureFormat::Bmp;
}

// The pixels of the raster picture a data: address holds, or -1 when it is let through only
// when it holds a whole raster picture of sane declared size: an SVG inside one would be drawn
// by the renderer without these checks.
qint64 EmbeddedPixels(QStringView address) {
    const qsizetype comma = address.indexOf(u',');
    if (comma < 0 || !address.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        return -1;
    const QByteArray bytes = QByteArray::fromBase64(address.mid(comma + 1).toLatin1());
    const PictureFormat format = SniffPictureFormat(bytes);
    if (!IsEmbeddedRaster(format) || !LooksComplete(format, bytes)) return -1;
    if (format == PictureFormat::Jpeg && JpegScansOf(bytes).scans > MaxJpegScans) return -1;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setAutoDetectImageFormat(false);
    QSize size = reader.size();
    if (format == PictureFormat::Gif) size = size.expandedTo(GifCanvasExtent(bytes));
    if (!size.isValid() || size.width() > kMaxEmbeddedSide || size.height() > kMaxEmbeddedSide)
        return -1;
    return qint64{size.width()} * size.height();
}

// The numbers and commands of a path's `d` or a polyline's `points`: each draws a segment at most.
qint64 PathParts(QStringView data) {
    qint64 parts = 0;
    bool inNumber = false;
    for (const QChar c : data) {
        const bool numeric = c.isDigit() || c == u'.';
        if (numeric && !inNumber)
            ++parts;
        else if (c.isLetter() && c != u'e' && c != u'E')
            ++parts;
        inNumber = numeric || (inNumber && (c == u'e' || c == u'E'));
    }
    return parts;
}

bool IsPathData(const QXmlStreamAttribute& attribute) {
    return attribute.name() == QLatin1String("d") || attribute.name() == QLatin1String("points");
}

bool IsReference(const QXmlStreamAttribute& attribute) {
    return attribute.name().compare(QLatin1String("href"), Qt::CaseInsensitive) == 0 ||
           attribute.qualifiedName().endsWith(QLatin1String("href"), Qt::CaseInsensitive);
}

// Whether a reference may be drawn: a part of the document, or an embedded raster picture
// whose pixels, with those embedded before it, stay within kMaxEmbeddedPixels.
bool IsHarmless(const QXmlStreamAttribute& attribute, qint64& embeddedPixels) {
    const QStringView target = attribute.value().trimmed();
    if (target.startsWith(u'#')) return true;
    if (!target.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) return false;
    const qint64 pixels = EmbeddedPixels(target);
    if (pixels < 0) return false;
    embeddedPixels += pixels;
    return embeddedPixels <= kMaxEmbeddedPixels;
}

} // namespace

Unpacked Inflate(const QByteArray& gzip) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return {{}, Problem::Damaged};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.constData()));
    stream.avail_in = static_cast<uInt>(gzip.size());
    Unpacked unpacked;
    constexpr qsizetype kChunk = 64 * 1024;
    int status = Z_OK;
    while (status == Z_OK) {
        if (unpacked.text.size() >= MaxTextBytes) {
            unpacked.problem = Problem::TooLarge;
            break;
        }
        const qsizetype filled = unpacked.text.size();
        unpacked.text.resize(filled + kChunk);
        stream.next_out = reinterpret_cast<Bytef*>(unpacked.text.data() + filled);
        stream.avail_out = static_cast<uInt>(kChunk);
        status = inflate(&stream, Z_NO_FLUSH);
        unpacked.text.truncate(filled + kChunk - stream.avail_out);
    }
    inflateEnd(&stream);
    if (unpacked.problem == Problem::None && status != Z_STREAM_END)
        unpacked.problem = Problem::Damaged;
    if (unpacked.problem != Problem::None) unpacked.text.clear();
    return unpacked;
}

Problem Check(const QByteArray& text) {
    QXmlStreamReader xml(text);
    bool rootSeen = false;
    qint64 embeddedPixels = 0, parts = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Entities are text substituted where the checks below cannot see it.
            if (!xml.entityDeclarations().isEmpty()) return Problem::RefersElsewhere;
            break;
        case QXmlStreamReader::ProcessingInstruction:
            // <?xml-stylesheet href=...?> is loaded from disk by the renderer.
            return Problem::RefersElsewhere;
        case QXmlStreamReader::StartElement:
            if (!rootSeen && xml.name() != QLatin1String("svg")) return Problem::NotSvg;
            rootSeen = true;
            ++parts;
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (IsReference(attribute) && !IsHarmless(attribute, embeddedPixels))
                    return Problem::RefersElsewhere;
                if (IsPathData(attribute)) parts += PathParts(attribute.value());
            }
            if (parts > MaxDrawingParts) return Problem::TooComplex;
            break;
        default: break;
        }
    }
    if (xml.hasError()) return rootSeen ? Problem::Damaged : Problem::NotSvg;
    return rootSeen ? Problem::None : Problem::NotSvg;
}

QImage Render(const QByteArray& text, QString& error) {
    QSvgRenderer renderer(text);
    if (!renderer.isValid()) {
        error = QStringLiteral("is not a readable SVG");
        return {};
    }
    QSizeF size = renderer.viewBoxF().size();
    if (size.isEmpty()) size = renderer.defaultSize();
    const double longer = std::max(size.width(), size.height());
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()) || size.isEmpty()) {
        error = QStringLiteral("is an SVG without a size");
        return {};
    }
    // Whole pixels per unit where the drawing is enlarged: module edges then fall on pixel
    // edges, and rectangle-per-module files show no seams between neighbouring modules.
    const double scale = longer < kShortestSide ? std::ceil(kShortestSide / longer)
                                                : std::min(1.0, kLongestSide / longer);
    const auto side = [&](double units) {
        return static_cast<int>(std::clamp(std::lround(units * scale), 1L, long(kLongestSide) * 2));
    };
    QImage picture(side(size.width()), side(size.height()), QImage::Format_RGB32);
    if (picture.isNull()) return {}; // no memory for it
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

} // namespace SvgPicture
