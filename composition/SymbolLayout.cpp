#include "composition/SymbolLayout.h"

#include <QImage>

#include <map>
#include <memory>
#include <mutex>

namespace {

// The spans of a map from picture pixels to symbol pixels, when every symbol pixel covers one
// unbroken run (-1 in the map is white).
bool spansOf(const std::vector<int>& sourceOf, int n, SymbolLayout& layout) {
    layout.spans.assign(size_t(n), SymbolLayout::Span{});
    int expected = 0;
    for (int x = 0; x < int(sourceOf.size()); ++x) {
        const int source = sourceOf[size_t(x)];
        if (source < 0) continue;
        SymbolLayout::Span& span = layout.spans[size_t(source)];
        if (span.length == 0) {
            if (source != expected) return false;
            span.start = x;
            ++expected;
        } else if (span.start + span.length != x) {
            return false;
        }
        ++span.length;
    }
    return expected == n;
}

// Qt's nearest-neighbour stretch of n to side pixels, taken from Qt itself once per size so
// that the pictures stay pixel for pixel what they have always been. Each pixel of an index
// picture names its own row and column; the stretch is the same along both sides and separable,
// which is checked.
bool takeQtStretch(int n, int side, SymbolLayout& layout) {
    QImage index(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) index.setPixel(x, y, qRgb(0, y, x));
    const QImage stretched =
        index.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    std::vector<int> sourceOf(size_t(side), 0);
    for (int i = 0; i < side; ++i) sourceOf[size_t(i)] = qBlue(stretched.pixel(i, 0));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (stretched.pixel(x, y) != qRgb(0, sourceOf[size_t(y)], sourceOf[size_t(x)]))
                return false;
    layout.logo = QRect(3 * side / 8, 3 * side / 8, side / 4, side / 4);
    return spansOf(sourceOf, n, layout);
}

void wholePixelModules(int n, int side, SymbolLayout& layout) {
    const int k = side / n;
    const int drawn = k * n;
    const int origin = (side - drawn) / 2;
    layout.spans.resize(size_t(n));
    for (int i = 0; i < n; ++i) layout.spans[size_t(i)] = SymbolLayout::Span{origin + i * k, k};
    layout.wholePixels = k;
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
