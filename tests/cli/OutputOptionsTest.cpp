// The conventional options of quorlik-qr, run as the built binary: version, terminal art styles,
// bounded input, pictures in every format, sizes, the logo's symbol and file size limits.
#include "cli/core/Usage.h"
#include "composition/SymbolComposition.h"
#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

namespace {

const QString Payload = QStringLiteral("Quorlik 二维码 https://example.com/?q=42");

std::string Bytes(const QByteArray& bytes) {
    return bytes.toStdString();
}

// Art with "##" for a dark module back into a picture, four pixels a module.
QImage PictureOfAsciiArt(const QByteArray& art) {
    const QList<QByteArray> lines = art.split('\n');
    const int rows = static_cast<int>(lines.size()) - 1; // nothing after the last line break
    const int columns = rows > 0 ? static_cast<int>(lines[0].size()) / 2 : 0;
    QImage picture(columns * 4, rows * 4, QImage::Format_Grayscale8);
    picture.fill(255);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns && 2 * c + 1 < lines[r].size(); ++c)
            if (lines[r].mid(2 * c, 2) == "##")
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 4; ++x) picture.setPixel(c * 4 + x, r * 4 + y, 0);
    return picture;
}

// What the texts say is checked on VersionText and UsageText; here, that the program prints
// them whole on standard output and exits 0.
TEST(CliVersionAndHelp, PrintedWholeOnStandardOutputWithStatusZero) {
    for (const char* spelling : {"-V", "--version"}) {
        const ToolRun run = RunTool({spelling});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(Bytes(run.out), VersionText());
        EXPECT_TRUE(run.err.isEmpty());
    }
    for (const char* spelling : {"-h", "--help"}) {
        const ToolRun help = RunTool({spelling});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(Bytes(help.out), UsageText());
        EXPECT_TRUE(help.err.isEmpty());
    }
    const ToolRun symversion = RunTool({"--info", "--symversion", "4", "x"});
    EXPECT_TRUE(symversion.out.startsWith("version=4 ")) << Bytes(symversion.out);
}

TEST(CliTerminalArt, NoColourIntoAPipeOrUnderNoColor) {
    const ToolRun piped = RunTool({"hello"});
    ASSERT_EQ(piped.status, 0);
    EXPECT_FALSE(piped.out.contains('\x1b'));
    EXPECT_TRUE(piped.out.contains("\u2588")); // still half blocks
    EXPECT_TRUE(RunOnTerminal({"hello"}, {}, {"NO_COLOR"}).contains("\x1b[30;47m"));
    const QByteArray noColour = RunOnTerminal({"hello"}, {"NO_COLOR=1"});
    EXPECT_TRUE(noColour.contains("\u2588"));
    EXPECT_FALSE(noColour.contains('\x1b'));
    EXPECT_FALSE(RunOnTerminal({"-t", "utf8", "hello"}, {}, {"NO_COLOR"}).contains('\x1b'));
}

TEST(CliTerminalArt, AnsiColoursEveryLineEvenIntoAPipe) {
    const ToolRun run = RunTool({"-t", "ansi", "hello"});
    ASSERT_EQ(run.status, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    EXPECT_EQ(lines.size(), (21 + 8 + 1) / 2 + 1);
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        EXPECT_TRUE(line.startsWith("\x1b[30;47m")); // black on white whatever the theme
        EXPECT_TRUE(line.endsWith("\x1b[0m"));       // and no colour left behind
    }
}

TEST(CliTerminalArt, AsciiArtScansAndFollowsTheMargin) {
    const ToolRun run = RunTool({"-t", "ascii", Payload});
    ASSERT_EQ(run.status, 0) << Bytes(run.err);
    EXPECT_FALSE(run.out.contains('\x1b'));
    const std::optional<DecodedSymbol> decoded = DecodeImage(PictureOfAsciiArt(run.out));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, Payload.toStdString());
    const QList<QByteArray> wide = RunTool({"-t", "ascii", "-v", "1", "x"}).out.split('\n');
    const QList<QByteArray> narrow =
        RunTool({"-t", "ascii", "--margin", "1", "-v", "1", "x"}).out.split('\n');
    EXPECT_EQ(wide.size(), 21 + 8 + 1);
    EXPECT_EQ(wide[0].size(), 2 * (21 + 8));
    EXPECT_EQ(narrow.size(), 21 + 2 + 1);
    EXPECT_EQ(narrow[1].left(4), "  ##"); // one light module, then the finder pattern
}

