// The rMQR driver (ISO/IEC 23941, R7x43 … R17x139): version choice by area, stream and
// padding, blocks, the finder, sub-finder, corner, alignment and timing patterns, placement,
// the single mask and the two copies of the format information.
#include "encoder/Segmentation.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

// One rMQR version: its size, codewords, blocks at M and H, and the character-count widths
// of numeric, alphanumeric, byte and Kanji segments.
struct RmqrVersion {
    int height;
    int width;
    int totalCodewords;
    int dataM, dataH;
    int blocksM, blocksH;
    int numeric, alphanumeric, byte, kanji;
};

constexpr RmqrVersion kVersions[clsQRCode::RmqrVersions] = {
    {7, 43, 13, 6, 3, 1, 1, 4, 3, 3, 2},       {7, 59, 21, 12, 7, 1, 1, 5, 5, 4, 3},
    {7, 77, 32, 20, 10, 1, 1, 6, 5, 5, 4},     {7, 99, 44, 28, 14, 1, 1, 7, 6, 5, 5},
    {7, 139, 68, 44, 24, 1, 2, 7, 6, 6, 5},    {9, 43, 21, 12, 7, 1, 1, 5, 5, 4, 3},
    {9, 59, 33, 21, 11, 1, 1, 6, 5, 5, 4},     {9, 77, 49, 31, 17, 1, 2, 7, 6, 5, 5},
    {9, 99, 66, 42, 22, 1, 2, 7, 6, 6, 5},     {9, 139, 99, 63, 33, 2, 3, 8, 7, 6, 6},
    {11, 27, 15, 7, 5, 1, 1, 4, 4, 3, 2},      {11, 43, 31, 19, 11, 1, 1, 6, 5, 5, 4},
    {11, 59, 47, 31, 15, 1, 2, 7, 6, 5, 5},    {11, 77, 67, 43, 23, 1, 2, 7, 6, 6, 5},
    {11, 99, 89, 57, 29, 2, 2, 8, 7, 6, 6},    {11, 139, 132, 84, 42, 2, 3, 8, 7, 7, 6},
    {13, 27, 21, 12, 7, 1, 1, 5, 5, 4, 3},     {13, 43, 41, 27, 13, 1, 1, 6, 6, 5, 5},
    {13, 59, 60, 38, 20, 1, 2, 7, 6, 6, 5},    {13, 77, 85, 53, 29, 2, 2, 7, 7, 6, 6},
    {13, 99, 113, 73, 35, 2, 3, 8, 7, 7, 6},   {13, 139, 166, 106, 54, 3, 4, 8, 8, 7, 7},
    {15, 43, 51, 33, 15, 1, 2, 7, 6, 6, 5},    {15, 59, 74, 48, 26, 1, 2, 7, 7, 6, 5},
    {15, 77, 103, 67, 31, 2, 3, 8, 7, 7, 6},   {15, 99, 136, 88, 48, 2, 4, 8, 7, 7, 6},
    {15, 139, 199, 127, 69, 3, 5, 9, 8, 7, 7}, {17, 43, 61, 39, 21, 1, 2, 7, 6, 6, 5},
    {17, 59, 88, 56, 28, 2, 2, 8, 7, 6, 6},    {17, 77, 122, 78, 38, 2, 3, 8, 7, 7, 6},
    {17, 99, 160, 100, 56, 3, 4, 8, 8, 7, 6},  {17, 139, 232, 152, 76, 4, 6, 9, 8, 8, 7},
};

const RmqrVersion& versionOf(int version) {
    return kVersions[version - 1];
}

bool hasLevel(EcLevel level) {
    return level == EcLevel::M || level == EcLevel::H;
}

// Centre columns of the alignment patterns, by width; R*x27 has none.
std::vector<int> alignmentColumns(int width) {
    switch (width) {
    case 43: return {21};
    case 59: return {19, 39};
    case 77: return {25, 51};
    case 99: return {23, 49, 75};
    case 139: return {27, 55, 83, 111};
    default: return {};
    }
}

// Three-bit mode indicators and a three-bit terminator; counts as wide as the version's table.
SegmentLayout rmqrLayout(const RmqrVersion& v) {
    SegmentLayout layout;
    layout.indicatorBits = 3;
    layout.indicator[ModeNumeric] = 0b001;
    layout.indicator[ModeAlphanumeric] = 0b010;
    layout.indicator[ModeByte] = 0b011;
    layout.indicator[ModeKanji] = 0b100;
    layout.countBits[ModeNumeric] = v.numeric;
    layout.countBits[ModeAlphanumeric] = v.alphanumeric;
    layout.countBits[ModeByte] = v.byte;
    layout.countBits[ModeKanji] = v.kanji;
    layout.terminatorBits = 3;
    return layout;
}

