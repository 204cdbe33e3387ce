// The composed 240 × 240 picture scans at every version, with and without the default logo, in
// two independent readers: zxing-cpp and zbar (Debian's zbarimg, test-only).
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "raster/ImageExport.h"
#include "tests/support/CapacityPayloads.h"
#include "tests/support/ZxingDecode.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QImage DefaultLogo() {
    return QImage(QStringLiteral(QUORLIK_SOURCE_DIR "/resources/pictures/logo-fu.png"));
}

// A flat logo of the same size: what the square covers, without any pattern of its own.
QImage FlatLogo() {
    QImage logo(48, 48, QImage::Format_RGB32);
    logo.fill(qRgb(200, 20, 20));
    return logo;
}

std::optional<QByteArray> ZbarRead(const QString& pngFile) {
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {"-q", "--raw", "-Sbinary", pngFile});
    if (!zbar.waitForFinished(30000) || zbar.exitCode() != 0) return std::nullopt;
    QByteArray out = zbar.readAllStandardOutput();
    return out;
}

struct Drawn {
    QImage picture;
    int version;
};

Drawn Draw(clsQRCode& encoder, const QByteArray& payload, const QImage& logo) {
    const SymbolJob::Generated generated =
        SymbolJob::Generate(encoder, QString::fromUtf8(payload), logo, !logo.isNull());
    const auto symbol = encoder.EncodeToMatrix(reinterpret_cast<const uchar*>(payload.data()),
                                               int(payload.size()), 0, 3, 0);
    return Drawn{generated.picture, symbol ? symbol->version() : 0};
}

} // namespace

TEST(ScanCorpus, EveryVersionScansInZxing) {
    clsQRCode encoder;
    const QImage logo = DefaultLogo();
    ASSERT_FALSE(logo.isNull());
    for (int version = 1; version <= 40; ++version) {
        const QByteArray payload = PayloadFillingVersion(version);
        for (const QImage& withLogo : {QImage(), logo}) {
            const Drawn drawn = Draw(encoder, payload, withLogo);
            ASSERT_EQ(drawn.version, version);
            const auto read = DecodeImage(drawn.picture);
            EXPECT_TRUE(read.has_value())
                << "version " << version << (withLogo.isNull() ? "" : " with logo");
            EXPECT_EQ(read->bytes, payload.toStdString()) << "version " << version;
        }
    }
}

TEST(ScanCorpus, EveryVersionScansInZbar) {
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty())
        GTEST_SKIP() << "zbarimg is not installed";
    QTemporaryDir dir;
    clsQRCode encoder;
    const QImage fu = DefaultLogo();
    for (int version = 1; version <= 40; ++version) {
        const QByteArray payload = PayloadFillingVersion(version);
        for (const QImage& withLogo : {QImage(), FlatLogo(), fu}) {
            const QString file = dir.filePath(QStringLiteral("v%1.png").arg(version));
            ImageExport::Source source;
            source.picture = Draw(encoder, payload, withLogo).picture;
            FilePlacement::Target target;
            target.path = QFile::encodeName(file).toStdString();
            ASSERT_TRUE(ImageExport::Write(source, FileFormats::Format::Png, target).written);
            const std::optional<QByteArray> read = ZbarRead(file);
            EXPECT_TRUE(read.has_value())
                << "version " << version << (withLogo.isNull() ? "" : " with logo");
            if (read) {
                EXPECT_EQ(*read, payload) << "version " << version;
            }
        }
    }
}

// A symbol export carrying the logo (the window's vector save, and its raster counterpart):
// the logo covers the centre quarter of the drawing and the symbol still scans.
TEST(ScanCorpus, SymbolExportsCarryTheLogoAndScan) {
    clsQRCode encoder;
    const QByteArray payload = PayloadFillingVersion(5);
    const std::optional<QRSymbol> symbol =
        SymbolJob::Encode(encoder, SymbolJob::WindowRequest(payload, /*withLogo=*/true));
    ASSERT_TRUE(symbol.has_value());
    EXPECT_EQ(symbol->version(), 5);
    ImageExport::Source source;
    source.symbol = &*symbol;
    source.scale = 6;
    source.logo = FlatLogo();

    const ImageExport::Encoded png = ImageExport::Encode(source, FileFormats::Format::Png);
    ASSERT_TRUE(png.outcome.written);
    const QImage picture = QImage::fromData(png.bytes, "PNG");
    const int side = (symbol->side() + 8) * 6;
    ASSERT_EQ(picture.size(), QSize(side, side));
    for (const QPoint at : {QPoint(3 * side / 8, 3 * side / 8), QPoint(side / 2, side / 2),
                            QPoint(5 * side / 8 - 1, 5 * side / 8 - 1)})
        EXPECT_EQ(picture.pixelColor(at), QColor(200, 20, 20)) << at.x();
    EXPECT_NE(picture.pixelColor(3 * side / 8 - 2, side / 2), QColor(200, 20, 20));
    const auto read = DecodeImage(picture);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->bytes, payload.toStdString());

    const ImageExport::Encoded svg = ImageExport::Encode(source, FileFormats::Format::Svg);
    ASSERT_TRUE(svg.outcome.written);
    const QByteArray modules = QByteArray::number(symbol->side() + 8);
    EXPECT_TRUE(svg.bytes.contains("viewBox=\"0 0 " + modules + ' ' + modules + '"'));
    EXPECT_TRUE(svg.bytes.contains("<image x=\"" + QByteArray::number(3.0 * 45 / 8) + '"'));
    EXPECT_TRUE(svg.bytes.contains("xlink:href=\"data:image/png;base64,"));

    source.logo = QImage();
    EXPECT_FALSE(ImageExport::Encode(source, FileFormats::Format::Svg).bytes.contains("<image"));
}