TEST(CliInput, ReadFileTakesItsBytes) {
    QByteArray binary;
    for (int i = 0; i < 256; ++i) binary.append(static_cast<char>(i));
    const QString file = TemporaryFolder() + "/payload.bin";
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(binary);
    out.close();
    const ToolRun fromFile = RunTool({"--matrix", "-r", file});
    const ToolRun fromInput = RunTool({"--matrix"}, binary);
    ASSERT_EQ(fromFile.status, 0) << Bytes(fromFile.err);
    EXPECT_EQ(fromFile.out, fromInput.out);
    const ToolRun folder = RunTool({"-r", TemporaryFolder()});
    const ToolRun missing = RunTool({"-r", TemporaryFolder() + "/none"});
    for (const ToolRun& run : {folder, missing}) {
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << Bytes(run.err);
    }
}

TEST(CliInput, InputIsBoundedByTheLargestSymbol) {
    const QByteArray most(7089, '7'); // numeric mode, version 40-L
    const ToolRun fits = RunTool({"--info", "-l", "L"}, most);
    EXPECT_EQ(fits.status, 0) << Bytes(fits.err);
    EXPECT_TRUE(fits.out.startsWith("version=40 level=L")) << Bytes(fits.out);
    const ToolRun longer = RunTool({"--info", "-l", "L"}, most + "7");
    EXPECT_EQ(longer.status, 1);
    EXPECT_TRUE(longer.err.contains("7089")) << Bytes(longer.err);
    const auto start = std::chrono::steady_clock::now();
    ToolSetup zero;
    zero.inputFile = QStringLiteral("/dev/zero");
    const ToolRun endlessInput = RunToolWith({"--info"}, zero);
    const ToolRun endlessFile = RunTool({"--info", "-r", "/dev/zero"});
    for (const ToolRun& run : {endlessInput, endlessFile}) {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1) << Bytes(run.err);
    }
    // A generous bound: reading all of an endless input would never finish at all.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

struct FormatCase {
    const char* extension;
    QByteArray magic;
    const char* readerFormat;
};

const std::vector<FormatCase> FormatCases = {
    {"png", "\x89PNG\r\n\x1a\n", "png"},
    {"jpg", "\xff\xd8\xff", "jpeg"},
    {"jpeg", "\xff\xd8\xff", "jpeg"},
    {"gif", "GIF8", "gif"},
    {"tif", "II*", "tiff"},
    {"tiff", "II*", "tiff"},
    {"bmp", "BM", "bmp"},
};

QByteArray ContentOf(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// Debian's librsvg draws the SVG independently of our code; the reader then reads that.
QImage RenderedSvg(const QString& svgFile) {
    const QString pngFile = svgFile + ".rendered.png";
    QProcess::execute(QStringLiteral("rsvg-convert"), {"-o", pngFile, svgFile});
    return QImage(pngFile);
}

TEST(CliPictureFile, EveryExtensionWritesItsFormatAndScans) {
    const QString folder = TemporaryFolder();
    for (const FormatCase& format : FormatCases) {
        const QString file = folder + "/symbol." + format.extension;
        const ToolRun run = RunTool({"-o", file, "--scale", "4", Payload});
        ASSERT_EQ(run.status, 0) << format.extension << Bytes(run.err);
        EXPECT_TRUE(ContentOf(file).startsWith(format.magic)) << format.extension;
        QImageReader reader(file);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), format.readerFormat);
        const std::optional<DecodedSymbol> decoded = DecodeImage(reader.read());
        ASSERT_TRUE(decoded) << format.extension;
        EXPECT_EQ(decoded->text, Payload.toStdString());
    }
    const QString svg = folder + "/symbol.svg";
    ASSERT_EQ(RunTool({"-o", svg, "--scale", "4", Payload}).status, 0);
    EXPECT_TRUE(ContentOf(svg).contains("<svg"));
    const std::optional<DecodedSymbol> decoded = DecodeImage(RenderedSvg(svg));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, Payload.toStdString());
}

