#pragma once

#include "raster/plain/SymbolDrawing.h"

#include <string>

// A drawn symbol written as a PNG, SVG or EPS file's bytes, in the drawing's colours: the one
// implementation behind ImageExport's symbol sources and the command-line core.
namespace SymbolFiles {

// A palette PNG of 1 bit a pixel, light index 0 and dark index 1, their alpha through tRNS when
// not opaque; empty when zlib fails, which is told as PngFailedText.
std::string Png(const SymbolDrawing::Drawing& drawing);
inline constexpr char PngFailedText[] = "the picture could not be encoded (PNG: zlib failed)";

// A light square and one path of dark modules, viewBox in modules, drawn crisp; width and
// height are modules × scale. A transparent colour is left unpainted, a partly transparent one
// carries its opacity. `overlay`, when given, is markup drawn over the symbol (a logo's
// <image>), for which the xlink namespace is declared.
std::string Svg(const SymbolDrawing::Drawing& drawing, const std::string& overlay = {});

// Encapsulated PostScript 3.0, one page as tight as the drawing (scale points a module): the
// light square and one filled path of the dark runs. PostScript has no transparency: a
// transparent colour is left unpainted, a partly transparent one is flattened onto white.
// `overlay`, when given, is PostScript drawn over the symbol in module units (a logo).
std::string Eps(const SymbolDrawing::Drawing& drawing, const std::string& overlay = {});

} // namespace SymbolFiles
