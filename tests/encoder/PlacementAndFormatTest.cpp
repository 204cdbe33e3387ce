#include "encoder/clsQRCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QRSymbol encode(clsQRCode& qr, const std::string& payload, int version, int level, int mask) {
    auto s = qr.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                               static_cast<int>(payload.size()), version, level, mask);
    EXPECT_TRUE(s);
    return s.value(); // throws, and so fails the test, when nothing was made
}

bool isAlignmentPatternAt(const QRSymbol& s, int row, int column) {
    for (int dr = -2; dr <= 2; ++dr)
        for (int dc = -2; dc <= 2; ++dc) {
            const bool ring = dr == 2 || dr == -2 || dc == 2 || dc == -2;
            if (s.dark(row + dr, column + dc) != (ring || (dr == 0 && dc == 0))) return false;
        }
    return true;
}

TEST(Placement, VersionOneLayout) {
    clsQRCode qr;
    const QRSymbol s = encode(qr, "01234567", 1, 2, 0);
    ASSERT_EQ(s.side(), 21);
    ASSERT_EQ(s.modules().size(), 21u * 21u);
    for (int i = 8; i <= 12; ++i) {
        EXPECT_EQ(s.dark(6, i), i % 2 == 0);
        EXPECT_EQ(s.dark(i, 6), i % 2 == 0);
    }
    EXPECT_TRUE(s.dark(13, 8));
    // First codeword 16 = 00010000: bit 0 at (20,20), bit 1 at (20,19), bit 2 at (19,20),
    // bit 3 at (19,19); mask 0 inverts cells whose row + column is even.
    EXPECT_TRUE(s.dark(20, 20));
    EXPECT_FALSE(s.dark(20, 19));
    EXPECT_FALSE(s.dark(19, 20));
    EXPECT_FALSE(s.dark(19, 19)); // bit 3 is 1, inverted by the mask
}

TEST(Placement, FunctionMatrixCountsFreeCells) {
    clsQRCode qr;
    for (int v : {1, 2, 7, 14, 21, 27, 40}) {
        const int h = clsQRCode::SymbolSize(v);
        std::vector<std::uint8_t> m((h + 3) * (h + 3), 0);
        qr.DrawFunctionPatterns(m.data(), v);
        int free = 0;
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < h; ++c) free += m[r * (h + 3) + c] == 0;
        EXPECT_EQ(free, clsQRCode::RawDataModules(v)) << v;
    }
    std::vector<std::uint8_t> untouched(100, 0);
    qr.DrawFunctionPatterns(untouched.data(), 41);
    qr.DrawFunctionPatterns(untouched.data(), 0);
    for (auto b : untouched) EXPECT_EQ(b, 0);
}

TEST(Placement, AlignmentCentres) {
    clsQRCode qr;
    const QRSymbol v2 = encode(qr, "x", 2, 3, 0);
    EXPECT_TRUE(isAlignmentPatternAt(v2, 18, 18));
    const QRSymbol v7 = encode(qr, "x", 7, 3, 0);
    for (auto [r, c] : {std::pair{6, 22}, {22, 6}, {22, 22}, {22, 38}, {38, 22}, {38, 38}})
        EXPECT_TRUE(isAlignmentPatternAt(v7, r, c)) << r << "," << c;
    const QRSymbol v32 = encode(qr, "x", 32, 3, 0);
    const int centres[] = {6, 34, 60, 86, 112, 138};
    for (int a : centres)
        for (int b : centres) {
            const bool underFinder =
                (a == 6 && b == 6) || (a == 6 && b == 138) || (a == 138 && b == 6);
            if (underFinder) continue;
            EXPECT_TRUE(isAlignmentPatternAt(v32, a, b)) << a << "," << b;
        }
}

TEST(Placement, VersionInformationOfVersionSeven) {
    clsQRCode qr;
    EXPECT_EQ(qr.VersionWord(7), 0x07C94);
    EXPECT_EQ(clsQRCode::BchRemainder(5, 0x537, 0x400, 0), 5);
    const QRSymbol s = encode(qr, "version seven", 7, 3, 0);
    const int word = 0x07C94;
    for (int j = 0; j <= 5; ++j)
        for (int k = 0; k <= 2; ++k) {
            const bool bit = (word >> (3 * j + k)) & 1;
            EXPECT_EQ(s.dark(34 + k, j), bit);
            EXPECT_EQ(s.dark(j, 34 + k), bit);
        }
    EXPECT_FALSE(s.dark(34, 0));
    EXPECT_FALSE(s.dark(36, 5));
    EXPECT_FALSE(s.dark(34, 1));
    EXPECT_TRUE(s.dark(35, 2));
}

TEST(Format, WordsForEachLevel) {
    EXPECT_EQ(clsQRCode::FormatWord(3, 0), 0b011010101011111);
    EXPECT_EQ(clsQRCode::FormatWord(2, 0), 0b101010000010010);
    EXPECT_EQ(clsQRCode::FormatWord(1, 0), 0b111011111000100);
    EXPECT_EQ(clsQRCode::FormatWord(4, 0), 0b001011010001001);
}

TEST(Format, BothCopiesAndTheDarkModuleForEveryLevelAndMask) {
    clsQRCode qr;
    for (int level = 1; level <= 4; ++level)
        for (int mask = 0; mask <= 7; ++mask) {
            const QRSymbol s = encode(qr, "format", 3, level, mask);
            const int h = s.side();
            const int word = clsQRCode::FormatWord(level, mask);
            auto bit = [&](int i) { return ((word >> i) & 1) != 0; };
            for (int i = 0; i <= 5; ++i) EXPECT_EQ(s.dark(i, 8), bit(i));
            EXPECT_EQ(s.dark(7, 8), bit(6));
            EXPECT_EQ(s.dark(8, 8), bit(7));
            EXPECT_EQ(s.dark(8, 7), bit(8));
            for (int i = 9; i <= 14; ++i) EXPECT_EQ(s.dark(8, 14 - i), bit(i));
            for (int i = 0; i <= 7; ++i) EXPECT_EQ(s.dark(8, h - 1 - i), bit(i));
            for (int i = 8; i <= 14; ++i) EXPECT_EQ(s.dark(h - 15 + i, 8), bit(i));
            EXPECT_TRUE(s.dark(h - 8, 8));
        }
    const QRSymbol q = encode(qr, "generator", 0, 3, -1);
    EXPECT_FALSE(q.dark(8, 0));
    EXPECT_TRUE(q.dark(8, 1));
    EXPECT_TRUE(q.dark(0, 8));
    EXPECT_FALSE(q.dark(q.side() - 1, 8));
}

TEST(Masking, PatternsInvertTheirCells) {
    const int h = 21;
    for (int pattern : {1, 2}) {
        std::vector<std::uint8_t> m(h * h, 0);
        EXPECT_EQ(clsQRCode::ApplyMask(m.data(), h, pattern), pattern);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < h; ++c)
                EXPECT_EQ(m[r * h + c], pattern == 1 ? (r % 2 == 0) : (c % 3 == 0));
    }
    std::vector<std::uint8_t> zero(h * h, 0), minus(h * h, 0);
    EXPECT_EQ(clsQRCode::ApplyMask(zero.data(), h, 0), 0);
    EXPECT_EQ(clsQRCode::ApplyMask(minus.data(), h, -1), 0);
    EXPECT_EQ(zero, minus);
    EXPECT_EQ(clsQRCode::ApplyMask(minus.data(), h, 100), 0);
    for (auto cell : minus) EXPECT_EQ(cell, 0); // applied twice: back to the start
}

} // namespace
