#include "raster/GifEncoding.h"

#include "raster/PicturePalette.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace GifEncoding {

namespace {

// Screen and image sizes are 16-bit fields of the format.
constexpr int MaxSide = 65535;

int appendToByteArray(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<QByteArray*>(gif->UserData);
    bytes->append(reinterpret_cast<const char*>(data), length);
    return length;
}

QString describe(const char* step, int status) {
    const char* text = GifErrorString(status);
    return QStringLiteral("GIF %1: %2 (giflib %3)")
        .arg(QLatin1String(step), QString::fromUtf8(text ? text : "unknown error"))
        .arg(status);
}

// GIF palettes have a power-of-two size between 2 and 256 entries.
std::vector<GifColorType> paletteOf(const QList<QRgb>& table) {
    const int size = 1 << GifBitSize(std::max<int>(2, static_cast<int>(table.size())));
    std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
    for (int i = 0; i < table.size(); ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(qRed(table[i])),
                                  static_cast<GifByteType>(qGreen(table[i])),
                                  static_cast<GifByteType>(qBlue(table[i]))};
    return colours;
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The palette entry shown transparent, or -1 for none.
struct Frame {
    QImage indexed;
    int transparentEntry = -1;
};

// A graphic control extension naming the transparent entry (GIF89a).
bool putTransparency(GifFileType* gif, int entry) {
    const GifByteType control[4] = {0x01, 0, 0, GifByteType(entry)};
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_ERROR;
}

// Writes screen, image descriptor and pixel rows; on failure returns the step that failed.
const char* writeFrame(GifFileType* gif, Frame& frame, const ColorMapObject* map) {
    QImage& indexed = frame.indexed;
    const int width = indexed.width();
    const int height = indexed.height();
    if (frame.transparentEntry >= 0) EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_ERROR) return "screen descriptor";
    if (frame.transparentEntry >= 0 && !putTransparency(gif, frame.transparentEntry))
        return "transparency";
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR)
        return "image descriptor";
    for (int y = 0; y < height; ++y)
        if (EGifPutLine(gif, indexed.scanLine(y), width) == GIF_ERROR) return "pixel data";
    return nullptr;
}

// Why the picture cannot become a GIF at all; empty when it can.
QString refusalOf(const QImage& picture) {
    if (picture.isNull()) return QStringLiteral("GIF: no picture");
    if (picture.width() > MaxSide || picture.height() > MaxSide)
        return QStringLiteral("GIF: %1 × %2 pixels exceed the format's %3")
            .arg(picture.width())
            .arg(picture.height())
            .arg(MaxSide);
    return {};
}

// Runs giflib over one palette frame, collecting the file in result.bytes.
void encodeFrame(Frame& frame, const ColorMapObject* map, GifResult& result) {
    int status = E_GIF_SUCCEEDED;
    GifFileType* gif = EGifOpen(&result.bytes, appendToByteArray, &status);
    if (!gif) {
        result.error = describe("open", status);
        return;
    }
    const char* failedStep = writeFrame(gif, frame, map);
    const int frameStatus = gif->Error;
    int closeStatus = E_GIF_SUCCEEDED;
    const bool closed = EGifCloseFile(gif, &closeStatus) == GIF_OK; // frees gif in every case
    if (failedStep)
        result.error = describe(failedStep, frameStatus);
    else if (!closed)
        result.error = describe("close", closeStatus);
    else
        result.encoded = true;
}

QRgb flattenedOntoWhite(QRgb colour) {
    const int alpha = qAlpha(colour);
    const auto channel = [alpha](int value) { return (value * alpha + 255 * (255 - alpha)) / 255; };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

// A palette picture with transparent colours (a symbol in a transparent colour) keeps its first
// fully transparent entry transparent; GIF has no partial transparency, so every other colour
// is flattened onto white. Any other picture is reduced to a palette, flattened onto white.
Frame frameOf(const QImage& picture, QList<QRgb>& colours) {
    const std::optional<PalettePicture> exact =
        picture.hasAlphaChannel() ? ExactPalette(picture, true) : std::nullopt;
    const PalettePicture palette = exact ? *exact : ReducedPalette(picture);
    Frame frame{palette.indices};
    colours = palette.colours;
    for (int i = 0; i < colours.size(); ++i) {
        if (qAlpha(colours[i]) == 0 && frame.transparentEntry < 0) frame.transparentEntry = i;
        colours[i] = flattenedOntoWhite(colours[i]);
    }
    return frame;
}

} // namespace

GifResult EncodeGif(const QImage& picture) {
    GifResult result;
    result.error = refusalOf(picture);
    if (!result.error.isEmpty()) return result;
    QList<QRgb> table;
    Frame frame = frameOf(picture, table);
    std::vector<GifColorType> colours = paletteOf(table);
    const std::unique_ptr<ColorMapObject, MapDeleter> map(
        GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
    if (!map) {
        result.error = describe("colour map", E_GIF_ERR_NOT_ENOUGH_MEM);
        return result;
    }
    encodeFrame(frame, map.get(), result);
    if (!result.encoded) result.bytes.clear();
    return result;
}

} // namespace GifEncoding
