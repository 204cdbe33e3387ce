// --compose and --logo: the window's 240 × 240 picture from the command line.
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr int Side = 240;
const QColor LogoColour(200, 30, 40);

QString SolidLogo(const QString& folder) {
    QImage logo(37, 23, QImage::Format_RGB32); // odd size: the logo is scaled into its square
    logo.fill(LogoColour);
    const QString file = folder + "/logo.png";
    logo.save(file);
    return file;
}

bool InLogoSquare(int x, int y) {
    return x >= 90 && x < 150 && y >= 90 && y < 150;
}

TEST(SingleSymbolCompose, ComposedPictureScansToThePayload) {
    const QString folder = TemporaryFolder();
    for (const QString& payload : {QStringLiteral("二维码生成器：中文内容测试"),
                                   QStringLiteral("https://example.com/path?q=1&r=二"),
                                   QStringLiteral("Mixed 123456 TEXT and 文字")}) {
        const QString file = folder + "/composed.png";
        const ToolRun run = RunTool({"--compose", "-o", file, payload});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QImage picture(file);
        ASSERT_EQ(picture.size(), QSize(Side, Side));
        const std::optional<DecodedSymbol> decoded = DecodeImage(picture);
        ASSERT_TRUE(decoded) << payload.toStdString();
        EXPECT_EQ(decoded->bytes, payload.toUtf8().toStdString());
        EXPECT_EQ(decoded->ecLevel, "Q");
    }
}

TEST(SingleSymbolCompose, LogoFillsOnlyTheCentreSquare) {
    const QString folder = TemporaryFolder();
    const QString file = folder + "/logo-composed.png";
    const QString plainFile = folder + "/plain-composed.png";
    const QString payload = QStringLiteral("https://example.com/logo-test");
    ASSERT_EQ(RunTool({"--compose", "--logo", SolidLogo(folder), "-o", file, payload}).status, 0);
    ASSERT_EQ(RunTool({"--compose", "-o", plainFile, payload}).status, 0);
    const QImage withLogo(file);
    const QImage plain(plainFile);
    ASSERT_EQ(withLogo.size(), QSize(Side, Side));
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) {
            if (InLogoSquare(x, y))
                ASSERT_EQ(QColor(withLogo.pixel(x, y)), LogoColour) << x << "," << y;
            else
                ASSERT_EQ(withLogo.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        }
    const std::optional<DecodedSymbol> decoded = DecodeImage(withLogo);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, payload.toStdString());
}

// A short payload would fit a version 1 or 2 symbol, which the logo square covers beyond repair.
TEST(SingleSymbolCompose, ShortPayloadsWithALogoStillScan) {
    const QString folder = TemporaryFolder();
    const QString logo = SolidLogo(folder);
    for (const QString& payload : {QStringLiteral("SMS:SM:;TXT:;;ZRQub"), QStringLiteral("hi")}) {
        const QString file = folder + "/short-logo.png";
        ASSERT_EQ(RunTool({"--compose", "--logo", logo, "-o", file, payload}).status, 0);
        const std::optional<DecodedSymbol> decoded = DecodeImage(QImage(file));
        ASSERT_TRUE(decoded) << payload.toStdString();
        EXPECT_EQ(decoded->text, payload.toStdString());
    }
}

TEST(SingleSymbolCompose, TooLongGivesTheNoticePictureAndStatusOne) {
    const QString file = TemporaryFolder() + "/notice.png";
    const ToolRun run = RunTool({"--compose", "-o", file, "-"}, QByteArray(3000, 'z'));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.count('\n'), 1);
    const QImage notice(file);
    ASSERT_EQ(notice.size(), QSize(Side, Side));
    EXPECT_FALSE(DecodeImage(notice));
    int dark = 0;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) dark += qGray(notice.pixel(x, y)) < 128;
    EXPECT_GT(dark, 50);              // some text is drawn
    EXPECT_LT(dark, Side * Side / 4); // on a light picture
    EXPECT_GT(qGray(notice.pixel(0, 0)), 200);
}

} // namespace
