#include "mdlFakeBarCode.h"

namespace mdlFakeBarCode {

namespace {

QRgb colourOf(std::uint8_t value) {
    if (value == 0) return qRgb(255, 255, 255);
    if (value == 2) return qRgb(128, 128, 128);
    return qRgb(0, 0, 0);
}

} // namespace

QImage MatrixToPicture(const std::uint8_t* bits, int width, int height, int left, int top,
                       int right, int bottom) {
    if (!bits || width <= 0 || height <= 0 || left < 0 || top < 0 || right < 0 || bottom < 0)
        return {};
    QImage picture(left + width + right, top + height + bottom, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    picture.fill(Qt::white);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(top + y)) + left;
        const std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x < width; ++x) line[x] = colourOf(row[x]);
    }
    return picture;
}

} // namespace mdlFakeBarCode
