#include "encoder/clsQRCode.h"

#include <gtest/gtest.h>

namespace {

TEST(SymbolTables, CodewordCountsAndRemainderBits) {
    const std::pair<int, int> totals[] = {{1, 26},    {2, 44},    {7, 196},  {14, 581},
                                          {21, 1156}, {27, 1828}, {40, 3706}};
    for (auto [v, total] : totals) EXPECT_EQ(clsQRCode::TotalCodewords(v), total) << v;
    EXPECT_EQ(clsQRCode::RawDataModules(1), 208);
    EXPECT_EQ(clsQRCode::RawDataModules(2), 359);
    EXPECT_EQ(clsQRCode::RawDataModules(7), 1568);
    EXPECT_EQ(clsQRCode::RawDataModules(27), 14628);
    EXPECT_EQ(clsQRCode::RawDataModules(40), 29648);
    for (int v = 1; v <= 40; ++v) {
        int expected = 0;
        if (v >= 2 && v <= 6) expected = 7;
        if ((v >= 14 && v <= 20) || (v >= 28 && v <= 34)) expected = 3;
        if (v >= 21 && v <= 27) expected = 4;
        EXPECT_EQ(clsQRCode::RawDataModules(v) % 8, expected) << v;
    }
}

TEST(SymbolTables, DataCapacitiesAndBlockBufferBound) {
    clsQRCode qr;
    const int capacities[][5] = {{1, 19, 16, 13, 9},
                                 {2, 34, 28, 22, 16},
                                 {10, 274, 216, 154, 122},
                                 {40, 2956, 2334, 1666, 1276}};
    for (const auto& row : capacities)
        for (int level = 1; level <= 4; ++level)
            EXPECT_EQ(qr.DataCodewords(row[0], level), row[level]) << row[0] << "/" << level;
    EXPECT_EQ(qr.BlockCount(5, 3), 4);
    EXPECT_EQ(qr.EcCodewords(27, 2), 28);
    for (int v = 1; v <= 40; ++v)
        for (int level = 1; level <= 4; ++level) {
            const int blocks = qr.BlockCount(v, level);
            const int longest = (qr.DataCodewords(v, level) + blocks - 1) / blocks;
            EXPECT_GT(qr.DataCodewords(v, level), 0);
            EXPECT_LE(longest + qr.EcCodewords(v, level), 256) << v << "/" << level;
        }
}

TEST(SymbolTables, AlignmentSpacingGivesTheStandardCentres) {
    clsQRCode qr;
    const int spacing[] = {16, 18, 20, 22, 24, 26, 28, 20, 22, 24, 24, 26, 28, 28, 22, 24, 24,
                           26, 26, 28, 28, 24, 24, 26, 26, 26, 28, 28, 24, 26, 26, 26, 28, 28};
    for (int v = 7; v <= 40; ++v) EXPECT_EQ(qr.AlignmentSpacingOf(v), spacing[v - 7]) << v;
    for (int v = 1; v <= 6; ++v) EXPECT_EQ(qr.AlignmentSpacingOf(v), 255);
    EXPECT_EQ(clsQRCode::AlignmentCountPerSide(1), 1);
    EXPECT_EQ(clsQRCode::AlignmentCountPerSide(7), 3);
    EXPECT_EQ(clsQRCode::AlignmentCountPerSide(40), 7);
}

} // namespace
