// PDF goes through Qt's QPdfWriter rather than a writer of our own: the page, the path and a
// logo image (deflated, with its transparency) are all it needs, and Qt maintains that code.
#include "raster/SymbolPictures.h"

#include "raster/DirectPng.h"
#include "raster/plain/SymbolFiles.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <cstring>

namespace SymbolPictures {
namespace {

using SymbolDrawing::Drawing;

QByteArray Number(double value) {
    return QByteArray::number(value, 'g', 8);
}

// The logo as an <image> over the centre square; nothing when the logo is null or cannot be
// encoded.
std::string SvgLogo(const QImage& logo, int modules) {
    if (logo.isNull()) return {};
    const QByteArray png = DirectPng::Encode(logo);
    if (png.isEmpty()) return {};
    const LogoSquare square = LogoSquareOf(modules);
    const QByteArray at = Number(square.at), side = Number(square.side);
    return ("<image x=\"" + at + "\" y=\"" + at + "\" width=\"" + side + "\" height=\"" + side +
            "\" preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64," + png.toBase64() +
            "\"/>\n")
        .toStdString();
}

// The logo as PostScript in the drawing's module units: its pixels over white, as hex rows.
std::string EpsLogo(const QImage& logo, int modules) {
    if (logo.isNull()) return {};
    QImage rgb(logo.size(), QImage::Format_RGB888);
    rgb.fill(Qt::white);
    QPainter(&rgb).drawImage(0, 0, logo);
    const LogoSquare square = LogoSquareOf(modules);
    const QByteArray width = QByteArray::number(rgb.width());
    const QByteArray height = QByteArray::number(rgb.height());
    QByteArray ps = "gsave " + Number(square.at) + ' ' + Number(square.at) + " translate " +
                    Number(square.side) + ' ' + Number(square.side) + " scale\n/logoRow " +
                    QByteArray::number(3 * rgb.width()) + " string def\n" + width + ' ' + height +
                    " 8 [" + width + " 0 0 -" + height + " 0 " + height +
                    "] {currentfile logoRow readhexstring pop} false 3 colorimage\n";
    for (int y = 0; y < rgb.height(); ++y)
        ps += QByteArray(reinterpret_cast<const char*>(rgb.constScanLine(y)), 3 * rgb.width())
                  .toHex() +
              '\n';
    return (ps + "grestore\n").toStdString();
}

QColor QColourOf(const Colour& colour) {
    return QColor(colour.red, colour.green, colour.blue, colour.alpha);
}

QPainterPath DarkPath(const Drawing& drawing) {
    QPainterPath path;
    for (std::size_t row = 0; row < drawing.rows.size(); ++row)
        for (const SymbolDrawing::Run& run : drawing.rows[row])
            path.addRect(run.column, double(row), run.length, 1);
    return path;
}

} // namespace

QRgb RgbaOf(const Colour& colour) {
    return qRgba(colour.red, colour.green, colour.blue, colour.alpha);
}

QImage Picture(const Drawing& drawing) {
    QImage picture(drawing.width(), drawing.height(), QImage::Format_Mono);
    if (picture.isNull()) return {};
    picture.setColorTable({RgbaOf(drawing.options.light), RgbaOf(drawing.options.dark)});
    const std::size_t rowBytes = std::size_t(picture.bytesPerLine());
    for (int y = 0; y < drawing.height(); ++y) {
        if (y > 0 && drawing.runsOfPixelRow(y) == drawing.runsOfPixelRow(y - 1))
            std::memcpy(picture.scanLine(y), picture.constScanLine(y - 1), rowBytes);
        else
            SymbolDrawing::PackPixelRow(drawing, y, picture.scanLine(y), rowBytes);
    }
    return picture;
}

void PaintVectors(QPainter& painter, const Drawing& drawing, const QImage& logo,
                  const QRectF& target) {
    const RenderOptions& options = drawing.options;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / drawing.columns, target.height() / drawing.moduleRows());
    if (options.light.alpha != 0)
        painter.fillRect(QRectF(0, 0, drawing.columns, drawing.moduleRows()),
                         QColourOf(options.light));
    if (options.dark.alpha != 0) painter.fillPath(DarkPath(drawing), QColourOf(options.dark));
    if (!logo.isNull()) {
        const LogoSquare square = LogoSquareOf(drawing.columns);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(square.at, square.at, square.side, square.side), logo);
    }
    painter.restore();
}

LogoSquare LogoSquareOf(double drawingSide) {
    return {3.0 * drawingSide / 8.0, drawingSide / 4.0};
}

QByteArray Svg(const Drawing& drawing, const QImage& logo) {
    return QByteArray::fromStdString(SymbolFiles::Svg(drawing, SvgLogo(logo, drawing.columns)));
}

QByteArray Eps(const Drawing& drawing, const QImage& logo) {
    return QByteArray::fromStdString(SymbolFiles::Eps(drawing, EpsLogo(logo, drawing.columns)));
}

QByteArray Pdf(const Drawing& drawing, const QImage& logo) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QPdfWriter pdf(&buffer);
    pdf.setResolution(72); // one unit a point
    pdf.setCreator(QStringLiteral("Quorlik"));
    const QPageSize page(QSizeF(drawing.width(), drawing.height()), QPageSize::Point, QString(),
                         QPageSize::ExactMatch);
    if (!pdf.setPageLayout(
            QPageLayout(page, QPageLayout::Portrait, QMarginsF(), QPageLayout::Point)))
        return {};
    QPainter painter;
    if (!painter.begin(&pdf)) return {};
    PaintVectors(painter, drawing, logo, QRectF(0, 0, drawing.width(), drawing.height()));
    if (!painter.end()) return {};
    buffer.close();
    return bytes;
}

} // namespace SymbolPictures
