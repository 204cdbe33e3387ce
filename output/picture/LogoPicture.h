#pragma once

#include <QImage>
#include <QString>

#include <optional>

// Loads a logo picture from a file: JPEG, BMP, GIF or PNG, recognised by content. The window,
// the command line and batches all load through here, so they accept and refuse the same files.
// Anything else, a truncated file, a file that is not a regular file or is larger than 32 MiB,
// or a picture beyond Qt's allocation limit gives nothing. Pictures larger than 1024 pixels a
// side come back reduced to that, keeping their shape.
namespace LogoPicture {

std::optional<QImage> Load(const QString& fileName);

// The same from the file's bytes.
std::optional<QImage> Decode(const QByteArray& bytes);

} // namespace LogoPicture
