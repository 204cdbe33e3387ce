// Every format carries exactly the pixels of the composed picture: no dithering, no speckles.
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "raster/ImageExport.h"
#include "raster/plain/FileFormats.h"
#include "tests/support/ZxingDecode.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using FileFormats::Format;

// Smooth in both directions: thousands of colours once scaled into the square.
QImage GradientLogo() {
    QImage logo(97, 89, QImage::Format_RGB32);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixel(x, y, qRgb(30 + 2 * x, 20 + 2 * y, (x * y) % 200 + 40));
    return logo;
}

QImage FourColourLogo() {
    QImage logo(60, 60, QImage::Format_RGB32);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            logo.setPixel(x, y,
                          x < 30 ? (y < 30 ? qRgb(220, 30, 30) : qRgb(30, 60, 200))
                                 : (y < 30 ? qRgb(30, 160, 40) : qRgb(250, 170, 0)));
    return logo;
}

QImage Composed(const QString& payload, const QImage& logo) {
    clsQRCode encoder;
    return SymbolJob::Generate(encoder, payload, logo, !logo.isNull()).picture;
}

QByteArray Encoded(const QImage& picture, Format format) {
    ImageExport::Source source;
    source.picture = picture;
    const ImageExport::Encoded file = ImageExport::Encode(source, format);
    EXPECT_TRUE(file.outcome.written) << file.outcome.description.toStdString();
    return file.bytes;
}

QImage Decoded(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// PNG's IHDR: bit depth at byte 24, colour type at byte 25 (3 palette, 2 RGB).
std::pair<int, int> PngDepthAndType(const QByteArray& png) {
    return {uchar(png.at(24)), uchar(png.at(25))};
}

bool InSquare(const QRect& square, int x, int y) {
    return square.contains(x, y);
}

// Logo square of the composed 240 × 240 picture at versions 1–13.
const QRect LogoSquare(90, 90, 60, 60);

} // namespace

TEST(ExactPixels, EveryLosslessFormatKeepsEveryPixelOutsideTheLogo) {
    const QString payload = QStringLiteral("https://quorlik.example/票?id=20261208&seat=12");
    for (const QImage& logo : {QImage(), FourColourLogo(), GradientLogo()}) {
        const QImage picture = Composed(payload, logo).convertToFormat(QImage::Format_RGB32);
        for (Format format : {Format::Png, Format::Gif, Format::Tiff, Format::Bmp}) {
            const QImage back = Decoded(Encoded(picture, format));
            ASSERT_EQ(back.size(), picture.size());
            int differing = 0;
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 240; ++x)
                    if (!InSquare(LogoSquare, x, y) && back.pixel(x, y) != picture.pixel(x, y))
                        ++differing;
            EXPECT_EQ(differing, 0)
                << FileFormats::RowOf(format).name << (logo.isNull() ? " plain" : " with logo");
            ASSERT_TRUE(DecodeImage(back).has_value());
        }
    }
}

TEST(ExactPixels, LogoColoursSurviveWhereTheFormatAllowsThem) {
    const QString payload = QStringLiteral("福 quorlik");
    // Few colours: exact everywhere, GIF included.
    const QImage few = Composed(payload, FourColourLogo()).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Decoded(Encoded(few, Format::Gif)), few);
    // Many colours: PNG exact; GIF reduces inside the square only, without large errors.
    const QImage many = Composed(payload, GradientLogo()).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Decoded(Encoded(many, Format::Png)), many);
    const QImage gif = Decoded(Encoded(many, Format::Gif));
    double error = 0;
    for (int y = LogoSquare.top(); y <= LogoSquare.bottom(); ++y)
        for (int x = LogoSquare.left(); x <= LogoSquare.right(); ++x) {
            const QRgb a = gif.pixel(x, y), b = many.pixel(x, y);
            error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                     std::abs(qBlue(a) - qBlue(b));
        }
    // Median cut over a few thousand colours: a few levels off on average, no speckles.
    EXPECT_LT(error / (3.0 * 60 * 60), 10.0);
}

TEST(ExactPixels, PngIsAsSmallAPaletteAsThePictureAllows) {
    const QString payload = QStringLiteral("palette");
    EXPECT_EQ(PngDepthAndType(Encoded(Composed(payload, QImage()), Format::Png)),
              std::make_pair(1, 3));
    // Black, white, four colours and the smoothed edges between them: a 4-bit palette.
    EXPECT_EQ(PngDepthAndType(Encoded(Composed(payload, FourColourLogo()), Format::Png)),
              std::make_pair(4, 3));
    // The same picture handed over as RGB is found to have as few colours.
    EXPECT_EQ(PngDepthAndType(
                  Encoded(Composed(payload, FourColourLogo()).convertToFormat(QImage::Format_RGB32),
                          Format::Png)),
              std::make_pair(4, 3));
    EXPECT_EQ(PngDepthAndType(Encoded(Composed(payload, GradientLogo()), Format::Png)),
              std::make_pair(8, 2));
}

TEST(ExactPixels, ScreenAndPaletteCompositionsHoldTheSamePixels) {
    clsQRCode encoder;
    for (const char* text :
         {"1", "福 quorlik 二维码 0123456789", "https://quorlik.example/?q=长"}) {
        QByteArray payload = QByteArray(text).repeated(text[0] == '1' ? 1 : 20);
        const QImage symbol = SymbolJob::SymbolPicture(
            SymbolJob::Encode(encoder, SymbolJob::WindowRequest(payload, true)));
        for (const QImage& logo : {QImage(), FourColourLogo(), GradientLogo()}) {
            using SymbolComposition::ComposedFormat;
            const QImage palette = SymbolComposition::Compose(symbol, logo, !logo.isNull(), 240,
                                                              ComposedFormat::Palette);
            const QImage screen = SymbolComposition::Compose(symbol, logo, !logo.isNull(), 240,
                                                             ComposedFormat::Rgb32);
            EXPECT_EQ(screen.format(), QImage::Format_RGB32);
            EXPECT_EQ(palette.convertToFormat(QImage::Format_RGB32), screen) << text;
        }
    }
}
