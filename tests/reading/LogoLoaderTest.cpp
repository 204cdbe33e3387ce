// The one logo loader of the window, the command line and batches, against hostile files.
#include "reading/LogoPicture.h"
#include "reading/SymbolReader.h"

#include "encoder/clsQRCode.h"
#include "raster/GifEncoding.h"
#include "raster/plain/SymbolFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
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

// A grey TIFF of `pages` directories, each naming the same `strips` one-byte strips; the last
// points back at the first when `loop`.
QByteArray Tiff(int pages, int strips, bool loop) {
    QByteArray tiff("II*\0\0\0\0\0", 8);
    const auto number = [&tiff](quint32 value, int width) {
        for (int i = 0; i < width; ++i) tiff.append(char(value >> (8 * i)));
    };
    for (int i = 0; i < 2 * strips; ++i) number(i < strips ? 0 : 1, 4); // offsets, then counts
    const quint32 first = quint32(tiff.size());
    qToLittleEndian<quint32>(first, tiff.data() + 4);
    const quint32 entries[][4] = {{256, 3, 1, 1},
                                  {257, 3, 1, quint32(strips)},
                                  {258, 3, 1, 8},
                                  {262, 3, 1, 1},
                                  {273, 4, quint32(strips), 8},
                                  {278, 3, 1, 1},
                                  {279, 4, quint32(strips), 8 + 4 * quint32(strips)}};
    for (int page = 0; page < pages; ++page) {
        number(7, 2);
        for (const auto& entry : entries) {
            number(entry[0], 2), number(entry[1], 2), number(entry[2], 4), number(entry[3], 4);
        }
        number(page + 1 < pages ? quint32(tiff.size()) + 4 : loop ? first : 0, 4);
    }
    return tiff;
}

QByteArray JpegSegment(unsigned char marker, const QByteArray& payload) {
    QByteArray segment("\xFF");
    segment.append(char(marker)).append(char((payload.size() + 2) >> 8));
    return segment.append(char(payload.size() + 2)).append(payload);
}

// The headers of a grey progressive JPEG and `scans` scans of one byte each.
QByteArray ProgressiveJpeg(quint16 side, int scans) {
    QByteArray sof("\x08\0\0\0\0\x01\x01\x11\x00", 9);
    qToBigEndian<quint16>(side, sof.data() + 1);
    qToBigEndian<quint16>(side, sof.data() + 3);
    QByteArray jpeg = "\xFF\xD8" + JpegSegment(0xC2, sof);
    for (int i = 0; i < scans; ++i)
        jpeg += JpegSegment(0xDA, QByteArray("\x01\x01\x00\x00\x00\x00", 6)) + '\x55';
    return jpeg + "\xFF\xD9";
}

QByteArray Svg(const QByteArray& drawing) {
    return "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 200 200'>" + drawing + "</svg>";
}

// `count` copies of `part`, "#" in the i-th replaced by i % 200 and "$" by 199 - i % 200.
QByteArray Repeated(const QByteArray& part, int count) {
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += QByteArray(part)
                   .replace("#", QByteArray::number(i % 200))
                   .replace("$", QByteArray::number(199 - i % 200));
    return all;
}

// A version-40 symbol (177 modules a side).
QRSymbol Version40() {
    const QByteArray payload(1000, 'q');
    return *clsQRCode().EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                       int(payload.size()), 40, 2, 0);
}