// The function patterns of one version, 1 dark and 2 light, the format cells reserved as
// light; 0 marks the cells that carry data.
class RmqrFunction {
  public:
    RmqrFunction(int height, int width) : h_(height), w_(width), cells_(std::size_t(h_ * w_), 0) {
        drawTiming();
        drawCorners();
        drawFinder();
        drawSubFinder();
        for (const int column : alignmentColumns(w_)) drawAlignment(column);
        reserveFormat();
    }
    const std::uint8_t* cells() const { return cells_.data(); }

    // Format bit i (0 = least significant) by the finder, and by the sub-finder.
    static std::pair<int, int> FinderSideCell(int bit) {
        return bit < 15 ? std::pair{1 + bit % 5, 8 + bit / 5} : std::pair{bit - 14, 11};
    }
    std::pair<int, int> SubFinderSideCell(int bit) const {
        return bit < 15 ? std::pair{h_ - 6 + bit % 5, w_ - 8 + bit / 5}
                        : std::pair{h_ - 6, w_ - 20 + bit};
    }

  private:
    std::uint8_t& at(int r, int c) { return cells_[std::size_t(r * w_ + c)]; }
    static std::uint8_t alternate(int i) { return i % 2 == 0 ? kDark : kLight; }

    // Along all four edges, dark on even positions; the finder's column is drawn over later.
    void drawTiming() {
        for (int c = 0; c < w_; ++c) at(0, c) = at(h_ - 1, c) = alternate(c);
        for (int r = 0; r < h_; ++r) at(r, 0) = at(r, w_ - 1) = alternate(r);
    }
    // Three dark modules and a light one in the top-right and bottom-left corners.
    void drawCorners() {
        at(0, w_ - 2) = at(0, w_ - 1) = at(1, w_ - 1) = kDark;
        at(1, w_ - 2) = kLight;
        at(h_ - 1, 0) = at(h_ - 1, 1) = at(h_ - 2, 0) = kDark;
        at(h_ - 2, 1) = kLight;
    }
    // The 7 × 7 finder with its separator: a light column, and a light row below when the
    // symbol is taller than the finder.
    void drawFinder() {
        for (int r = 0; r < std::min(h_, 8); ++r)
            for (int c = 0; c <= 7; ++c) {
                const int ring = std::max(std::abs(r - 3), std::abs(c - 3));
                at(r, c) = (r == 7 || c == 7 || ring == 2) ? kLight : kDark;
            }
    }
    // The 5 × 5 sub-finder in the bottom-right corner: dark ring, light ring, dark centre.
    void drawSubFinder() {
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c)
                at(h_ - 5 + r, w_ - 5 + c) =
                    std::max(std::abs(r - 2), std::abs(c - 2)) == 1 ? kLight : kDark;
    }
    // A vertical timing pattern with a 3 × 3 pattern (dark ring, light centre) at each end.
    void drawAlignment(int column) {
        for (int r = 0; r < h_; ++r) at(r, column) = alternate(r);
        for (const int centre : {1, h_ - 2})
            for (int r = -1; r <= 1; ++r)
                for (int c = -1; c <= 1; ++c)
                    at(centre + r, column + c) = (r == 0 && c == 0) ? kLight : kDark;
    }
    void reserveFormat() {
        for (int bit = 0; bit < 18; ++bit) {
            const auto [r, c] = FinderSideCell(bit);
            at(r, c) = kLight;
            const auto [sr, sc] = SubFinderSideCell(bit);
            at(sr, sc) = kLight;
        }
    }

    int h_;
    int w_;
    std::vector<std::uint8_t> cells_;
};

// The bits into the free cells in zigzag order: two-column strips from the column left of the
// right edge's timing pattern, upward then downward, right cell first. Cells left over stay 0.
void placeRmqrBits(const std::uint8_t* function, std::uint8_t* matrix, int height, int width,
                   const std::vector<std::uint8_t>& bits) {
    std::size_t next = 0;
    auto visit = [&](int r, int c) {
        const std::size_t cell = std::size_t(r * width + c);
        if (function[cell] == 0 && next < bits.size()) matrix[cell] = bits[next++];
    };
    bool upward = true;
    for (int c = width - 2; c >= 1; c -= 2, upward = !upward)
        for (int i = 0; i < height; ++i) {
            const int r = upward ? height - 1 - i : i;
            visit(r, c);
            visit(r, c - 1);
        }
}

// The one rMQR mask, applied to data cells only: (⌊row / 2⌋ + ⌊column / 3⌋) even.
void applyRmqrMask(std::uint8_t* matrix, const std::uint8_t* function, int height, int width) {
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            if (function[r * width + c] == 0 && (r / 2 + c / 3) % 2 == 0)
                matrix[r * width + c] ^= 1;
}

std::vector<std::uint8_t> codewordBits(const std::vector<std::uint8_t>& codewords) {
    std::vector<std::uint8_t> bits;
    bits.reserve(codewords.size() * 8);
    for (const std::uint8_t codeword : codewords)
        for (int b = 7; b >= 0; --b) bits.push_back(static_cast<std::uint8_t>((codeword >> b) & 1));
    return bits;
}

} // namespace

