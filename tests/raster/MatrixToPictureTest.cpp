#include "mdlFakeBarCode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MatrixToPicture, ColoursMarginsAndOrientation) {
    // Two rows of four bytes: the first row must land on top, not at the bottom.
    const std::vector<std::uint8_t> bits = {1, 0, 2, 3, 0, 0, 0, 255};
    const QImage p = mdlFakeBarCode::MatrixToPicture(bits.data(), 4, 2, 2, 1, 3, 4);
    ASSERT_EQ(p.width(), 2 + 4 + 3);
    ASSERT_EQ(p.height(), 1 + 2 + 4);
    EXPECT_EQ(p.pixel(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(p.pixel(3, 1), qRgb(255, 255, 255));
    EXPECT_EQ(p.pixel(4, 1), qRgb(128, 128, 128));
    EXPECT_EQ(p.pixel(5, 1), qRgb(0, 0, 0));
    EXPECT_EQ(p.pixel(5, 2), qRgb(0, 0, 0));
    EXPECT_EQ(p.pixel(2, 2), qRgb(255, 255, 255));
    for (int x = 0; x < p.width(); ++x) {
        EXPECT_EQ(p.pixel(x, 0), qRgb(255, 255, 255));
        EXPECT_EQ(p.pixel(x, 6), qRgb(255, 255, 255));
    }
    for (int y = 0; y < p.height(); ++y) EXPECT_EQ(p.pixel(8, y), qRgb(255, 255, 255));
}

TEST(MatrixToPicture, NoMarginsGiveTheMatrixExactlyAndBadInputGivesNothing) {
    const std::vector<std::uint8_t> bits = {1, 0, 0, 1};
    const QImage p = mdlFakeBarCode::MatrixToPicture(bits.data(), 4, 1, 0, 0, 0, 0);
    ASSERT_EQ(p.size(), QSize(4, 1));
    EXPECT_EQ(p.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(p.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(mdlFakeBarCode::MatrixToPicture(nullptr, 4, 1, 0, 0, 0, 0).isNull());
    EXPECT_TRUE(mdlFakeBarCode::MatrixToPicture(bits.data(), 0, 1, 0, 0, 0, 0).isNull());
}

} // namespace
