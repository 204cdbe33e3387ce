#pragma once

#include "raster/ExportOutcome.h"
#include "raster/ImageExport.h"

#include <QImage>
#include <QString>

// Image file export: a picture to a JPEG, PNG, GIF, TIFF or BMP file, a symbol also to SVG, EPS
// or PDF, chosen by extension (the FileFormats table). The encoding and the placing of the file
// are ImageExport's, shared with the command line. These writers show nothing: the window
// presents their outcome (forms/main/PictureSaving.h).
namespace 保存为PNGJPG {

// The outcome numbers and record of every export (see ExportOutcome).
using namespace ExportOutcome;

// `extension` is compared exactly (".jpg", ".png", ".gif", ".tif", ".bmp"; ".svg", ".eps" and
// ".pdf" refuse a picture), so callers pass it in lower case. The file appears only when
// complete; on failure whatever was at fileName stays as it was. jpegQuality is 0–100 (clamped).
// tiffColourDepth 1 writes a black-and-white TIFF, 4 or 8 a palette one, 32 RGBA and anything
// else 24-bit RGB. tiffCompression takes the classic encoder values: 2 is LZW, anything else (6
// in particular) means uncompressed.
SaveOutcome WritePictureFile(const QImage& picture, const QString& fileName,
                             const QString& extension, int jpegQuality, int tiffColourDepth,
                             int tiffCompression);

// WritePictureFile for any export source; ".svg", ".eps" and ".pdf" take a symbol source (the
// window's vector save), the other extensions a picture or a symbol.
SaveOutcome WriteSourceFile(const ImageExport::Source& source, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression);

} // namespace 保存为PNGJPG
