#include "composition/PayloadBytes.h"
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"
#include "tests/support/ZxingDecode.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace SymbolComposition;
using PayloadBytes::ToUtf8;
using SymbolJob::Generate;
using SymbolJob::Generated;
using SymbolJob::MinimumLogoVersion;

namespace {
// The window's symbol picture for these bytes.
QImage EncodeSymbol(clsQRCode& encoder, const QByteArray& utf8, bool withLogo) {
    return SymbolJob::SymbolPicture(
        SymbolJob::Encode(encoder, SymbolJob::WindowRequest(utf8, withLogo)));
}
} // namespace

namespace {

constexpr int LogoFirst = 90;
constexpr int LogoLast = 149;

bool InLogo(int x, int y) {
    return x >= LogoFirst && x <= LogoLast && y >= LogoFirst && y <= LogoLast;
}

QImage SymbolPicture(const QString& payload) {
    clsQRCode encoder;
    const QByteArray bytes = ToUtf8(payload);
    return EncodeToPicture(encoder, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           int(bytes.size()), 0, 3, -1);
}

// A colourful logo with detail, so smoothing and placement both matter.
QImage PatternLogo() {
    QImage logo(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixel(x, y, qRgb(200 - 4 * x, 40 + 8 * y, (x * y) % 256));
    return logo;
}

QImage SolidLogo(QRgb colour) {
    QImage logo(50, 50, QImage::Format_RGB32);
    logo.fill(colour);
    return logo;
}

// Nearest-neighbour stretch computed independently: the source pixel whose span holds the
// destination pixel's centre.
QRgb StretchedPixel(const QImage& symbol, int x, int y, int side) {
    const int sx = (2 * x + 1) * symbol.width() / (2 * side);
    const int sy = (2 * y + 1) * symbol.height() / (2 * side);
    return symbol.pixel(sx, sy) & 0xFFFFFF;
}

int CountPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

std::string Decoded(const QImage& picture) {
    const auto decoded = DecodeImage(picture);
    return decoded ? decoded->bytes : std::string("<unreadable>");
}

} // namespace

TEST(Composition, SymbolIsStretchedNearestNeighbour) {
    for (const char* payload : {"a", "二维码生成器", "https://example.com/?q=quorlik"}) {
        const QImage symbol = SymbolPicture(QString::fromUtf8(payload));
        ASSERT_FALSE(symbol.isNull());
        const QImage composed = Compose(symbol, QImage(), false);
        ASSERT_EQ(composed.size(), QSize(PictureSide, PictureSide));
        int matching = 0;
        for (int y = 0; y < PictureSide; ++y)
            for (int x = 0; x < PictureSide; ++x) {
                const QRgb pixel = composed.pixel(x, y) & 0xFFFFFF;
                ASSERT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << "blurred at " << x << "," << y;
                matching += pixel == StretchedPixel(symbol, x, y, PictureSide);
            }
        // Rounding may shift a block edge by one pixel; nothing more.
        EXPECT_GT(matching, PictureSide * PictureSide * 95 / 100) << payload;
    }
}

TEST(Composition, LogoFillsCentreSquareOnly) {
    const QImage symbol = SymbolPicture(QStringLiteral("logo placement"));
    const QImage plain = Compose(symbol, QImage(), false);
    const QImage red = Compose(symbol, SolidLogo(qRgb(255, 0, 0)), true);
    ASSERT_EQ(red.size(), QSize(240, 240));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 240; ++x) {
            if (InLogo(x, y))
                ASSERT_EQ(red.pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;
            else
                ASSERT_EQ(red.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        }
}

TEST(Composition, LogoPixelsDoNotDependOnTheSymbol) {
    const QImage logo = PatternLogo();
    const QImage first = Compose(SymbolPicture(QStringLiteral("A")), logo, true);
    const QImage second =
        Compose(SymbolPicture(QStringLiteral("ZZZZZZZZZZZZZZZZZZZZZZZZZZ")), logo, true);
    for (int y = LogoFirst; y <= LogoLast; ++y)
        for (int x = LogoFirst; x <= LogoLast; ++x)
            ASSERT_EQ(first.pixel(x, y), second.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(first.pixel(LogoFirst, LogoFirst) & 0xFFFFFF, logo.pixel(0, 0) & 0xFFFFFF);
}

TEST(Composition, TranslucentLogoStaysOpaque) {
    QImage ghost(20, 20, QImage::Format_ARGB32);
    ghost.fill(qRgba(0, 0, 0, 0));
    const QImage a = Compose(SymbolPicture(QStringLiteral("x")), ghost, true);
    const QImage b =
        Compose(SymbolPicture(QStringLiteral("yyyyyyyyyyyyyyyyyyyyyyyyyyy")), ghost, true);
    for (int y = LogoFirst; y <= LogoLast; ++y)
        for (int x = LogoFirst; x <= LogoLast; ++x) ASSERT_EQ(a.pixel(x, y), b.pixel(x, y));
}

TEST(Composition, NoLogoWhenFlagOffOrLogoMissing) {
    const QImage symbol = SymbolPicture(QStringLiteral("flag"));
    const QImage plain = Compose(symbol, QImage(), false);
    EXPECT_EQ(Compose(symbol, SolidLogo(qRgb(255, 0, 0)), false), plain);
    EXPECT_EQ(Compose(symbol, QImage(), true), plain);
    EXPECT_EQ(CountPixels(Compose(symbol, SolidLogo(qRgb(255, 0, 0)), false), qRgb(255, 0, 0)), 0);
}

TEST(Composition, ScansWithAndWithoutLogo) {
    const QImage logo = PatternLogo();
    for (const char* payload :
         {"五笔字型是害人害己害社会的汉字输入法", "Quorlik二维码 version 0.1 — 测试 123",
          "https://example.com/path?query=二维码&x=1"}) {
        const QString text = QString::fromUtf8(payload);
        const std::string bytes = ToUtf8(text).toStdString();
        const QImage symbol = SymbolPicture(text);
        EXPECT_EQ(Decoded(Compose(symbol, logo, false)), bytes) << payload;
        EXPECT_EQ(Decoded(Compose(symbol, logo, true)), bytes) << payload;
    }
}

TEST(Composition, GenerateReportsWhetherASymbolWasMade) {
    clsQRCode encoder;
    const QString chinese = QString::fromUtf8("汉字");
    const Generated made = Generate(encoder, chinese, QImage(), false);
    EXPECT_TRUE(made.madeSymbol);
    EXPECT_EQ(Decoded(made.picture), ToUtf8(chinese).toStdString());

    const Generated tooLong = Generate(encoder, QString(1664, QLatin1Char('a')), QImage(), false);
    EXPECT_FALSE(tooLong.madeSymbol);
    EXPECT_EQ(tooLong.picture, TooLongNotice());
    EXPECT_TRUE(Generate(encoder, QString(1663, QLatin1Char('a')), QImage(), false).madeSymbol);
}

TEST(Composition, TooLongNoticeIsLightWithCentredText) {
    const QImage notice = TooLongNotice();
    ASSERT_EQ(notice.size(), QSize(240, 240));
    int dark = 0;
    long long sumX = 0, sumY = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 240; ++x)
            if (qGray(notice.pixel(x, y)) < 128) {
                ++dark;
                sumX += x;
                sumY += y;
            }
    ASSERT_GT(dark, 200);           // there is legible text
    EXPECT_LT(dark, 240 * 240 / 5); // on a light picture
    EXPECT_NEAR(double(sumX) / dark, 120.0, 12.0);
    EXPECT_NEAR(double(sumY) / dark, 120.0, 12.0);
    EXPECT_FALSE(DecodeImage(notice).has_value());
}

TEST(Composition, ShortPayloadsWithLogoStillScan) {
    clsQRCode encoder;
    const QImage logo = PatternLogo();
    for (const char* payload : {"", "a", "SMS:SM:;TXT:;;ZRQub", "二维码", "12345678901234567890"}) {
        const QString text = QString::fromUtf8(payload);
        const Generated withLogo = Generate(encoder, text, logo, true);
        ASSERT_TRUE(withLogo.madeSymbol);
        if (text.isEmpty()) continue; // zxing-cpp reports no result for empty content
        EXPECT_EQ(Decoded(withLogo.picture), ToUtf8(text).toStdString()) << payload;
    }
}

TEST(Composition, LogoRaisesOnlyTheSmallestVersions) {
    clsQRCode encoder;
    const auto sideOf = [&](const char* payload, bool withLogo) {
        return EncodeSymbol(encoder, QByteArray(payload), withLogo).width();
    };
    const auto pictureSide = [](int version) { return 4 * version + 17 + 8; };
    EXPECT_EQ(sideOf("a", false), pictureSide(1));
    EXPECT_EQ(sideOf("a", true), pictureSide(MinimumLogoVersion));
    const QByteArray longer(100, 'x');
    EXPECT_EQ(EncodeSymbol(encoder, longer, true).width(),
              EncodeSymbol(encoder, longer, false).width());
    EXPECT_GT(EncodeSymbol(encoder, longer, true).width(), pictureSide(MinimumLogoVersion));
    EXPECT_TRUE(EncodeSymbol(encoder, QByteArray(1664, 'a'), true).isNull());
}

// One encoding serves the symbol and both pictures: they show that same symbol, the options
// reach the encoder, and nothing fits gives no symbol, no symbol picture and the notice.
TEST(SymbolJobMade, OneEncodingGivesTheSymbolAndBothPictures) {
    clsQRCode encoder;
    const QImage logo = PatternLogo();
    const QByteArray payload("二维码");
    SymbolJob::Request request = SymbolJob::WindowRequest(payload, true);
    request.options.eci = clsQRCode::EciUtf8;
    const SymbolJob::Made made = SymbolJob::Make(encoder, request, logo);
    ASSERT_TRUE(made.symbol);
    EXPECT_EQ(made.symbol->version(), MinimumLogoVersion);
    EXPECT_EQ(made.symbol->eci(), clsQRCode::EciUtf8);
    EXPECT_EQ(made.symbol->level(), EcLevel::Q);
    EXPECT_EQ(made.symbolPicture, SymbolJob::SymbolPicture(made.symbol));
    EXPECT_EQ(made.composed, Compose(made.symbolPicture, logo, true));
    EXPECT_EQ(Decoded(made.composed), payload.toStdString());

    // Without a logo picture the symbol keeps its smallest version.
    const SymbolJob::Made bare = SymbolJob::Make(encoder, request, QImage());
    ASSERT_TRUE(bare.symbol);
    EXPECT_EQ(bare.symbol->version(), 1);

    const QByteArray tooLong(1664, 'a');
    const SymbolJob::Made none =
        SymbolJob::Make(encoder, SymbolJob::WindowRequest(tooLong, true), logo);
    EXPECT_FALSE(none.symbol);
    EXPECT_TRUE(none.symbolPicture.isNull());
    EXPECT_EQ(none.composed, TooLongNotice());
}
