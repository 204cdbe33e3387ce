// The one logo loader of the window, the command line and batches, against hostile files.
#include "reading/LogoPicture.h"

#include "raster/GifEncoding.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Qt writes no GIF; ours does.
QByteArray Encoded(const QImage& picture, const char* format) {
    if (QByteArray(format) == "gif") return GifEncoding::EncodeGif(picture).bytes;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

QImage Sample(int width = 40, int height = 30) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.setPixel(x, y, qRgb(6 * x, 8 * y, 120));
    return picture;
}

// A BMP whose header declares dimensions no file could hold, followed by a few bytes.
QByteArray BmpDeclaring(qint32 width, qint32 height, quint16 bitsPerPixel) {
    QByteArray bmp(57, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(57, bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(bitsPerPixel, bmp.data() + 28);
    return bmp;
}

class LogoFiles : public ::testing::Test {
  protected:
    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QTemporaryDir dir_;
};

} // namespace

TEST(LogoLoader, CompletePicturesOfEveryFormatLoad) {
    for (const char* format : {"png", "jpg", "gif", "bmp"}) {
        const std::optional<QImage> logo = LogoPicture::Decode(Encoded(Sample(), format));
        ASSERT_TRUE(logo.has_value()) << format;
        EXPECT_EQ(logo->size(), QSize(40, 30)) << format;
    }
}

TEST(LogoLoader, CutOffPicturesOfEveryFormatAreRefused) {
    for (const char* format : {"png", "jpg", "gif", "bmp"}) {
        const QByteArray bytes = Encoded(Sample(), format);
        ASSERT_TRUE(LogoPicture::Decode(bytes)) << format;
        EXPECT_FALSE(LogoPicture::Decode(bytes.left(bytes.size() / 2))) << format;
        EXPECT_FALSE(LogoPicture::Decode(bytes.left(bytes.size() - 3))) << format;
    }
}

TEST(LogoLoader, HeadersDeclaringImpossibleSizesAreRefusedWithoutOverflow) {
    // Each of these overflowed the size arithmetic once (found by the fuzzer).
    EXPECT_FALSE(LogoPicture::Decode(BmpDeclaring(0x7FFFFFFF, 0x7FFFFFFF, 0xFFFF)));
    EXPECT_FALSE(LogoPicture::Decode(BmpDeclaring(0x61B3F400, -0x7FFFFFFF, 32)));
    EXPECT_FALSE(LogoPicture::Decode(BmpDeclaring(-5, 5, 24)));
    EXPECT_FALSE(LogoPicture::Decode(BmpDeclaring(1000000, 1000000, 24)));
}

TEST(LogoLoader, LargePicturesComeBackReducedOnce) {
    QImage large(3000, 1500, QImage::Format_RGB32);
    large.fill(qRgb(200, 30, 30));
    const std::optional<QImage> logo = LogoPicture::Decode(Encoded(large, "png"));
    ASSERT_TRUE(logo.has_value());
    EXPECT_EQ(logo->size(), QSize(1024, 512));
}

TEST_F(LogoFiles, SpecialAndEndlessFilesAreRefusedAtOnce) {
    // A FIFO with no writer would block a reader forever; /dev/zero never ends.
    const QString fifo = dir_.filePath("logo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(LogoPicture::Load(fifo));
    ASSERT_TRUE(QFile::link("/dev/zero", dir_.filePath("zero.png")));
    EXPECT_FALSE(LogoPicture::Load(dir_.filePath("zero.png")));
    EXPECT_FALSE(LogoPicture::Load(dir_.path()));
    EXPECT_FALSE(LogoPicture::Load(dir_.filePath("missing.png")));
}

TEST_F(LogoFiles, OversizeFilesAreRefusedUnread) {
    // A valid picture padded far past any logo's size (sparse, so the test writes little).
    const QString name = write("big.png", Encoded(Sample(), "png"));
    ASSERT_TRUE(QFile::resize(name, 100LL * 1024 * 1024));
    EXPECT_FALSE(LogoPicture::Load(name));
    const QString fine = write("fine.png", Encoded(Sample(), "png"));
    EXPECT_TRUE(LogoPicture::Load(fine));
}
