#pragma once

#include "reading/PictureReader.h"

#include <QImage>
#include <QString>

#include <optional>
#include <string>

// Loads a logo picture: any picture the one picture reader takes (PNG, JPEG, GIF, BMP, TIFF, SVG,
// the first frame of several), recognised by content, so the window, the command line and
// batches accept and refuse the same files.
// Anything else, a cut-off file, a file that is not a regular file or is larger than 32 MiB, or
// a picture beyond the pixel budget gives nothing. Large photographs are read: a JPEG is decoded
// scaled down, and any picture larger than 1024 pixels a side comes back reduced to that,
// keeping its shape.
namespace LogoPicture {

struct Loaded {
    QImage picture;                 // null when refused
    PictureReader::Outcome outcome; // why it was refused
};

Loaded Read(const std::string& path);

std::optional<QImage> Load(const std::string& path);
// A name as the window's file dialog gives it, in the system's file-name encoding.
std::optional<QImage> Load(const QString& fileName);

// The same from the file's bytes.
Loaded ReadBytes(const QByteArray& bytes);
std::optional<QImage> Decode(const QByteArray& bytes);

} // namespace LogoPicture
