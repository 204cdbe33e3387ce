#pragma once

#include <QImage>
#include <QString>

#include <optional>

// Loads a page's logo picture from a file: JPEG, BMP, GIF or PNG, recognised by content.
// Anything else, a truncated file, or a picture beyond Qt's allocation limit gives nothing.
namespace LogoPicture {

std::optional<QImage> Load(const QString& fileName);

} // namespace LogoPicture
