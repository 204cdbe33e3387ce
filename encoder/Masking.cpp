// The data mask and the format information (level and mask, BCH-protected, in two copies).
#include "encoder/clsQRCode.h"

#include <cstring>

bool clsQRCode::maskCondition(int pattern, int r, int c) {
    switch (pattern) {
    case 0: return (r + c) % 2 == 0;
    case 1: return r % 2 == 0;
    case 2: return c % 3 == 0;
    case 3: return (r + c) % 3 == 0;
    case 4: return (r / 2 + c / 3) % 2 == 0;
    case 5: return (r * c) % 2 + (r * c) % 3 == 0;
    case 6: return ((r * c) % 2 + (r * c) % 3) % 2 == 0;
    default: return ((r + c) % 2 + (r * c) % 3) % 2 == 0;
    }
}

namespace {

// Inverts the cells of one row where row + column is even.
void invertCheckerboardRow(std::uint8_t* row, int size, int r) {
    const std::uint64_t evenFirst =
        0x0001000100010001ULL; // cells 0, 2, 4, 6 of eight (little-endian)
    const std::uint64_t pattern = (r % 2 == 0) ? evenFirst : evenFirst << 8;
    int c = 0;
    for (; c + 8 <= size; c += 8) {
        std::uint64_t cells;
        std::memcpy(&cells, row + c, 8);
        cells ^= pattern;
        std::memcpy(row + c, &cells, 8);
    }
    for (; c < size; ++c) row[c] ^= static_cast<std::uint8_t>(~(r + c) & 1);
}

} // namespace

int clsQRCode::ApplyMask(std::uint8_t* matrix, int size, int pattern) {
    if (pattern < 0 || pattern > 7) pattern = 0;
    for (int r = 0; r < size; ++r) {
        std::uint8_t* row = matrix + r * size;
        if (pattern == 0) { // the generator's pattern, a checkerboard: eight cells at a time
            invertCheckerboardRow(row, size, r);
            continue;
        }
        for (int c = 0; c < size; ++c)
            if (maskCondition(pattern, r, c)) row[c] ^= 1;
    }
    return pattern;
}

int clsQRCode::FormatWord(int ecLevel, int maskPattern) {
    const int levelCode = (ecLevel - 1) ^ 1;
    const int data = levelCode * 8 + maskPattern;
    return ((data << 10) | BchRemainder(data, 0x537, 0x400, 10)) ^ 0x5412;
}

void clsQRCode::writeFormatInformation(std::uint8_t* grid, int stride, int version, int ecLevel,
                                       int mask) const {
    const int h = SymbolSize(version);
    const int word = FormatWord(ecLevel, mask);
    auto set = [&](int r, int c, int bit) {
        grid[r * stride + c] = (word & BitWeights[bit]) != 0 ? 1 : 0;
    };
    for (int i = 0; i <= 5; ++i) set(i, 8, i);
    set(7, 8, 6);
    set(8, 8, 7);
    set(8, 7, 8);
    for (int i = 9; i <= 14; ++i) set(8, 14 - i, i);
    for (int i = 0; i <= 7; ++i) set(8, h - 1 - i, i);
    for (int i = 8; i <= 14; ++i) set(h - 15 + i, 8, i);
}

// Micro QR's four masks are the QR patterns that leave no long light runs along the single
// finder's edges.
void clsQRCode::ApplyMicroMask(std::uint8_t* matrix, const std::uint8_t* function, int side,
                               int pattern) {
    constexpr int kQRPattern[4] = {1, 4, 6, 7};
    const int qrPattern = kQRPattern[pattern & 3];
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            if (function[r * side + c] == 0 && maskCondition(qrPattern, r, c))
                matrix[r * side + c] ^= 1;
}

// With only one finder, readers lean on the far edges: the mask that darkens the right column
// and the bottom row most evenly wins.
int clsQRCode::MicroMaskScore(const std::uint8_t* matrix, int side) {
    int right = 0, bottom = 0;
    for (int i = 1; i < side; ++i) {
        right += matrix[i * side + side - 1];
        bottom += matrix[(side - 1) * side + i];
    }
    return right <= bottom ? right * 16 + bottom : bottom * 16 + right;
}

int clsQRCode::MicroFormatWord(int symbolNumber, int maskPattern) {
    const int data = symbolNumber * 4 + maskPattern;
    return ((data << 10) | BchRemainder(data, 0x537, 0x400, 10)) ^ 0x4445;
}
