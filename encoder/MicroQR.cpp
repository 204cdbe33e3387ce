// The Micro QR driver (M1–M4): version choice, stream and padding, error correction, the
// single finder's function patterns, placement, mask choice and format information.
#include "encoder/Segmentation.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

// Per version and level L, M, Q: data capacity in bits, error-correction codewords and the
// symbol number of the format information (-1: no such symbol). M1 detects errors only and
// answers to L and M alike.
struct MicroLevel {
    int dataBits;
    int ecCodewords;
    int symbolNumber;
};

constexpr MicroLevel kMicroLevels[4][3] = {
    {{20, 2, 0}, {20, 2, 0}, {0, 0, -1}},
    {{40, 5, 1}, {32, 6, 2}, {0, 0, -1}},
    {{84, 6, 3}, {68, 8, 4}, {0, 0, -1}},
    {{128, 8, 5}, {112, 10, 6}, {80, 14, 7}},
};

MicroLevel microLevel(int version, EcLevel level) {
    if (version < 1 || version > 4 || level == EcLevel::H) return {0, 0, -1};
    return kMicroLevels[version - 1][LevelNumber(level) - 1];
}

// Mode indicators grow by one bit per version, from none in M1; counts are narrower than QR's.
SegmentLayout microLayout(int version) {
    SegmentLayout layout;
    layout.indicatorBits = version - 1;
    layout.indicator[ModeNumeric] = 0;
    layout.indicator[ModeAlphanumeric] = 1;
    layout.indicator[ModeByte] = 2;
    layout.indicator[ModeKanji] = 3;
    layout.countBits[ModeNumeric] = version + 2;
    layout.countBits[ModeAlphanumeric] = version >= 2 ? version + 1 : 0;
    layout.countBits[ModeByte] = version >= 3 ? version + 1 : 0;
    layout.countBits[ModeKanji] = version >= 3 ? version : 0;
    layout.terminatorBits = 2 * version + 1;
    return layout;
}

int packByte(const std::uint8_t* cells) {
    int value = 0;
    for (int b = 0; b < 8; ++b) value = (value << 1) | cells[b];
    return value;
}

// One finder with its separator, timing along the top row and the left column, and the
// format cells (row 8 and column 8 next to the finder) reserved.
void drawMicroFunctionPatterns(std::uint8_t* function, int side) {
    auto at = [&](int r, int c) -> std::uint8_t& { return function[r * side + c]; };
    for (int r = 0; r <= 7; ++r)
        for (int c = 0; c <= 7; ++c) {
            const bool ring = ((r == 1 || r == 5) && c >= 1 && c <= 5) ||
                              ((c == 1 || c == 5) && r >= 1 && r <= 5);
            at(r, c) = (r == 7 || c == 7 || ring) ? kLight : kDark;
        }
    for (int i = 8; i < side; ++i) {
        at(0, i) = i % 2 == 0 ? kDark : kLight;
        at(i, 0) = i % 2 == 0 ? kDark : kLight;
    }
    for (int i = 1; i <= 8; ++i) {
        at(8, i) = kLight;
        at(i, 8) = kLight;
    }
}

// The bits into the free cells in zigzag order: two-column strips from the bottom-right
// corner, upward then downward, right cell first. Column 0 is timing, so no strip skips.
void placeMicroBits(const std::uint8_t* function, std::uint8_t* matrix, int side,
                    const std::vector<std::uint8_t>& bits) {
    std::size_t next = 0;
    auto visit = [&](int r, int c) {
        if (function[r * side + c] == 0 && next < bits.size()) matrix[r * side + c] = bits[next++];
    };
    bool upward = true;
    for (int c = side - 1; c >= 1; c -= 2, upward = !upward)
        for (int i = 0; i < side; ++i) {
            const int r = upward ? side - 1 - i : i;
            visit(r, c);
            visit(r, c - 1);
        }
}

// Bit 14 at row 8 beside the finder, along the row to bit 7, then up column 8 to bit 0.
void writeMicroFormat(std::uint8_t* matrix, int side, int word) {
    for (int i = 0; i <= 7; ++i) matrix[8 * side + 1 + i] = (word >> (14 - i)) & 1;
    for (int j = 0; j <= 6; ++j) matrix[(j + 1) * side + 8] = (word >> j) & 1;
}

// Function cells: 1 stays dark, 2 becomes light; free cells keep their bit.
void mergeFunctionCells(std::uint8_t* matrix, const std::uint8_t* function, int cells) {
    for (int i = 0; i < cells; ++i)
        if (function[i] != 0) matrix[i] = function[i] & 1;
}

} // namespace

void clsQRCode::PadToCodewords(std::uint8_t* bits, int d, int capacity) {
    std::fill(bits + std::min(d, capacity), bits + capacity + 8, 0);
    int position = std::min(capacity, (std::min(d, capacity) + 7) / 8 * 8);
    for (int pad = 0; position + 8 <= capacity; position += 8, ++pad) {
        const int value = pad % 2 == 0 ? 0xEC : 0x11;
        for (int b = 0; b < 8; ++b)
            bits[position + b] = static_cast<std::uint8_t>((value >> (7 - b)) & 1);
    }
}

