#pragma once

#include "raster/ExportOutcome.h"
#include "raster/FilePlacement.h"
#include "raster/plain/FileFormats.h"
#include "raster/plain/RenderOptions.h"

#include <QByteArray>
#include <QImage>
#include <QString>

struct QRSymbol;

// The one way from a picture or a symbol to an image file: the window's save, quorlik-qr -o and
// batches all come through here. Every format carries exactly the pixels of the picture; a
// symbol is drawn once (SymbolDrawing) and every format is made from that drawing.
namespace ImageExport {

// What is drawn: a finished picture, or a symbol drawn with its render options (scale pixels
// or points a module, margin modules, the dark and light colours).
struct Source : RenderOptions {
    QImage picture;                   // used when symbol is null
    const QRSymbol* symbol = nullptr; // drawn with the render options
    // With a symbol: painted opaque over the centre square of the drawing, a quarter of its
    // side (margin included), where the window's picture carries its logo. SVG, EPS and PDF
    // embed it.
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

// The file's bytes in memory (a batch verifies them before they are published). SVG, EPS and
// PDF are drawn from a symbol only; JPG and BMP refuse a symbol in a transparent colour.
Encoded Encode(const Source& source, FileFormats::Format format, const Settings& settings = {});

// Encode, then FilePlacement::Place.
ExportOutcome::SaveOutcome Write(const Source& source, FileFormats::Format format,
                                 const FilePlacement::Target& target,
                                 const Settings& settings = {});

// The picture a symbol source stands for, in the 1-bit format every raster writer starts
// from. Null for a symbol too large to draw.
QImage SymbolPicture(const QRSymbol& symbol, const RenderOptions& options);

} // namespace ImageExport