TEST(CliPictureFile, UnknownOrMissingExtensionWritesNothing) {
    const QString folder = TemporaryFolder();
    for (const QString& name : {QStringLiteral("a.webp"), QStringLiteral("noextension"),
                                QStringLiteral(".png"), QStringLiteral("")}) {
        const ToolRun run = RunTool({"-o", name, "x"}, {}, folder);
        EXPECT_EQ(run.status, 2) << name.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << Bytes(run.err);
    }
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST(CliPictureFile, DashIsStandardOutput) {
    const QString folder = TemporaryFolder();
    const ToolRun png = RunTool({"-o", "-", Payload}, {}, folder);
    ASSERT_EQ(png.status, 0) << Bytes(png.err);
    EXPECT_TRUE(png.out.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage picture = QImage::fromData(png.out);
    const std::optional<DecodedSymbol> decoded =
        DecodeImage(picture.scaled(picture.size() * 4, Qt::IgnoreAspectRatio));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->text, Payload.toStdString());
    const ToolRun gif = RunTool({"-t", "gif", "-o", "-", "x"}, {}, folder);
    EXPECT_TRUE(gif.out.startsWith("GIF8"));
    const ToolRun svg = RunTool({"-t", "svg", "-o", "-", "x"}, {}, folder);
    EXPECT_TRUE(svg.out.contains("<svg"));
    EXPECT_FALSE(QFile::exists(folder + "/-"));
}

TEST(CliPictureFile, ScaleAndMarginSizeEveryFormat) {
    const QString folder = TemporaryFolder();
    const int side = (25 + 2 * 2) * 3; // version 2, margin 2, scale 3
    for (const char* extension : {"png", "bmp", "svg"}) {
        const QString file = folder + "/sized." + extension;
        const ToolRun run =
            RunTool({"-v", "2", "--scale", "3", "--margin", "2", "-o", file, "sized"});
        ASSERT_EQ(run.status, 0) << Bytes(run.err);
        const QImage picture = QByteArray(extension) == "svg" ? RenderedSvg(file) : QImage(file);
        EXPECT_EQ(picture.size(), QSize(side, side)) << extension;
        // The finder pattern's corner is the first dark pixel, two modules in.
        EXPECT_GT(qGray(picture.pixel(2 * 3 - 1, 2 * 3 - 1)), 128) << extension;
        EXPECT_LT(qGray(picture.pixel(2 * 3, 2 * 3)), 128) << extension;
    }
    const ToolRun composed = RunTool({"--compose", "--scale", "2", "-o", folder + "/c.png", "x"});
    EXPECT_EQ(composed.status, 2);
}

QString SolidLogo(const QString& folder) {
    QImage logo(31, 31, QImage::Format_RGB32);
    logo.fill(QColor(20, 120, 220));
    const QString file = folder + "/logo.png";
    logo.save(file);
    return file;
}

TEST(CliLogo, InfoNamesTheSymbolDrawnUnderTheLogo) {
    const QString folder = TemporaryFolder();
    const QString logo = SolidLogo(folder);
    const QString file = folder + "/card.png";
    const ToolRun run = RunTool({"--compose", "--logo", logo, "--info", "-o", file, "hello"});
    ASSERT_EQ(run.status, 0) << Bytes(run.err);
    EXPECT_TRUE(run.out.startsWith("version=3 level=Q mask=0 ")) << Bytes(run.out);
    // The picture is exactly the window's composition of a version 3 symbol.
    clsQRCode encoder;
    const QByteArray payload = "hello";
    const QImage symbol = EncodeToPicture(
        encoder, reinterpret_cast<const std::uint8_t*>(payload.constData()), 5, 3, 3, 0);
    const QImage expected = SymbolComposition::Compose(symbol, QImage(logo), true);
    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
    const ToolRun plain = RunTool({"--compose", "--info", "-o", file, "hello"});
    EXPECT_TRUE(plain.out.startsWith("version=1 ")) << Bytes(plain.out);
}

TEST(CliLogo, RefusesWhatTheWindowsLoaderRefuses) {
    const QString folder = TemporaryFolder();
    const QString text = folder + "/notes.png";
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture\n");
    notes.close();
    const QString truncated = folder + "/cut.png";
    QFile cut(truncated);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(ContentOf(SolidLogo(folder)).left(40));
    cut.close();
    const QString fifo = folder + "/fifo.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& logo : {text, truncated, fifo, folder + "/missing.png"}) {
        const QString out = folder + "/out.png";
        const ToolRun run = RunTool({"--compose", "--logo", logo, "-o", out, "x"});
        EXPECT_EQ(run.status, 2) << logo.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << Bytes(run.err);
        EXPECT_TRUE(run.err.contains("logo")) << Bytes(run.err);
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(CliFileSizeLimit, WritePastTheLimitIsReportedNotFatal) {
    const QString folder = TemporaryFolder();
    ToolSetup limited;
    limited.fileSizeLimit = 4096;
    const QString file = folder + "/large.bmp"; // far above 4 KiB
    const ToolRun run = RunToolWith({"--scale", "8", "-o", file, Payload}, limited);
    EXPECT_EQ(run.status, 2); // not -1: no SIGXFSZ
    EXPECT_EQ(run.err.count('\n'), 1) << Bytes(run.err);
    EXPECT_TRUE(run.err.startsWith("quorlik-qr: ")) << Bytes(run.err);
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