int clsQRCode::MicroSymbolNumber(int version, EcLevel level) {
    return microLevel(version, level).symbolNumber;
}

int clsQRCode::MicroDataBits(int version, EcLevel level) {
    return microLevel(version, level).dataBits;
}

int clsQRCode::MicroEcCodewords(int version, EcLevel level) {
    return microLevel(version, level).ecCodewords;
}

// The smallest version (from the forced one, when given) that has the level and holds the
// stream without its terminator; the segmentation of the chosen version is kept.
int clsQRCode::chooseMicroVersion(const std::uint8_t* data, int count, const MicroOptions& options,
                                  std::optional<Segmentation>& segmentation) const {
    const int first = options.version == 0 ? 1 : options.version;
    const int last = options.version == 0 ? 4 : options.version;
    for (int v = first; v <= last; ++v) {
        const MicroLevel level = microLevel(v, options.level);
        if (level.symbolNumber < 0) continue;
        const SegmentLayout layout = microLayout(v);
        segmentation.emplace(data, count, layout, options.allowKanji);
        if (segmentation->streamLength() - layout.terminatorBits <= level.dataBits) return v;
    }
    return 0;
}

// The data codewords (a final 4-bit one padded with 0000 to a byte), then their
// error-correction codewords, as one bit cell each: data cells up to the capacity only.
std::vector<std::uint8_t> clsQRCode::microCodewords(const std::uint8_t* dataBits, int version,
                                                    EcLevel level) {
    const MicroLevel m = microLevel(version, level);
    const int D = (m.dataBits + 7) / 8;
    const int E = m.ecCodewords;
    if (!reedSolomon_) reedSolomon_ = std::make_unique<clsReedSolomon>();
    reedSolomon_->Init(D, E, field_, 0, 0);
    std::int32_t block[64] = {};
    for (int i = 0; i < D; ++i) block[E + D - 1 - i] = packByte(dataBits + 8 * i);
    reedSolomon_->Encode(block);
    std::vector<std::uint8_t> bits(dataBits, dataBits + m.dataBits);
    for (int k = 0; k < E; ++k)
        for (int b = 7; b >= 0; --b)
            bits.push_back(static_cast<std::uint8_t>((block[E - 1 - k] >> b) & 1));
    return bits;
}

std::optional<QRSymbol> clsQRCode::EncodeMicro(const std::uint8_t* data, int count,
                                               const MicroOptions& options) {
    if (options.version < 0 || options.version > 4) return std::nullopt;
    if (count < 0) count = 0;
    // No Micro symbol holds more than 128 data bits.
    if (cannotFitAnyStream(count, 0, MicroDataBits(4, EcLevel::L))) return std::nullopt;
    std::optional<Segmentation> segmentation;
    const int version = chooseMicroVersion(data, count, options, segmentation);
    if (version == 0) return std::nullopt;

    const int capacity = MicroDataBits(version, options.level);
    const int d = segmentation->streamLength();
    std::vector<std::uint8_t> dataBits(static_cast<std::size_t>(std::max(d, capacity) + 8), 0);
    std::vector<QRSegment> segments;
    segmentation->write(dataBits.data(), &segments);
    PadToCodewords(dataBits.data(), d, capacity);
    const std::vector<std::uint8_t> bits = microCodewords(dataBits.data(), version, options.level);

    const int side = MicroSymbolSize(version);
    const int cells = side * side;
    std::vector<std::uint8_t> function(cells, 0), placed(cells, 0);
    drawMicroFunctionPatterns(function.data(), side);
    placeMicroBits(function.data(), placed.data(), side, bits);

    std::shared_ptr<std::uint8_t[]> modules =
        std::make_shared_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(cells));
    const bool forced = options.mask >= 0 && options.mask <= 3;
    int bestMask = forced ? options.mask : 0, bestScore = -1;
    for (int mask = forced ? options.mask : 0; mask <= (forced ? options.mask : 3); ++mask) {
        std::vector<std::uint8_t> candidate = placed;
        ApplyMicroMask(candidate.data(), function.data(), side, mask);
        mergeFunctionCells(candidate.data(), function.data(), cells);
        const int score = MicroMaskScore(candidate.data(), side);
        if (score <= bestScore) continue;
        bestScore = score;
        bestMask = mask;
        std::copy(candidate.begin(), candidate.end(), modules.get());
    }
    const int symbolNumber = microLevel(version, options.level).symbolNumber;
    writeMicroFormat(modules.get(), side, MicroFormatWord(symbolNumber, bestMask));
    return QRSymbol(version, options.level, bestMask, d, 0, std::move(segments), std::move(modules),
                    SymbolKind::Micro);
}
