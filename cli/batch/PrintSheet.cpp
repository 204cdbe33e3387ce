// The sheet goes through Qt's QPdfWriter, as single PDF files do: it embeds a subset of the CJK
// font for the captions and writes an image drawn many times (the logo) once.
#include "cli/batch/PrintSheet.h"

#include "files/FileAccess.h"
#include "raster/SymbolPictures.h"
#include "raster/plain/SymbolDrawing.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Paper = SheetSettings::Paper;

constexpr double Millimetre = 72.0 / 25.4; // in points
constexpr double PageMargin = 10 * Millimetre;
constexpr double CellPadding = 1.5 * Millimetre;
constexpr double CaptionHeight = 4 * Millimetre;
constexpr double CaptionPoints = 7;
constexpr double CutMarkLength = 2 * Millimetre;

QPageSize PageSizeOf(Paper paper) {
    switch (paper) {
    case Paper::Letter: return QPageSize(QPageSize::Letter);
    case Paper::A3: return QPageSize(QPageSize::A3);
    case Paper::A4: break;
    }
    return QPageSize(QPageSize::A4);
}

// One symbol in the spool: its kind, version, level, mask and colours, the caption in UTF-8,
// then the modules eight to a byte, row after row.
struct SpoolHeader {
    std::uint8_t kind;
    std::uint8_t version;
    std::uint8_t level;
    std::uint8_t mask;
    Colour dark;
    Colour light;
    std::uint32_t captionBytes;
};

void Spool(std::FILE* spool, const QRSymbol& symbol, const std::string& caption, Colour dark,
           Colour light) {
    const std::string& text = caption;
    const SpoolHeader header{std::uint8_t(symbol.kind()),
                             std::uint8_t(symbol.version()),
                             std::uint8_t(LevelNumber(symbol.level())),
                             std::uint8_t(symbol.maskPattern()),
                             dark,
                             light,
                             std::uint32_t(text.size())};
    std::vector<std::uint8_t> packed((symbol.modules().size() + 7) / 8, 0);
    for (std::size_t i = 0; i < symbol.modules().size(); ++i)
        if (symbol.modules()[i]) packed[i / 8] |= std::uint8_t(0x80 >> (i % 8));
    std::fwrite(&header, sizeof header, 1, spool);
    std::fwrite(text.data(), 1, text.size(), spool);
    std::fwrite(packed.data(), 1, packed.size(), spool);
}

struct SpooledSymbol {
    std::optional<QRSymbol> symbol;
    QString caption;
    Colour dark;
    Colour light;
};

SpooledSymbol Unspool(std::FILE* spool) {
    SpooledSymbol read;
    SpoolHeader header;
    if (std::fread(&header, sizeof header, 1, spool) != 1) return read;
    QByteArray text(qsizetype(header.captionBytes), '\0');
    if (std::fread(text.data(), 1, std::size_t(text.size()), spool) != std::size_t(text.size()))
        return read;
    const auto kind = static_cast<SymbolKind>(header.kind);
    const QRSymbol::Size size = QRSymbol::SizeOf(kind, header.version);
    const std::size_t count = std::size_t(size.width) * std::size_t(size.height);
    std::vector<std::uint8_t> packed((count + 7) / 8);
    if (std::fread(packed.data(), 1, packed.size(), spool) != packed.size()) return read;
    std::shared_ptr<std::uint8_t[]> modules = std::make_shared<std::uint8_t[]>(count);
    for (std::size_t i = 0; i < count; ++i) modules[i] = (packed[i / 8] >> (7 - i % 8)) & 1;
    read.symbol.emplace(header.version, LevelOfNumber(header.level).value_or(EcLevel::M),
                        header.mask, 0, 0, std::vector<QRSegment>{}, std::move(modules), kind);
    read.caption = QString::fromUtf8(text);
    read.dark = header.dark;
    read.light = header.light;
    return read;
}

// Line breaks and other control characters in a caption print as spaces.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    return text;
}

void DrawCutMarks(QPainter& painter, const QRectF& cell) {
    painter.save();
    painter.setPen(QPen(Qt::gray, 0.25));
    for (const QPointF corner :
         {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()}) {
        const double dx = corner.x() == cell.left() ? CutMarkLength : -CutMarkLength;
        const double dy = corner.y() == cell.top() ? CutMarkLength : -CutMarkLength;
        painter.drawLine(corner, corner + QPointF(dx, 0));
        painter.drawLine(corner, corner + QPointF(0, dy));
    }
    painter.restore();
}

