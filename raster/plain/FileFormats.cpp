#include "raster/plain/FileFormats.h"

#include "raster/plain/RenderOptions.h"

#include <algorithm>
#include <cctype>

namespace FileFormats {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

const std::vector<Row>& Table() {
    static const std::vector<Row> table = {
        {Format::Jpeg, "jpg", {"jpg", "jpeg"}, false, false, false},
        {Format::Bmp, "bmp", {"bmp"}, false, false, false},
        {Format::Gif, "gif", {"gif"}, true, false, false},
        {Format::Png, "png", {"png"}, true, false, true},
        {Format::Tiff, "tif", {"tif", "tiff"}, true, false, false},
        {Format::Svg, "svg", {"svg"}, true, true, true},
        {Format::Pdf, "pdf", {"pdf"}, true, true, false},
        {Format::Eps, "eps", {"eps"}, true, true, true},
    };
    return table;
}

const Row& RowOf(Format format) {
    const auto& table = Table();
    return *std::find_if(table.begin(), table.end(),
                         [format](const Row& row) { return row.format == format; });
}

std::optional<Format> Named(std::string_view name) {
    for (const Row& row : Table())
        for (std::string_view extension : row.extensions)
            if (SameLetters(name, extension)) return row.format;
    return std::nullopt;
}

std::optional<Format> OfFileName(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::string_view base =
        slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return Named(base.substr(dot + 1));
}

std::string NameList() {
    static const Format order[] = {Format::Png, Format::Jpeg, Format::Gif, Format::Tiff,
                                   Format::Bmp, Format::Svg,  Format::Eps, Format::Pdf};
    std::string list;
    for (std::size_t i = 0; i < std::size(order); ++i) {
        if (i > 0) list += i + 1 == std::size(order) ? " or " : ", ";
        list += RowOf(order[i]).name;
    }
    return list;
}

std::optional<std::string> ColourProblem(Format format, const RenderOptions& options) {
    const Row& row = RowOf(format);
    if (row.alpha || (options.dark.opaque() && options.light.opaque())) return std::nullopt;
    return std::string(row.name) +
           " holds no transparency: give opaque colours (RRGGBB, or RRGGBBAA with alpha FF)";
}

} // namespace FileFormats

std::optional<Colour> Colour::Parse(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6 && text.size() != 8) return std::nullopt;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::uint8_t channels[4] = {0, 0, 0, 255};
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        channels[i / 2] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return Colour{channels[0], channels[1], channels[2], channels[3]};
}
