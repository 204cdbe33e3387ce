#include "SymbolLayout.h"

#include <QImage>

#include <map>
#include <memory>
#include <mutex>

namespace {

// Qt's nearest-neighbour stretch of n to side pixels, taken from Qt itself once per size so
// that the pictures stay pixel for pixel what they have always been. Each pixel of an index
// picture names its own row and column; the stretch is separable, which is checked.
bool takeQtStretch(int n, int side, SymbolLayout& layout) {
    QImage index(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) index.setPixel(x, y, qRgb(0, y, x));
    const QImage stretched =
        index.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    layout.sourceColumn.resize(side);
    layout.sourceRow.resize(side);
    for (int i = 0; i < side; ++i) {
        layout.sourceColumn[i] = qBlue(stretched.pixel(i, 0));
        layout.sourceRow[i] = qGreen(stretched.pixel(0, i));
    }
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (stretched.pixel(x, y) != qRgb(0, layout.sourceRow[y], layout.sourceColumn[x]))
                return false;
    layout.logo = QRect(3 * side / 8, 3 * side / 8, side / 4, side / 4);
    return true;
}

void wholePixelModules(int n, int side, SymbolLayout& layout) {
    const int k = side / n;
    const int drawn = k * n;
    const int origin = (side - drawn) / 2;
    layout.sourceColumn.assign(side, -1);
    for (int i = 0; i < drawn; ++i) layout.sourceColumn[origin + i] = i / k;
    layout.sourceRow = layout.sourceColumn;
    const int logoSide = drawn / 4;
    const int logoOrigin = origin + (drawn - logoSide) / 2;
    layout.logo = QRect(logoOrigin, logoOrigin, logoSide, logoSide);
}

std::unique_ptr<SymbolLayout> makeLayout(int n, int side) {
    auto layout = std::make_unique<SymbolLayout>();
    // Index pictures hold row and column in 8 bits each.
    if (side >= 3 * n && n <= 255 && takeQtStretch(n, side, *layout)) return layout;
    if (side >= 3 * n) return nullptr;
    wholePixelModules(n, side, *layout);
    return layout;
}

} // namespace

const SymbolLayout* LayoutFor(int n, int side) {
    if (n <= 0 || n > side) return nullptr;
    static std::mutex mutex;
    static std::map<std::pair<int, int>, std::unique_ptr<SymbolLayout>> layouts;
    const std::lock_guard lock(mutex);
    auto& slot = layouts[{n, side}];
    if (!slot) slot = makeLayout(n, side);
    return slot.get();
}
