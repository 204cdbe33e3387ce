// The plain writers of symbols (raster/plain), which the command-line core and the window's
// export share.
#include "raster/plain/SymbolFiles.h"
#include "encoder/clsQRCode.h"
#include "raster/ImageExport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace {

QRSymbol SymbolOf(const std::string& payload, int version) {
    clsQRCode encoder;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(payload.data());
    return *encoder.EncodeToMatrix(bytes, static_cast<int>(payload.size()), version, 2, 3);
}

QByteArray Bytes(const std::string& file) {
    return QByteArray(file.data(), static_cast<qsizetype>(file.size()));
}

// Every pixel of the PNG, read back by Qt, is its module's colour or the margin's.
TEST(SymbolFiles, PngHasWholePixelModulesInsideTheMarginAtEveryScale) {
    for (const int version : {1, 2, 7, 40}) {
        const QRSymbol symbol = SymbolOf("plain rows " + std::to_string(version), version);
        for (const auto& [scale, margin] :
             {std::pair{1, 0}, {1, 4}, {2, 1}, {3, 0}, {5, 7}, {7, 3}, {9, 2}}) {
            SCOPED_TRACE("version " + std::to_string(version) + " scale " + std::to_string(scale) +
                         " margin " + std::to_string(margin));
            const RenderOptions options{scale, margin};
            if (!SymbolDrawing::Drawable(symbol, options)) continue;
            const QImage read =
                QImage::fromData(Bytes(SymbolFiles::Png(SymbolDrawing::Draw(symbol, options))));
            ASSERT_EQ(read.width(), (symbol.side() + 2 * margin) * scale);
            for (int y = 0; y < read.height(); ++y)
                for (int x = 0; x < read.width(); ++x) {
                    const int row = y / scale - margin, column = x / scale - margin;
                    const bool dark = row >= 0 && column >= 0 && row < symbol.side() &&
                                      column < symbol.side() && symbol.dark(row, column);
                    ASSERT_EQ(read.pixel(x, y), dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
                }
        }
    }
    // A picture beyond the side limit is refused rather than drawn.
    EXPECT_TRUE(ImageExport::SymbolPicture(SymbolOf("large", 40), RenderOptions{1000, 4}).isNull());
}

TEST(SymbolFiles, PicturesUpTo16384PixelsASideAreDrawable) {
    const QRSymbol symbol = SymbolOf("large", 40);           // 177 modules a side
    EXPECT_TRUE(SymbolDrawing::Drawable(symbol, {92, 0}));   // 16284 pixels
    EXPECT_FALSE(SymbolDrawing::Drawable(symbol, {93, 0}));  // 16461 pixels
    EXPECT_TRUE(SymbolDrawing::Drawable(symbol, {64, 39}));  // (177 + 78) × 64 = 16320
    EXPECT_FALSE(SymbolDrawing::Drawable(symbol, {64, 40})); // 16448
    EXPECT_FALSE(SymbolDrawing::Drawable(symbol, {0, 4}));
    EXPECT_FALSE(SymbolDrawing::Drawable(symbol, {1, -1}));
    EXPECT_EQ(SymbolDrawing::TooLargeText(symbol, {100, 100}),
              "a picture of 37700 \u00d7 37700 pixels is larger than the 16384-pixel limit");
}

TEST(SymbolFiles, SvgDrawsEveryDarkModuleOnceInsideTheMargin) {
    const QRSymbol symbol = SymbolOf("svg", 1);
    const std::string svg = SymbolFiles::Svg(SymbolDrawing::Draw(symbol, {4, 2}));
    EXPECT_NE(svg.find("width=\"100\" height=\"100\" viewBox=\"0 0 25 25\""), std::string::npos);
    EXPECT_EQ(svg.find("xmlns:xlink"), std::string::npos);
    // Every run "M<x> <y>h<n>v1h-<n>z" covers n dark modules; together they are all of them.
    int covered = 0;
    for (std::size_t at = svg.find("v1h-"); at != std::string::npos; at = svg.find("v1h-", at + 1))
        covered += std::stoi(svg.substr(at + 4));
    int dark = 0;
    for (int r = 0; r < symbol.side(); ++r)
        for (int c = 0; c < symbol.side(); ++c) dark += symbol.dark(r, c);
    EXPECT_EQ(covered, dark);
    const std::string withLogo =
        SymbolFiles::Svg(SymbolDrawing::Draw(symbol, {4, 2}), "<image/>\n");
    EXPECT_NE(withLogo.find("xmlns:xlink"), std::string::npos);
    EXPECT_NE(withLogo.find("\"/>\n<image/>\n</svg>\n"), std::string::npos);
}

} // namespace
