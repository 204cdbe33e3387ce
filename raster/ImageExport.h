#pragma once

#include "raster/ExportOutcome.h"
#include "raster/FilePlacement.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringView>

#include <optional>

struct QRSymbol;

// The one way from a picture or a symbol to an image file: the window's save, quorlik-qr -o and
// batches all come through here. Every format carries exactly the pixels of the picture.
namespace ImageExport {

enum class Format { Png, Jpeg, Gif, Tiff, Bmp, Svg };

// "png", "jpg", "gif", "tif", "bmp" or "svg" (also "jpeg" and "tiff"), compared without case.
std::optional<Format> FormatNamed(QStringView name);
// The format a file name's extension names; nothing for none or an unknown one.
std::optional<Format> FormatOfFileName(const QString& fileName);
// "png", "jpg", "gif", "tif", "bmp", "svg".
QString ExtensionOf(Format format);

// What is drawn: a finished picture, or a symbol drawn with whole pixels per module.
struct Source {
    QImage picture;                   // used when symbol is null
    const QRSymbol* symbol = nullptr; // drawn at `scale` pixels per module, `margin` modules
    int scale = 1;
    int margin = 4;
    // With a symbol: painted opaque over the centre square of the drawing, a quarter of its
    // side (margin included), where the window's picture carries its logo. SVG embeds it.
    QImage logo;
};

// The codec settings of the window's export.
struct Settings {
    int jpegQuality = 90;     // 0–100, clamped
    int tiffColourDepth = 24; // 1 black and white, 4 or 8 palette, 32 RGBA, else 24-bit RGB
    int tiffCompression = 6;  // the classic value 2 is LZW; anything else is uncompressed
};

struct Encoded {
    ExportOutcome::SaveOutcome outcome; // written is true when bytes hold the whole file
    QByteArray bytes;
};

// The file's bytes in memory (a batch verifies them before they are published).
Encoded Encode(const Source& source, Format format, const Settings& settings = {});

// Encode, then FilePlacement::Place.
ExportOutcome::SaveOutcome Write(const Source& source, Format format,
                                 const FilePlacement::Target& target,
                                 const Settings& settings = {});

// The picture a symbol source stands for (scale pixels a module, white margin), in the
// 1-bit format every writer starts from. Null for a symbol too large to draw.
QImage SymbolPicture(const QRSymbol& symbol, int scale, int margin);

} // namespace ImageExport