int clsQRCode::RmqrWidth(int version) {
    return versionOf(version).width;
}

int clsQRCode::RmqrHeight(int version) {
    return versionOf(version).height;
}

int clsQRCode::RmqrVersionOf(int height, int width) {
    for (int v = 1; v <= RmqrVersions; ++v)
        if (versionOf(v).height == height && versionOf(v).width == width) return v;
    return 0;
}

int clsQRCode::RmqrDataCodewords(int version, EcLevel level) {
    if (version < 1 || version > RmqrVersions || !hasLevel(level)) return 0;
    return level == EcLevel::H ? versionOf(version).dataH : versionOf(version).dataM;
}

int clsQRCode::RmqrFormatBits(int version, EcLevel level) {
    const int data = (level == EcLevel::H ? 32 : 0) | (version - 1);
    return data * 4096 + BchRemainder(data, 0x1F25, 0x1000, 12);
}

// The version of least area (on a tie the lower height, which comes first in the table)
// whose data capacity holds the stream without its terminator; its segmentation is kept.
int clsQRCode::chooseRmqrVersion(const std::uint8_t* data, int count, const RmqrOptions& options,
                                 std::optional<Segmentation>& segmentation) const {
    int best = 0;
    for (int v = 1; v <= RmqrVersions; ++v) {
        if (options.version != 0 && v != options.version) continue;
        const RmqrVersion& candidate = versionOf(v);
        if (best != 0 &&
            candidate.height * candidate.width >= versionOf(best).height * versionOf(best).width)
            continue;
        const SegmentLayout layout = rmqrLayout(candidate);
        const Segmentation trial(data, count, layout, options.allowKanji);
        if (trial.streamLength() - layout.terminatorBits <= 8 * RmqrDataCodewords(v, options.level))
            best = v;
    }
    if (best != 0)
        segmentation.emplace(data, count, rmqrLayout(versionOf(best)), options.allowKanji);
    return best;
}

std::optional<QRSymbol> clsQRCode::EncodeRmqr(const std::uint8_t* data, int count,
                                              const RmqrOptions& options) {
    if (options.version < 0 || options.version > RmqrVersions || !hasLevel(options.level))
        return std::nullopt;
    if (count < 0) count = 0;
    // No rMQR symbol holds more than R17x139-M's 152 data codewords.
    if (cannotFitAnyStream(count, 0, 8 * RmqrDataCodewords(RmqrVersions, EcLevel::M)))
        return std::nullopt;
    std::optional<Segmentation> segmentation;
    const int version = chooseRmqrVersion(data, count, options, segmentation);
    if (version == 0) return std::nullopt;
    const RmqrVersion& v = versionOf(version);

    const int dataCodewords = RmqrDataCodewords(version, options.level);
    const int capacity = 8 * dataCodewords;
    const int d = segmentation->streamLength();
    std::vector<std::uint8_t> dataBits(static_cast<std::size_t>(std::max(d, capacity) + 8), 0);
    std::vector<QRSegment> segments;
    segmentation->write(dataBits.data(), &segments);
    PadToCodewords(dataBits.data(), d, capacity);
    const int blocks = options.level == EcLevel::H ? v.blocksH : v.blocksM;
    const std::vector<std::uint8_t> bits = codewordBits(interleave(
        dataBits.data(), blocks, (v.totalCodewords - dataCodewords) / blocks, dataCodewords));

    const int cells = v.height * v.width;
    const RmqrFunction function(v.height, v.width);
    std::shared_ptr<std::uint8_t[]> modules =
        std::make_shared<std::uint8_t[]>(static_cast<std::size_t>(cells));
    std::uint8_t* matrix = modules.get();
    placeRmqrBits(function.cells(), matrix, v.height, v.width, bits);
    applyRmqrMask(matrix, function.cells(), v.height, v.width);
    for (int i = 0; i < cells; ++i)
        if (function.cells()[i] != 0) matrix[i] = function.cells()[i] & 1;

    const int format = RmqrFormatBits(version, options.level);
    constexpr int kFinderSideMask = 0x1FAB2;
    constexpr int kSubFinderSideMask = 0x20A7B;
    for (int bit = 0; bit < 18; ++bit) {
        const auto [r, c] = RmqrFunction::FinderSideCell(bit);
        matrix[r * v.width + c] =
            static_cast<std::uint8_t>(((format ^ kFinderSideMask) >> bit) & 1);
        const auto [sr, sc] = function.SubFinderSideCell(bit);
        matrix[sr * v.width + sc] =
            static_cast<std::uint8_t>(((format ^ kSubFinderSideMask) >> bit) & 1);
    }
    return QRSymbol(version, options.level, 0, d, 0, std::move(segments), std::move(modules),
                    SymbolKind::Rmqr);
}
