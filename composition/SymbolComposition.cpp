#include "composition/SymbolComposition.h"

#include "composition/LogoSquare.h"
#include "composition/SymbolLayout.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace SymbolComposition {

QImage TooLongNotice(int side) {
    return Notice(QStringLiteral("内容过长，无法生成二维码"), side);
}

QImage Notice(const QString& text, int side) {
    QImage notice(side, side, QImage::Format_RGB32);
    notice.fill(QColor(0xF4, 0xF4, 0xF4));
    QPainter painter(&notice);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(qMax(8, side * 17 / 240));
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    const int margin = side / 20;
    painter.drawText(notice.rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, text);
    return notice;
}

namespace {

// The colours of an 8-bit symbol picture, each once, and where each table entry went.
struct CompactPalette {
    QList<QRgb> colours;
    uchar entry[256] = {};
};

CompactPalette compactPalette(const QImage& indexed) {
    CompactPalette palette;
    const QList<QRgb> table = indexed.colorTable();
    // Alpha is kept: a transparent light colour stays transparent in the palette picture.
    for (int i = 0; i < int(table.size()) && i < 256; ++i) {
        const QRgb colour = table[i];
        qsizetype at = palette.colours.indexOf(colour);
        if (at < 0) {
            at = palette.colours.size();
            palette.colours.append(colour);
        }
        palette.entry[i] = uchar(at);
    }
    return palette;
}

// Each pixel of the symbol picture fills its span of each row it covers; the first picture row
// of a symbol row is drawn, the others are copies of it. The picture starts white.
template <typename Pixel, typename Convert>
void stretchInto(const QImage& source, QImage& target, const SymbolLayout& layout, Pixel white,
                 Convert convert) {
    const int side = target.width();
    // White is all ones in either format, so the start is one memset.
    const bool allOnes = white == static_cast<Pixel>(~Pixel(0));
    for (int y = 0; y < side; ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(target.scanLine(y));
        if (allOnes)
            std::memset(row, 0xFF, size_t(side) * sizeof(Pixel));
        else
            std::fill(row, row + side, white);
    }
    const std::vector<SymbolLayout::Span>& spans = layout.spans;
    const int n = int(spans.size());
    const int left = spans.front().start;
    const size_t drawnBytes =
        size_t(spans.back().start + spans.back().length - left) * sizeof(Pixel);
    for (int r = 0; r < n; ++r) {
        const SymbolLayout::Span rows = spans[size_t(r)];
        const uchar* in = source.constScanLine(r);
        Pixel* out = reinterpret_cast<Pixel*>(target.scanLine(rows.start));
        if (layout.wholePixels == 1) {
            // One pixel a module, the large symbols: the row is its pixels' colours in a run.
            Pixel* first = out + left;
            for (int i = 0; i < n; ++i) first[i] = convert(in, i);
        } else {
            for (int i = 0; i < n; ++i) {
                const Pixel value = convert(in, i);
                const SymbolLayout::Span columns = spans[size_t(i)];
                std::fill_n(out + columns.start, columns.length, value);
            }
        }
        for (int copy = 1; copy < rows.length; ++copy)
            std::memcpy(target.scanLine(rows.start + copy) + left * sizeof(Pixel), out + left,
                        drawnBytes);
    }
}

// Colours of the symbol picture's bytes.
struct ByteColours {
    QRgb rgb[256];
};

ByteColours byteColours(const QImage& indexed) {
    ByteColours colours;
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i)
        colours.rgb[i] = (i < table.size() ? table[i] : qRgb(0, 0, 0)) | 0xFF000000;
    return colours;
}

QImage stretchIndexed(const QImage& symbol, const SymbolLayout& layout, int side,
                      const CompactPalette& palette) {
    QImage target(side, side, QImage::Format_Indexed8);
    target.setColorTable(palette.colours);
    stretchInto<uchar>(symbol, target, layout, palette.entry[0],
                       [&](const uchar* row, int column) { return palette.entry[row[column]]; });
    return target;
}

