#include "encoder/clsQRCode.h"
#include "raster/mdlFakeBarCode.h"

#include <gtest/gtest.h>

#include <string>
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

// The symbol's picture: every module one pixel, a light margin of four modules on each side.
TEST(MatrixToPicture, SymbolPictureIsTheSymbolInAFourModuleMargin) {
    clsQRCode qr;
    const std::string payload = "01234567";
    const auto symbol = qr.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                          static_cast<int>(payload.size()), 1, 2, 0);
    ASSERT_TRUE(symbol);
    const QImage picture = mdlFakeBarCode::SymbolPicture(*symbol);
    ASSERT_EQ(picture.size(), QSize(29, 29));
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 29; ++x) {
            const bool inside = x >= 4 && x < 25 && y >= 4 && y < 25;
            const bool dark = inside && symbol->dark(y - 4, x - 4);
            EXPECT_EQ(picture.pixel(x, y), dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
                << x << "," << y;
        }
}

} // namespace
