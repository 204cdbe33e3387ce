#pragma once

#include <QImage>
#include <QString>

#include <string>

// A picture file read for scanning: PNG, JPG, GIF, BMP, TIFF through Qt's image readers, SVG
// drawn by Qt's SVG renderer. Files are read whole but never beyond MaxFileBytes; symbolic
// links and anything but regular files are refused; pictures may be larger than Qt's usual
// allocation limit but not more than MaxSide pixels a side.
namespace PictureFile {

constexpr qint64 MaxFileBytes = qint64{128} << 20;
constexpr int MaxSide = 16384;

struct Loaded {
    QImage picture;
    QString error; // empty when the picture was read
};

Loaded Read(const std::string& path);

} // namespace PictureFile
