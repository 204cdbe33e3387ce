#pragma once

#include <QByteArray>
#include <QImage>

// 24-bit PNG files of opaque pictures, written straight from their 32-bit rows.
namespace RgbPng {

// The whole file, or an empty array when zlib fails. `picture` must not have an alpha channel.
QByteArray Encode(const QImage& picture);

} // namespace RgbPng
