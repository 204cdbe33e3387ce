#pragma once

#include "raster/保存为PNGJPG.h"

#include <QImage>
#include <QString>

// The window's save: 保存为PNGJPG's writers with the wait cursor while they write and, after a
// failure, the error box (title "错误", information icon, text of ErrorText). Each returns the
// outcome to the caller.
namespace 保存为PNGJPG {

SaveOutcome SavePictureFile(const QImage& picture, const QString& fileName,
                            const QString& extension, int jpegQuality, int tiffColourDepth,
                            int tiffCompression);

SaveOutcome SaveSourceFile(const ImageExport::Source& source, const QString& fileName,
                           const QString& extension, int jpegQuality, int tiffColourDepth,
                           int tiffCompression);

// The four lines of the error message, separated by carriage return and line feed (Qt lays
// them out exactly as plain line feeds).
QString ErrorText(const SaveOutcome& outcome);

} // namespace 保存为PNGJPG
