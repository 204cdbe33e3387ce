#pragma once

#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"

#include <QImage>

#include <sys/stat.h>

#include <string>

// The pictures the window's save is tested with, shared by the export's and the window's tests.
namespace SavedPictures {

inline const std::string Payload = "https://quorlik.example/二维码?id=240";

// The picture as the window composes it: the symbol stretched to 240 × 240.
inline QImage ComposedPicture() {
    clsQRCode encoder;
    const QImage symbol =
        EncodeToPicture(encoder, reinterpret_cast<const std::uint8_t*>(Payload.data()),
                        static_cast<int>(Payload.size()), 0, 3, -1);
    return symbol.scaled(240, 240, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace SavedPictures
