#pragma once

#include "raster/plain/RenderOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one table of file formats: names for -t and --format, the extensions of -o and of the
// window's save dialog, and what each can hold.
namespace FileFormats {

enum class Format { Png, Jpeg, Gif, Tiff, Bmp, Svg, Eps, Pdf };

struct Row {
    Format format;
    std::string_view name;                    // "png": -t, --format, and the batch's extension
    std::vector<std::string_view> extensions; // the first is the one written
    bool alpha;                               // holds a transparent colour
    bool vector;                              // modules drawn as shapes, not pixels
    bool core;                                // the Qt-free program writes it itself
};

// Every format, in the order the window's save dialog offers them.
const std::vector<Row>& Table();
const Row& RowOf(Format format);

// A name or an extension, compared without case ("PNG", "jpeg", "tiff").
std::optional<Format> Named(std::string_view name);
// The format a file name's extension names; nothing for none or an unknown one.
std::optional<Format> OfFileName(std::string_view fileName);
// "png, jpg, gif, tif, bmp, svg, eps or pdf", for usage messages.
std::string NameList();

// Why the format cannot draw these colours (a transparent colour in a format without alpha), in
// the command line's words; nothing when it can.
std::optional<std::string> ColourProblem(Format format, const RenderOptions& options);

} // namespace FileFormats
