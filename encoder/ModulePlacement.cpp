// Function patterns, the zigzag placement of the codeword stream and the version information.
// FunctionMatrix cells: 0 free (data), 1 dark function module, 2 light function module.
#include "encoder/clsQRCode.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kDark = 1;
constexpr std::uint8_t kLight = 2;

struct Grid {
    std::uint8_t* cells;
    int stride;
    std::uint8_t& at(int r, int c) const { return cells[r * stride + c]; }
};

void drawFinders(const Grid& g, int h) {
    for (int r = 0; r <= 7; ++r) {
        for (int c = 0; c <= 7; ++c) {
            const bool ring = ((r == 1 || r == 5) && c >= 1 && c <= 5) ||
                              ((c == 1 || c == 5) && r >= 1 && r <= 5);
            const std::uint8_t value = (r == 7 || c == 7 || ring) ? kLight : kDark;
            g.at(r, c) = value;
            g.at(r, h - 1 - c) = value;
            g.at(h - 1 - r, c) = value;
        }
    }
}

void reserveFormatAreas(const Grid& g, int h) {
    for (int i = 0; i <= 7; ++i) {
        g.at(8, i) = kLight;
        g.at(i, 8) = kLight;
        g.at(8, h - 1 - i) = kLight;
        g.at(h - 1 - i, 8) = kLight;
    }
    g.at(8, 8) = kLight;
}

void reserveVersionAreas(const Grid& g, int h) {
    for (int r = h - 11; r <= h - 9; ++r) {
        for (int c = 0; c <= 6; ++c) {
            g.at(r, c) = kLight;
            g.at(c, r) = kLight;
        }
    }
}

void drawTiming(const Grid& g, int h) {
    for (int i = 8; i <= h - 9; ++i) {
        const std::uint8_t value = i % 2 == 0 ? kDark : kLight;
        g.at(6, i) = value;
        g.at(i, 6) = value;
    }
}

void drawAlignmentPattern(const Grid& g, int row, int column) {
    for (int dr = -2; dr <= 2; ++dr)
        for (int dc = -2; dc <= 2; ++dc) {
            const bool dark = dr == 2 || dr == -2 || dc == 2 || dc == -2 || (dr == 0 && dc == 0);
            g.at(row + dr, column + dc) = dark ? kDark : kLight;
        }
}

} // namespace

void clsQRCode::DrawFunctionPatterns(std::uint8_t* matrix, int version) const {
    if (version < 1 || version > 40) return;
    const int h = SymbolSize(version);
    const Grid g{matrix, h + 3};
    drawFinders(g, h);
    reserveFormatAreas(g, h);
    g.at(h - 8, 8) = kDark;
    if (version >= 7) reserveVersionAreas(g, h);
    drawTiming(g, h);
    if (version < 2) return;

    // Centres counted back from h - 7 by the version's spacing, down to 18.
    const int s = AlignmentSpacing[version];
    int centres[7];
    int n = 0;
    for (int p = h - 7; p >= 18; p -= s) centres[n++] = p;
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) drawAlignmentPattern(g, centres[a], centres[b]);
    for (int a = 1; a < n; ++a) {
        drawAlignmentPattern(g, 6, centres[a]);
        drawAlignmentPattern(g, centres[a], 6);
    }
}

// The free cells of the function matrix in zigzag order: two-column strips from the
// bottom-right corner, upward then downward, right cell first, skipping the timing column 6.
// Depends on the version alone, so it is worked out once per version and kept.
const std::vector<std::uint16_t>& clsQRCode::placementOrder(const std::uint8_t* function,
                                                            int version) {
    std::vector<std::uint16_t>& order = placementOrders_[version];
    if (!order.empty()) return order;
    const int h = SymbolSize(version);
    const int stride = h + 3;
    order.reserve(RawDataModules(version));
    auto visit = [&](int r, int c) {
        if (function[r * stride + c] == 0) order.push_back(static_cast<std::uint16_t>(r * h + c));
    };
    for (int R = h; R >= 5;) {
        int c = R - 2 < 6 ? R - 3 : R - 2;
        for (int r = h - 1; r >= 0; --r) {
            visit(r, c + 1);
            visit(r, c);
        }
        R -= 4;
        c = R < 6 ? R - 1 : R;
        for (int r = 0; r < h; ++r) {
            visit(r, c + 1);
            visit(r, c);
        }
    }
    return order;
}

// Codeword bits, most significant first, into the free cells in zigzag order. The free cells
// left over (the remainder bits) and all function cells stay 0.
void clsQRCode::placeCodewords(const std::uint8_t* function, std::uint8_t* dataMatrix,
                               const std::vector<std::uint8_t>& codewords, int version) {
    const int h = SymbolSize(version);
    const std::uint16_t* cell = placementOrder(function, version).data();
    std::fill(dataMatrix, dataMatrix + h * h, 0);
    for (std::uint8_t value : codewords) {
        for (int b = 7; b >= 0; --b)
            dataMatrix[*cell++] = static_cast<std::uint8_t>((value >> b) & 1);
    }
}

int clsQRCode::BchRemainder(int value, int generator, int topBit, int steps) {
    for (int i = 0; i < steps; ++i) {
        value *= 2;
        if (value & topBit) value = (value ^ generator) & (topBit - 1);
    }
    return value;
}

int clsQRCode::VersionWord(int version) const {
    return version * 4096 + BchRemainder(version, 0x1F25, 0x1000, 12);
}

void clsQRCode::writeVersionInformation(std::uint8_t* grid, int stride, int version) const {
    const int h = SymbolSize(version);
    const Grid g{grid, stride};
    const int word = VersionWord(version);
    for (int j = 0; j <= 5; ++j)
        for (int k = 0; k <= 2; ++k) {
            const std::uint8_t bit = (word & BitWeights[3 * j + k]) != 0 ? 1 : 0;
            g.at(h - 11 + k, j) = bit;
            g.at(j, h - 11 + k) = bit;
        }
}