// Lays the symbols of `spool` out on the pages of `pdf`; the number of pages.
int LayOut(QPdfWriter& pdf, std::FILE* spool, int symbols, const SheetSettings& settings,
           const RenderOptions& render, const QImage& logo) {
    QPainter painter;
    if (!painter.begin(&pdf)) return 0;
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSizeF(CaptionPoints);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &pdf);
    const QSizeF page = pdf.pageLayout().fullRect(QPageLayout::Point).size();
    const auto [columns, rows] = settings.columns > 0 ? std::pair{settings.columns, settings.rows}
                                                      : PrintSheet::DefaultGrid(settings.paper);
    const double cellWidth = (page.width() - 2 * PageMargin) / columns;
    const double cellHeight = (page.height() - 2 * PageMargin) / rows;
    const double boxWidth = cellWidth - 2 * CellPadding;
    const double boxHeight = cellHeight - 2 * CellPadding - CaptionHeight;
    int pages = 1;
    for (int i = 0; i < symbols; ++i) {
        const SpooledSymbol spooled = Unspool(spool);
        if (!spooled.symbol) break;
        const int cell = i % (columns * rows);
        if (cell == 0 && i > 0) {
            pdf.newPage();
            ++pages;
        }
        const QRectF area(PageMargin + (cell % columns) * cellWidth,
                          PageMargin + (cell / columns) * cellHeight, cellWidth, cellHeight);
        const SymbolDrawing::Drawing drawing = SymbolDrawing::Draw(
            *spooled.symbol, RenderOptions{1, render.margin, spooled.dark, spooled.light});
        const double module =
            std::min(boxWidth / drawing.columns, boxHeight / drawing.moduleRows());
        const QSizeF size(drawing.columns * module, drawing.moduleRows() * module);
        const QPointF at(area.left() + (cellWidth - size.width()) / 2,
                         area.top() + CellPadding + (boxHeight - size.height()) / 2);
        SymbolPictures::PaintVectors(painter, drawing, logo, QRectF(at, size));
        const QRectF captionBox(area.left() + CellPadding,
                                area.bottom() - CellPadding - CaptionHeight, boxWidth,
                                CaptionHeight);
        painter.drawText(captionBox, Qt::AlignHCenter | Qt::AlignVCenter,
                         metrics.elidedText(OneLine(spooled.caption), Qt::ElideRight, boxWidth));
        if (settings.cutMarks) DrawCutMarks(painter, area);
    }
    return painter.end() ? pages : 0;
}

} // namespace

std::pair<int, int> PrintSheet::DefaultGrid(Paper paper) {
    // Cells of about 38 × 40 mm on every paper: a symbol box over 30 mm beside its caption.
    switch (paper) {
    case Paper::Letter: return {5, 6};
    case Paper::A3: return {7, 10};
    case Paper::A4: break;
    }
    return {5, 7};
}

PrintSheet::PrintSheet(const SheetSettings& settings, const RenderOptions& render,
                       const QImage& logo)
    : settings_(settings), render_(render), logo_(logo), spool_(std::tmpfile()) {}

PrintSheet::~PrintSheet() = default;

void PrintSheet::Add(const QRSymbol& symbol, const std::string& caption, Colour dark,
                     Colour light) {
    if (!spool_) return;
    Spool(spool_.get(), symbol, caption, dark, light);
    ++symbols_;
}

std::string PrintSheet::Write() {
    const std::string cannot =
        "cannot write the print sheet " + FileAccess::QuotedName(settings_.file) + ": ";
    if (!spool_ || std::fflush(spool_.get()) != 0 || std::ferror(spool_.get()))
        return cannot + "the temporary folder is full or cannot be written";
    std::rewind(spool_.get());
    std::unique_ptr<std::FILE, CloseFile> pdfSpool(std::tmpfile());
    QFile out;
    if (!pdfSpool || !out.open(::fileno(pdfSpool.get()), QIODevice::WriteOnly))
        return cannot + "the temporary folder cannot be written";
    {
        QPdfWriter pdf(&out);
        pdf.setResolution(72); // one unit a point
        pdf.setCreator(QStringLiteral("Quorlik"));
        pdf.setPageLayout(QPageLayout(PageSizeOf(settings_.paper), QPageLayout::Portrait,
                                      QMarginsF(), QPageLayout::Point));
        pages_ = LayOut(pdf, spool_.get(), symbols_, settings_, render_, logo_);
    }
    if (pages_ == 0 || !out.flush()) return cannot + "Qt could not lay it out";
    const FileAccess::Error error =
        FileAccess::ReplaceFileFrom(settings_.file, ::fileno(pdfSpool.get()));
    return error.failed() ? FileAccess::Describe(error) : std::string();
}
