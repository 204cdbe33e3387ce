#include "reading/SvgPicture.h"

#include "reading/PictureFormat.h"

#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>

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

// ---- What drawing will cost ----
//
// Qt draws SVG antialiased with a cell rasteriser that works in horizontal bands as small as its
// cell pool allows, and walks every segment of an outline once per band, each segment reaching
// into the band cell by cell. One path of long crossing lines thus costs about the square of
// its length: a few kilobytes of path data take minutes. A first pass draws the document into
// a device that only adds up this cost, in nanoseconds on a current machine, measured:
// about 27 per unit of band work below for paths, 0.55 per pixel a fill covers.

// Cells the rasteriser's pool holds before it splits a band; it grows when one scanline needs more.
constexpr double kPoolCells = 300;
constexpr double kNanosecondsPerBandWork = 27;
constexpr double kNanosecondsPerCoveredPixel = 0.55;
constexpr double kNanosecondsPerImagePixel = 2;
constexpr double kNanosecondsPerCall = 200;
// The worst document accepted draws in about two seconds; a version-40 symbol as one path 4096
// pixels wide costs about half of it, as squares or rows of paths far less.
constexpr double kBudgetNanoseconds = 2e9;

// The segments of one outline handed to the rasteriser, in device pixels.
struct Outline {
    double segments = 0;
    double cells = 0; // pixels the outline's edges cross
    double tall = 0;  // cells times the scanlines each segment spans: the band re-walks

    void add(QPointF from, QPointF to) {
        const double dx = std::abs(to.x() - from.x()), dy = std::abs(to.y() - from.y());
        // A segment within one scanline marks one cell; others mark each pixel they cross.
        const double crossed = std::floor(from.y()) == std::floor(to.y()) ? 1 : dx + dy + 1;
        segments += 1;
        cells += crossed;
        tall += crossed * dy;
    }
    void add(const QList<QPolygonF>& polygons) {
        for (const QPolygonF& polygon : polygons) {
            for (qsizetype i = 1; i < polygon.size(); ++i) add(polygon[i - 1], polygon[i]);
            if (polygon.size() > 1) add(polygon.back(), polygon.front());
        }
    }
    // Each band walks every segment and the cells of those reaching into it.
    double work(double height) const {
        height = std::max(height, 1.0);
        const double pool = std::max(kPoolCells, 2 * cells / height);
        const double bands = 1 + cells / pool;
        return bands * (segments + tall / height) + cells + segments;
    }
};

class CostEngine final : public QPaintEngine {
  public:
    explicit CostEngine(QSize size) : QPaintEngine(AllFeatures), device_(QPointF(), size) {}

    double nanoseconds() const { return nanoseconds_; }
    bool overBudget() const { return !(nanoseconds_ <= kBudgetNanoseconds); }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyTransform) transform_ = state.transform();
        if (state.state() & DirtyPen) pen_ = state.pen();
        if (state.state() & DirtyBrush) brush_ = state.brush();
    }

    void drawPath(const QPainterPath& path) override {
        const bool fill = brush_.style() != Qt::NoBrush, stroke = pen_.style() != Qt::NoPen;
        if (overBudget() || (!fill && !stroke)) return;
        const QPainterPath mapped = transform_.map(path);
        QRectF box = mapped.controlPointRect();
        Outline outline;
        outline.add(mapped.toSubpathPolygons());
        double work = fill ? outline.work(box.intersected(device_).height()) : 0;
        if (stroke) {
            const double width =
                pen_.isCosmetic() ? pen_.widthF()
                                  : pen_.widthF() * std::sqrt(std::abs(transform_.determinant()));
            if (width <= 1) {
                work += outline.cells; // thin lines are drawn pixel by pixel, without bands
            } else {
                // A wide stroke is its outline filled; dashes only shorten it.
                QPainterPathStroker stroker(pen_);
                stroker.setWidth(width);
                stroker.setDashPattern(Qt::SolidLine);
                Outline stroked;
                stroked.add(stroker.createStroke(mapped).toSubpathPolygons());
                box.adjust(-width, -width, width, width);
                work += stroked.work(box.intersected(device_).height());
            }
        }
        const QRectF covered = box.intersected(device_);
        charge(kNanosecondsPerBandWork * work +
               kNanosecondsPerCoveredPixel * covered.width() * covered.height());
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (overBudget() || count < 1) return;
        QPainterPath path(points[0]);
        for (int i = 1; i < count; ++i) path.lineTo(points[i]);
        const QBrush brush = brush_;
        if (mode == PolylineMode) brush_ = Qt::NoBrush;
        drawPath(path);
        brush_ = brush;
    }

    void drawPixmap(const QRectF& target, const QPixmap&, const QRectF&) override {
        drawPicture(target);
    }
    void drawImage(const QRectF& target, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        drawPicture(target);
    }
    void drawTextItem(const QPointF& at, const QTextItem& text) override {
        if (!overBudget()) QPaintEngine::drawTextItem(at, text); // its glyphs, as a path
    }

  private:
    void drawPicture(const QRectF& target) {
        const QRectF covered = transform_.mapRect(target).intersected(device_);
        charge(kNanosecondsPerImagePixel * covered.width() * covered.height());
    }
    void charge(double cost) { nanoseconds_ += kNanosecondsPerCall + cost; }

    QRectF device_;
    QTransform transform_;
    QPen pen_;
    QBrush brush_;
    double nanoseconds_ = 0;
};

// A surface of the real picture's size on which drawing only costs.
class CostDevice final : public QPaintDevice {
  public:
    explicit CostDevice(QSize size) : size_(size), engine_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    const CostEngine& engine() const { return engine_; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmWidthMM: return size_.width() * 254 / 960;
        case PdmHeightMM: return size_.height() * 254 / 960;
        case PdmNumColors: return std::numeric_limits<int>::max();
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

  private:
    QSize size_;
    mutable CostEngine engine_;
};

// The cost of drawing the document at `size`, in nanoseconds; more than the budget at most by
// the part drawn when it was exceeded.
double DrawingCost(QSvgRenderer& renderer, QSize size) {
    CostDevice device(size);
    QPainter painter(&device);
    renderer.render(&painter);
    painter.end();
    return device.engine().nanoseconds();
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
    const QSize pixels(side(size.width()), side(size.height()));
    if (!(DrawingCost(renderer, pixels) <= kBudgetNanoseconds)) {
        error = QStringLiteral("is an SVG that would take too long to draw");
        return {};
    }
    QImage picture(pixels, QImage::Format_RGB32);
    if (picture.isNull()) return {}; // no memory for it
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

} // namespace SvgPicture
