#include "raster/plain/SymbolFiles.h"

#include "raster/plain/PngRows.h"

#include <cstdio>

namespace SymbolFiles {
namespace {

using SymbolDrawing::Drawing;
using SymbolDrawing::Run;

bool Painted(const Colour& colour) {
    return colour.alpha != 0;
}

// 0–255 as a fraction with at most three decimals: "0", "1", "0.502".
std::string Fraction(std::uint8_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", value / 255.0);
    std::string fraction = text;
    while (fraction.back() == '0') fraction.pop_back();
    if (fraction.back() == '.') fraction.pop_back();
    return fraction;
}

// fill="#rrggbb", and its opacity when partly transparent.
std::string SvgFill(const Colour& colour) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", colour.red, colour.green, colour.blue);
    std::string fill = "fill=\"" + std::string(hex) + '"';
    if (colour.alpha != 255 && colour.alpha != 0)
        fill += " fill-opacity=\"" + Fraction(colour.alpha) + '"';
    return fill;
}

// Each run is one closed rectangle of a path; runs in one path keep the file small and leave
// no hairline seams between neighbouring modules. Qt's SVG reader truncates a path past 32,767
// elements (five a run), so a large symbol's runs are spread over a few paths.
constexpr std::size_t MaxRunsPerPath = 4096;

std::string SvgPaths(const Drawing& drawing, const std::string& fill) {
    std::string paths;
    std::size_t runsInPath = 0;
    for (std::size_t row = 0; row < drawing.rows.size(); ++row)
        for (const Run& run : drawing.rows[row]) {
            if (runsInPath == MaxRunsPerPath) paths += "\"/>\n", runsInPath = 0;
            if (runsInPath++ == 0) paths += "<path " + fill + " d=\"";
            const std::string length = std::to_string(run.length);
            paths += 'M' + std::to_string(run.column) + ' ' + std::to_string(row) + 'h' + length +
                     "v1h-" + length + 'z';
        }
    return runsInPath ? paths + "\"/>\n" : "<path " + fill + " d=\"\"/>\n";
}

// The colour as PostScript's setrgbcolor, flattened onto white.
std::string PostScriptColour(const Colour& colour) {
    const auto flattened = [&](std::uint8_t channel) {
        return std::uint8_t((channel * colour.alpha + 255 * (255 - colour.alpha) + 127) / 255);
    };
    return Fraction(flattened(colour.red)) + ' ' + Fraction(flattened(colour.green)) + ' ' +
           Fraction(flattened(colour.blue)) + " setrgbcolor\n";
}

// "width x y r" per run, y counted up from the bottom; one line per module row.
std::string PostScriptRuns(const Drawing& drawing) {
    std::string runs;
    for (std::size_t row = 0; row < drawing.rows.size(); ++row) {
        const std::string y = std::to_string(drawing.moduleRows() - 1 - int(row));
        for (const Run& run : drawing.rows[row])
            runs += std::to_string(run.length) + ' ' + std::to_string(run.column) + ' ' + y + " r ";
        if (!drawing.rows[row].empty()) runs.back() = '\n';
    }
    return runs;
}

} // namespace

std::string Png(const Drawing& drawing) {
    PngRows::Layout layout;
    layout.width = drawing.width();
    layout.height = drawing.height();
    layout.depth = 1;
    layout.colourType = PngRows::ColourType::Palette;
    layout.rowBytes = (std::size_t(layout.width) + 7) / 8;
    layout.filter = PngRows::Filter::None;
    layout.level = 2;
    const RenderOptions& options = drawing.options;
    return PngRows::Encode(layout, {options.light, options.dark}, [&](int y, unsigned char* out) {
        if (y > 0 && drawing.runsOfPixelRow(y) == drawing.runsOfPixelRow(y - 1)) return false;
        SymbolDrawing::PackPixelRow(drawing, y, out, layout.rowBytes);
        return true;
    });
}

std::string Svg(const Drawing& drawing, const std::string& overlay) {
    const std::string columns = std::to_string(drawing.columns);
    const std::string rows = std::to_string(drawing.moduleRows());
    const RenderOptions& options = drawing.options;
    const std::string xlink =
        overlay.empty() ? std::string() : " xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    const std::string light = Painted(options.light)
                                  ? "<rect width=\"" + columns + "\" height=\"" + rows + "\" " +
                                        SvgFill(options.light) + "/>\n"
                                  : std::string();
    const std::string dark =
        Painted(options.dark) ? SvgPaths(drawing, SvgFill(options.dark)) : std::string();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\"" +
           xlink + " version=\"1.1\" width=\"" + std::to_string(drawing.width()) + "\" height=\"" +
           std::to_string(drawing.height()) + "\" viewBox=\"0 0 " + columns + ' ' + rows +
           "\" shape-rendering=\"crispEdges\">\n" + light + dark + overlay + "</svg>\n";
}

std::string Eps(const Drawing& drawing, const std::string& overlay) {
    const std::string box =
        std::to_string(drawing.width()) + ' ' + std::to_string(drawing.height());
    const std::string columns = std::to_string(drawing.columns);
    const std::string rows = std::to_string(drawing.moduleRows());
    const RenderOptions& options = drawing.options;
    std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n"
                      "%%BoundingBox: 0 0 " +
                      box + "\n%%HiResBoundingBox: 0 0 " + box +
                      "\n%%Creator: Quorlik\n%%LanguageLevel: 2\n%%Pages: 1\n%%EndComments\n"
                      "%%Page: 1 1\n"
                      "save\n/r { moveto dup 0 rlineto 0 1 rlineto neg 0 rlineto closepath } "
                      "bind def\n" +
                      std::to_string(options.scale) + ' ' + std::to_string(options.scale) +
                      " scale\n";
    if (Painted(options.light))
        eps += PostScriptColour(options.light) + "0 0 moveto " + columns + " 0 rlineto 0 " + rows +
               " rlineto -" + columns + " 0 rlineto closepath fill\n";
    if (Painted(options.dark))
        eps += PostScriptColour(options.dark) + "newpath\n" + PostScriptRuns(drawing) + "fill\n";
    return eps + overlay + "restore\nshowpage\n%%EOF\n";
}

} // namespace SymbolFiles