QImage stretchIndexedToRgb(const QImage& symbol, const SymbolLayout& layout, int side) {
    const ByteColours colours = byteColours(symbol);
    QImage target(side, side, QImage::Format_RGB32);
    stretchInto<QRgb>(symbol, target, layout, colours.rgb[0],
                      [&](const uchar* row, int column) { return colours.rgb[row[column]]; });
    return target;
}

QImage stretchRgb(const QImage& symbol, const SymbolLayout& layout, int side) {
    const QImage source = symbol.convertToFormat(QImage::Format_RGB32);
    QImage target(side, side, QImage::Format_RGB32);
    stretchInto<QRgb>(
        source, target, layout, qRgb(255, 255, 255),
        [](const uchar* row, int column) { return reinterpret_cast<const QRgb*>(row)[column]; });
    return target;
}

void pasteRgb(QImage& target, const QImage& square, const QRect& at) {
    for (int y = 0; y < square.height(); ++y)
        std::memcpy(target.scanLine(at.top() + y) + at.left() * sizeof(QRgb),
                    square.constScanLine(y), square.width() * sizeof(QRgb));
}

void pasteIndices(QImage& target, const QImage& indices, uchar offset, const QRect& at) {
    for (int y = 0; y < indices.height(); ++y) {
        const uchar* in = indices.constScanLine(y);
        uchar* out = target.scanLine(at.top() + y) + at.left();
        for (int x = 0; x < indices.width(); ++x) out[x] = uchar(in[x] + offset);
    }
}

QImage composeRgb(const QImage& symbol, const SymbolLayout& layout, int side,
                  const LogoSquare* logo) {
    QImage composed = symbol.format() == QImage::Format_Indexed8 && !symbol.colorTable().isEmpty()
                          ? stretchIndexedToRgb(symbol, layout, side)
                          : stretchRgb(symbol, layout, side);
    if (logo) pasteRgb(composed, logo->rgb, layout.logo);
    return composed;
}

// An 8-bit symbol picture stays an 8-bit picture, with the logo's colours added to its palette
// when they fit, so that the file writers find the palette ready.
QImage composeIndexed(const QImage& symbol, const SymbolLayout& layout, int side,
                      const LogoSquare* logo) {
    const CompactPalette palette = compactPalette(symbol);
    if (symbol.colorTable().isEmpty()) return composeRgb(symbol, layout, side, logo);
    if (logo && (logo->colours.isEmpty() || palette.colours.size() + logo->colours.size() > 256))
        return composeRgb(symbol, layout, side, logo); // too many colours for one palette
    QImage composed = stretchIndexed(symbol, layout, side, palette);
    if (!logo) return composed;
    composed.setColorTable(palette.colours + logo->colours);
    pasteIndices(composed, logo->indices, uchar(palette.colours.size()), layout.logo);
    return composed;
}

// Pictures the layout cannot describe (not square, larger than the picture) go through Qt.
QImage composeWithQt(const QImage& symbol, const QImage& logo, bool paintLogo, int side) {
    QImage composed = symbol.convertToFormat(QImage::Format_RGB32)
                          .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (paintLogo) {
        const QRect square(3 * side / 8, 3 * side / 8, side / 4, side / 4);
        pasteRgb(composed, LogoSquareOf(logo, square.width())->rgb, square);
    }
    return composed;
}

} // namespace

QImage Compose(const QImage& symbolPicture, const QImage& logo, bool paintLogo, int side,
               ComposedFormat format) {
    if (symbolPicture.isNull()) return TooLongNotice(side);
    const bool withLogo = paintLogo && !logo.isNull();
    const SymbolLayout* layout = symbolPicture.width() == symbolPicture.height()
                                     ? LayoutFor(symbolPicture.width(), side)
                                     : nullptr;
    if (!layout) return composeWithQt(symbolPicture, logo, withLogo, side);
    const std::shared_ptr<const LogoSquare> square =
        withLogo && !layout->logo.isEmpty() ? LogoSquareOf(logo, layout->logo.width()) : nullptr;
    if (symbolPicture.format() == QImage::Format_Indexed8 && format == ComposedFormat::Palette)
        return composeIndexed(symbolPicture, *layout, side, square.get());
    return composeRgb(symbolPicture, *layout, side, square.get());
}

} // namespace SymbolComposition
