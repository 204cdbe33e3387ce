#include "raster/PicturePalette.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int MaxColours = 256;

std::optional<PalettePicture> exactFromIndexed(const QImage& picture, bool keepAlpha) {
    const int width = picture.width();
    const int height = picture.height();
    // Only the entries the pixels use, each colour once.
    std::array<bool, 256> used{};
    for (int y = 0; y < height; ++y) {
        const uchar* row = picture.constScanLine(y);
        // A symbol's rows mostly repeat the row above: nothing new to find there.
        if (y > 0 && std::memcmp(row, picture.constScanLine(y - 1), size_t(width)) == 0) continue;
        for (int x = 0; x < width; ++x) used[row[x]] = true;
    }
    const QList<QRgb> table = picture.colorTable();
    std::array<uchar, 256> entry{};
    bool identity = true;
    PalettePicture palette;
    for (int i = 0; i < 256; ++i) {
        if (!used[size_t(i)]) continue;
        const QRgb colour = i < table.size() ? table[i] : qRgb(0, 0, 0);
        if (qAlpha(colour) != 255 && !keepAlpha) return std::nullopt;
        qsizetype at = palette.colours.indexOf(colour);
        if (at < 0) {
            at = palette.colours.size();
            palette.colours.append(colour);
        }
        entry[size_t(i)] = uchar(at);
        identity = identity && at == i;
    }
    if (identity) {
        // The usual case (a composed picture): the pixels are already the indices.
        palette.indices = picture;
    } else {
        QImage indices(picture.size(), QImage::Format_Indexed8);
        for (int y = 0; y < height; ++y) {
            const uchar* in = picture.constScanLine(y);
            uchar* out = indices.scanLine(y);
            for (int x = 0; x < width; ++x) out[x] = entry[in[x]];
        }
        palette.indices = indices;
    }
    palette.indices.setColorTable(palette.colours);
    return palette;
}

// A direct-mapped memory of recent colours in front of the hash: a symbol's pixels alternate
// between two colours, which then never reach the hash.
class ColourIndex {
  public:
    // The colour's palette index, adding it when new; nothing once a 257th colour turns up.
    std::optional<uchar> indexOf(QRgb colour, QList<QRgb>& colours) {
        Slot& slot = slots_[(colour ^ colour >> 8 ^ colour >> 16) & (Slots - 1)];
        if (slot.filled && slot.colour == colour) return slot.index;
        auto found = index_.constFind(colour);
        if (found == index_.constEnd()) {
            if (colours.size() == MaxColours) return std::nullopt;
            found = index_.insert(colour, uchar(colours.size()));
            colours.append(colour | 0xFF000000);
        }
        slot = Slot{colour, *found, true};
        return *found;
    }

  private:
    static constexpr int Slots = 64;
    struct Slot {
        QRgb colour = 0;
        uchar index = 0;
        bool filled = false;
    };
    Slot slots_[Slots];
    QHash<QRgb, uchar> index_;
};

std::optional<PalettePicture> exactFromRgb(const QImage& rgb) {
    PalettePicture palette;
    ColourIndex index;
    QImage indices(rgb.size(), QImage::Format_Indexed8);
    const int width = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indices.scanLine(y);
        // A symbol's rows mostly repeat the row above: nothing new to find there.
        if (y > 0 && std::memcmp(in, rgb.constScanLine(y - 1), size_t(width) * sizeof(QRgb)) == 0) {
            std::memcpy(out, indices.constScanLine(y - 1), size_t(width));
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const std::optional<uchar> at = index.indexOf(in[x], palette.colours);
            if (!at) return std::nullopt;
            out[x] = *at;
        }
    }
    indices.setColorTable(palette.colours);
    palette.indices = indices;
    return palette;
}

// ---- Median cut over the colours that are neither black nor white -------------------------

struct Box {
    std::vector<QRgb> colours; // distinct
    int widestChannel() const {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (QRgb c : colours) {
            const int v[3] = {qRed(c), qGreen(c), qBlue(c)};
            for (int i = 0; i < 3; ++i)
                lo[i] = std::min(lo[i], v[i]), hi[i] = std::max(hi[i], v[i]);
        }
        int best = 0;
        for (int i = 1; i < 3; ++i)
            if (hi[i] - lo[i] > hi[best] - lo[best]) best = i;
        return hi[best] - lo[best] > 0 ? best : -1;
    }
    QRgb mean() const {
        long long sum[3] = {0, 0, 0};
        for (QRgb c : colours) sum[0] += qRed(c), sum[1] += qGreen(c), sum[2] += qBlue(c);
        const long long n = static_cast<long long>(colours.size());
        return qRgb(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
    }
};

int channel(QRgb c, int which) {
    return which == 0 ? qRed(c) : which == 1 ? qGreen(c) : qBlue(c);
}

std::vector<Box> medianCut(std::vector<QRgb> colours, int boxes) {
    std::vector<Box> result{Box{std::move(colours)}};
    while (int(result.size()) < boxes) {
        // Split the box with the most colours that still has a spread.
        int pick = -1;
        for (int i = 0; i < int(result.size()); ++i)
            if (result[i].colours.size() > 1 && result[i].widestChannel() >= 0 &&
                (pick < 0 || result[i].colours.size() > result[pick].colours.size()))
                pick = i;
        if (pick < 0) break;
        const int which = result[pick].widestChannel();
        std::vector<QRgb>& all = result[pick].colours;
        std::sort(all.begin(), all.end(),
                  [which](QRgb a, QRgb b) { return channel(a, which) < channel(b, which); });
        Box upper{std::vector<QRgb>(all.begin() + all.size() / 2, all.end())};
        all.resize(all.size() / 2);
        result.push_back(std::move(upper));
    }
    return result;
}

PalettePicture reduced(const QImage& rgb) {
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    QHash<QRgb, int> entryOf;
    std::vector<QRgb> others;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = in[x] | 0xFF000000;
            if (c != black && c != white && !entryOf.contains(c)) {
                entryOf.insert(c, -1);
                others.push_back(c);
            }
        }
    }
    PalettePicture palette;
    palette.colours = {white, black};
    for (const Box& box : medianCut(std::move(others), MaxColours - 2)) {
        for (QRgb c : box.colours) entryOf[c] = int(palette.colours.size());
        palette.colours.append(box.mean());
    }
    QImage indices(rgb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indices.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = in[x] | 0xFF000000;
            out[x] = c == white ? 0 : c == black ? 1 : uchar(entryOf.value(c));
        }
    }
    indices.setColorTable(palette.colours);
    palette.indices = indices;
    return palette;
}

} // namespace

std::optional<PalettePicture> ExactPalette(const QImage& picture, bool keepAlpha) {
    if (picture.isNull()) return std::nullopt;
    if (picture.format() == QImage::Format_Indexed8) return exactFromIndexed(picture, keepAlpha);
    if (picture.depth() == 1)
        return exactFromIndexed(picture.convertToFormat(QImage::Format_Indexed8), keepAlpha);
    if (picture.hasAlphaChannel()) return std::nullopt;
    return exactFromRgb(picture.convertToFormat(QImage::Format_RGB32));
}

QImage FlattenedOntoWhite(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

PalettePicture ReducedPalette(const QImage& picture) {
    if (std::optional<PalettePicture> exact = ExactPalette(picture)) return *exact;
    const QImage rgb = FlattenedOntoWhite(picture);
    if (std::optional<PalettePicture> exact = exactFromRgb(rgb)) return *exact;
    return reduced(rgb);
}
