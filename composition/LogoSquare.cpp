#include "composition/LogoSquare.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

constexpr int CachedLogos = 8;

QImage paintedSquare(const QImage& logo, int size) {
    QImage square(size, size, QImage::Format_RGB32);
    // A light backing keeps a translucent logo from letting the modules through.
    square.fill(Qt::white);
    // Qt's smooth scaling draws a one-bit picture as a black-and-white mask, whatever its colour
    // table says; in 32-bit pixels every kind of picture keeps its own colours.
    const QImage colours = logo.convertToFormat(
        logo.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const QImage scaled =
        colours.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(0, 0, scaled);
    return square;
}

// The square as palette indices, when it has few enough colours.
void indexColours(LogoSquare& square) {
    QHash<QRgb, int> index;
    const int size = square.rgb.width();
    QImage indices(size, size, QImage::Format_Indexed8);
    for (int y = 0; y < size; ++y) {
        const QRgb* pixels = reinterpret_cast<const QRgb*>(square.rgb.constScanLine(y));
        uchar* out = indices.scanLine(y);
        for (int x = 0; x < size; ++x) {
            auto found = index.find(pixels[x]);
            if (found == index.end()) {
                if (index.size() == LogoSquare::MaxColours) return;
                found = index.insert(pixels[x], int(index.size()));
                square.colours.append(pixels[x]);
            }
            out[x] = uchar(*found);
        }
    }
    indices.setColorTable(square.colours);
    square.indices = indices;
}

struct CachedSquare {
    qint64 logoKey;
    std::shared_ptr<const LogoSquare> square;
};

} // namespace

std::shared_ptr<const LogoSquare> LogoSquareOf(const QImage& logo, int size) {
    // Keys are never reused: a changed or new picture gets a new one.
    thread_local std::vector<CachedSquare> cache;
    const qint64 key = logo.cacheKey();
    for (auto it = cache.begin(); it != cache.end(); ++it)
        if (it->logoKey == key && it->square->rgb.width() == size) {
            std::rotate(cache.begin(), it, it + 1); // most recent first
            return cache.front().square;
        }
    auto square = std::make_shared<LogoSquare>();
    square->rgb = paintedSquare(logo, size);
    indexColours(*square);
    if (square->colours.size() > LogoSquare::MaxColours || square->indices.isNull())
        square->colours.clear();
    if (cache.size() == CachedLogos) cache.pop_back();
    cache.insert(cache.begin(), CachedSquare{key, square});
    return square;
}