// Its dark runs as one path per row (or one path for all when `rowsPerPath` is 177), in
// pixels of a 4096-pixel view box.
QByteArray PixelPaths(const QRSymbol& symbol, int rowsPerPath) {
    const double pixels = 4096.0 / symbol.side();
    QByteArray paths = "<path d='";
    for (int row = 0; row < symbol.side(); ++row) {
        for (int column = 0, run = 0; column <= symbol.side(); ++column) {
            if (column < symbol.side() && symbol.dark(row, column)) {
                ++run;
                continue;
            }
            if (run > 0)
                paths += QStringLiteral("M%1 %2h%3v%4h-%3z")
                             .arg((column - run) * pixels)
                             .arg(row * pixels)
                             .arg(run * pixels)
                             .arg(pixels)
                             .toLatin1();
            run = 0;
        }
        if ((row + 1) % rowsPerPath == 0) paths += "'/><path d='";
    }
    return "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 4096 4096'>" + paths + "'/></svg>";
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
    for (const char* format : {"png", "jpg", "gif", "bmp", "tif"}) {
        const std::optional<QImage> logo = LogoPicture::Decode(Encoded(Sample(), format));
        ASSERT_TRUE(logo.has_value()) << format;
        EXPECT_EQ(logo->size(), QSize(40, 30)) << format;
    }
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                           "<rect width='40' height='30' fill='red'/></svg>";
    // Drawn large enough to be scaled down sharp, in its own shape.
    const std::optional<QImage> logo = LogoPicture::Decode(svg);
    ASSERT_TRUE(logo.has_value());
    EXPECT_EQ(logo->size(), QSize(1024, 768));
    EXPECT_EQ(logo->pixelColor(512, 384), QColor(Qt::red));
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

// Files that would keep a decoder busy for minutes, or take gigabytes, in a few bytes.
TEST(LogoLoader, PicturesCostingMinutesAreRefusedUndecoded) {
    const struct {
        QByteArray bytes;
        const char* message;
    } refused[] = {
        {Tiff(1, 4, true), "damaged"},    // a directory that names itself as the next
        {Tiff(3, 40, true), "damaged"},   // a longer chain that loops
        {Tiff(2, 400, false), "damaged"}, // directories sharing one large strip table
        {ProgressiveJpeg(32768, 1), "progressive JPEG of 32768 × 32768 pixels"},
        {ProgressiveJpeg(64, 101), "101 scans"},
        {Svg("<path d='M0 0" + QByteArray(250'000, 'l').replace("l", "l1 1") + "'/>"),
         "more than 500000"},
        {Svg(QByteArray(50'000, '.').replace(".", "<g/><polyline points='1 2 3 4 5 6 7 8'/>")),
         "more than 500000"},
        // Drawing these takes seconds to minutes: long crossing lines in one path, a wide pen
        // along crossing lines, translucent squares over the whole picture.
        {Svg("<path d='M0 0" + Repeated(" L200 # L0 $", 1000) + "'/>"), "too long to draw"},
        {Svg("<path fill='none' stroke='red' stroke-width='20' d='M0 0" +
             Repeated(" L200 # L0 $", 300) + "'/>"),
         "too long to draw"},
        {Svg(Repeated("<rect width='200' height='200' opacity='0.#'/>", 5000)), "too long to draw"},
    };
    for (const auto& [bytes, message] : refused) {
        for (const auto kind : {PictureReader::Kind::Scan, PictureReader::Kind::Logo}) {
            const PictureReader::Outcome outcome =
                PictureReader::Decode(bytes, kind, [](const QImage&) {});
            EXPECT_NE(outcome.message.toStdString().find(message), std::string::npos)
                << message << ": " << outcome.message.toStdString();
        }
    }
    // Their well-formed neighbours are read: a TIFF page, a progressive JPEG of a hundred scans
    // and version-40 symbols drawn as one square per module, as our own SVG and as paths in
    // pixels, one per row or one for all.
    int read = 0;
    const auto count = [&read](const QImage&) { ++read; };
    EXPECT_TRUE(PictureReader::Decode(Tiff(1, 4, false), PictureReader::Kind::Scan, count).ok());
    QByteArray progressive;
    QBuffer buffer(&progressive);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(Sample()));
    EXPECT_TRUE(PictureReader::Decode(progressive, PictureReader::Kind::Logo, count).ok());
    QByteArray squares;
    for (int i = 0; i < 177 * 177; ++i)
        squares += "<rect x='" + QByteArray::number(i % 177) + "' y='" +
                   QByteArray::number(i / 177) + "' width='1' height='1'/>";
    EXPECT_TRUE(PictureReader::Decode(Svg(squares), PictureReader::Kind::Scan, count).ok());
    const QRSymbol symbol = Version40();
    // Ours and a path a row are read whole; Qt's reader cuts a path short past 32,767 elements,
    // which our own SVG avoids, so one path for all is only drawn in time.
    const auto scanned = [&read](const QImage& frame) {
        const std::vector<ReadSymbol> symbols = ReadQrSymbols(frame);
        read += symbols.size() == 1 && symbols[0].version == 40;
    };
    const std::pair<QByteArray, PictureReader::FrameSink> cases[] = {
        {QByteArray::fromStdString(SymbolFiles::Svg(SymbolDrawing::Draw(symbol, {10, 4}))),
         scanned},
        {PixelPaths(symbol, 1), scanned},
        {PixelPaths(symbol, symbol.side()), count}};
    for (const auto& [svg, sink] : cases) {
        const PictureReader::Outcome outcome =
            PictureReader::Decode(svg, PictureReader::Kind::Scan, sink);
        EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    }
    EXPECT_EQ(read, 6);
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
    // Each is refused for what it is, not taken for a missing file.
    const auto refusal = [](const QString& name) {
        const LogoPicture::Loaded loaded = LogoPicture::Read(QFile::encodeName(name).toStdString());
        EXPECT_TRUE(loaded.picture.isNull()) << name.toStdString();
        EXPECT_EQ(loaded.outcome.failure, PictureReader::Failure::FileAccess);
        return loaded.outcome.fileError;
    };
    const QString fifo = dir_.filePath("logo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(refusal(fifo), FileAccess::ErrorKind::WrongKind);
    ASSERT_TRUE(QFile::link("/dev/zero", dir_.filePath("zero.png")));
    EXPECT_EQ(refusal(dir_.filePath("zero.png")), FileAccess::ErrorKind::WrongKind);
    EXPECT_EQ(refusal(dir_.path()), FileAccess::ErrorKind::WrongKind);
    EXPECT_EQ(refusal(dir_.filePath("missing.png")), FileAccess::ErrorKind::NotFound);
}

TEST_F(LogoFiles, OversizeFilesAreRefusedUnread) {
    // A valid picture padded far past any logo's size (sparse, so the test writes little).
    const QString name = write("big.png", Encoded(Sample(), "png"));
    ASSERT_TRUE(QFile::resize(name, 100LL * 1024 * 1024));
    EXPECT_FALSE(LogoPicture::Load(name));
    const QString fine = write("fine.png", Encoded(Sample(), "png"));
    EXPECT_TRUE(LogoPicture::Load(fine));
}
