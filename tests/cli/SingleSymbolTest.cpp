// The single-symbol interface, run as the built binary the way scripts run it.
#include "cli/core/SymbolText.h"
#include "encoder/clsQRCode.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QProcess>

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

namespace {

const QByteArray MixedText = QByteArray("Quorlik 二维码 0123456789012 HELLO-WORLD");

std::optional<QRSymbol> LibrarySymbol(const QByteArray& payload, int version = 0, int level = 3,
                                      int mask = 0, bool kanji = false) {
    clsQRCode encoder;
    EncodeOptions options = clsQRCode::OptionsOf(version, level, mask);
    options.allowKanji = kanji;
    return encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                                  static_cast<int>(payload.size()), options);
}

// Light modules around a grid of dark/light, four pixels per module, as a reader wants it.
QImage PictureOf(const std::vector<std::vector<bool>>& grid, int margin) {
    const int side = static_cast<int>(grid.size());
    const int scale = 4;
    QImage image((side + 2 * margin) * scale, (side + 2 * margin) * scale,
                 QImage::Format_Grayscale8);
    image.fill(255);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < static_cast<int>(grid[r].size()); ++c)
            if (grid[r][c])
                for (int y = 0; y < scale; ++y)
                    for (int x = 0; x < scale; ++x)
                        image.setPixel((c + margin) * scale + x, (r + margin) * scale + y, 0);
    return image;
}

std::vector<std::vector<bool>> GridOfMatrixText(const QByteArray& text) {
    std::vector<std::vector<bool>> grid;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty()) continue;
        std::vector<bool> row;
        for (char c : line) row.push_back(c == '1');
        grid.push_back(row);
    }
    return grid;
}

// Reads the half-block art back into modules: upper half block = top dark, lower = bottom dark.
std::vector<std::vector<bool>> GridOfTerminalArt(const QByteArray& art) {
    std::vector<std::vector<bool>> grid;
    const QString text = QString::fromUtf8(art);
    for (QString line : text.split(u'\n', Qt::SkipEmptyParts)) {
        line.remove(QStringLiteral("\x1b[30;47m")).remove(QStringLiteral("\x1b[0m"));
        std::vector<bool> top, bottom;
        for (QChar c : line) {
            top.push_back(c == QChar(0x2588) || c == QChar(0x2580));
            bottom.push_back(c == QChar(0x2588) || c == QChar(0x2584));
        }
        grid.push_back(top);
        grid.push_back(bottom);
    }
    return grid;
}

std::string Bytes(const QByteArray& bytes) {
    return bytes.toStdString();
}

TEST(SingleSymbolText, InfoLineDescribesTheSymbolMade) {
    const QByteArray payload = "abcdefgh0123456789012345678901234567ABCDEFGHIJKLMNOP";
    for (const char* level : {"L", "M", "Q", "H"}) {
        const ToolRun run =
            RunTool({"--info", "-l", level, "-m", "6", QString::fromLatin1(payload)});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const std::optional<QRSymbol> symbol =
            LibrarySymbol(payload, 0, QByteArray("LMQH").indexOf(level) + 1, 6);
        ASSERT_TRUE(symbol);
        std::string segments;
        const char* names[] = {"byte", "numeric", "alphanumeric", "kanji"};
        for (const QRSegment& s : symbol->segments())
            segments += (segments.empty() ? "" : ",") + std::string(names[s.mode]) + ":" +
                        std::to_string(s.byteCount);
        EXPECT_EQ(Bytes(run.out), "version=" + std::to_string(symbol->version()) +
                                      " level=" + level +
                                      " mask=6 bits=" + std::to_string(symbol->streamBits()) +
                                      " segments=" + segments + "\n");
        EXPECT_TRUE(std::regex_match(Bytes(run.out),
                                     std::regex("version=\\d+ level=[LMQH] mask=6 bits=\\d+ "
                                                "segments=byte:8,numeric:28,alphanumeric:16\n")))
            << run.out.toStdString();
    }
}

TEST(SingleSymbolText, InfoLineNamesTheEciOnlyWhenOneIsWritten) {
    const QByteArray payload = "二维码";
    clsQRCode encoder;
    const auto plain = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(payload.constData()), 9, 0, 3, 0);
    EncodeOptions utf8 = clsQRCode::OptionsOf(0, 3, 0);
    utf8.eci = clsQRCode::EciUtf8;
    const auto declared =
        encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.constData()), 9, utf8);
    ASSERT_TRUE(plain && declared);
    EXPECT_EQ(SymbolText::InfoLine(*plain), "version=1 level=Q mask=0 bits=88 segments=byte:9\n");
    EXPECT_EQ(SymbolText::InfoLine(*declared),
              "version=1 level=Q mask=0 bits=100 segments=byte:9 eci=26\n");
}

TEST(SingleSymbolText, InfoNamesKanjiOnlyWhenAllowed) {
    const QByteArray shiftJis = "\x88\x9f\x88\xa0\x88\xa1\x88\xa2"; // four Shift JIS kanji
    const ToolRun off = RunTool({"--info", "-"}, shiftJis);
    const ToolRun on = RunTool({"--info", "--kanji", "-"}, shiftJis);
    EXPECT_NE(off.out.indexOf("segments=byte:8"), -1) << off.out.toStdString();
    EXPECT_NE(on.out.indexOf("segments=kanji:8"), -1) << on.out.toStdString();
}

TEST(SingleSymbolText, MatrixIsTheSymbolAndScans) {
    const ToolRun run =
        RunTool({"--matrix", "-v", "5", "-l", "H", "-m", "3", QString::fromUtf8(MixedText)});
    ASSERT_EQ(run.status, 0);
    const std::vector<std::vector<bool>> grid = GridOfMatrixText(run.out);
    const std::optional<QRSymbol> symbol = LibrarySymbol(MixedText, 5, 4, 3);
    ASSERT_TRUE(symbol);
    ASSERT_EQ(static_cast<int>(grid.size()), symbol->side());
    for (int r = 0; r < symbol->side(); ++r) {
        ASSERT_EQ(static_cast<int>(grid[r].size()), symbol->side());
        for (int c = 0; c < symbol->side(); ++c) ASSERT_EQ(grid[r][c], symbol->dark(r, c));
    }
    const std::optional<DecodedSymbol> decoded = DecodeImage(PictureOf(grid, 4));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, Bytes(MixedText));
    EXPECT_EQ(decoded->ecLevel, "H");
}

TEST(SingleSymbolText, InfoAndMatrixTogether) {
    const ToolRun run = RunTool({"--info", "--matrix", "x"});
    ASSERT_EQ(run.status, 0);
    const QList<QByteArray> lines = run.out.split('\n');
    EXPECT_TRUE(lines[0].startsWith("version=1 level=Q mask=0"));
    EXPECT_EQ(lines.size(), 1 + 21 + 1); // info, 21 rows, nothing after the last line break
}

TEST(SingleSymbolTerminal, ArtHasAQuietZoneAndScansFromTheScreen) {
    const ToolRun run = RunTool({"-t", "ansi", QString::fromUtf8(MixedText)});
    ASSERT_EQ(run.status, 0);
    const std::vector<std::vector<bool>> grid = GridOfTerminalArt(run.out);
    const std::optional<QRSymbol> symbol = LibrarySymbol(MixedText);
    ASSERT_TRUE(symbol);
    const int h = symbol->side();
    ASSERT_GE(static_cast<int>(grid.size()), h + 8);
    for (int r = 0; r < h + 8; ++r) {
        ASSERT_EQ(static_cast<int>(grid[r].size()), h + 8);
        for (int c = 0; c < h + 8; ++c) {
            const bool inSymbol = r >= 4 && c >= 4 && r < h + 4 && c < h + 4;
            ASSERT_EQ(grid[r][c], inSymbol && symbol->dark(r - 4, c - 4)) << r << "," << c;
        }
    }
    const std::optional<DecodedSymbol> decoded = DecodeImage(PictureOf(grid, 0));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, Bytes(MixedText));
}

TEST(SingleSymbolInput, StandardInputIsTakenAsRawBytes) {
    QByteArray binary;
    for (int i = 0; i < 256; ++i) binary.append(static_cast<char>(255 - i));
    for (const QStringList& arguments : {QStringList{"--matrix"}, QStringList{"--matrix", "-"}}) {
        const ToolRun run = RunTool(arguments, binary);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const std::optional<DecodedSymbol> decoded =
            DecodeImage(PictureOf(GridOfMatrixText(run.out), 4));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->bytes, Bytes(binary));
    }
}

TEST(SingleSymbolInput, EmptyPayloadStillMakesASymbol) {
    const ToolRun run = RunTool({"--info"}, QByteArray());
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith("version=1 level=Q mask=0 bits=4 ")) << run.out.toStdString();
}

TEST(SingleSymbolPicture, PngHasOnePixelPerModuleAndAMargin) {
    const QString file = TemporaryFolder() + "/symbol.png";
    const ToolRun run = RunTool({"-o", file, "-l", "M", QString::fromUtf8(MixedText)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QImage picture(file);
    const std::optional<QRSymbol> symbol = LibrarySymbol(MixedText, 0, 2);
    ASSERT_TRUE(symbol);
    const int h = symbol->side();
    ASSERT_EQ(picture.size(), QSize(h + 8, h + 8));
    for (int y = 0; y < h + 8; ++y)
        for (int x = 0; x < h + 8; ++x) {
            const bool inSymbol = y >= 4 && x >= 4 && y < h + 4 && x < h + 4;
            const bool dark = qGray(picture.pixel(x, y)) < 128;
            ASSERT_EQ(dark, inSymbol && symbol->dark(y - 4, x - 4));
        }
    const std::optional<DecodedSymbol> decoded = DecodeImage(
        picture.scaled(picture.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, Bytes(MixedText));
    EXPECT_EQ(decoded->ecLevel, "M");
}

TEST(SingleSymbolStatus, PayloadThatFitsNothingIsStatusOne) {
    const QByteArray tooLong(1300, 'x'); // 40-H holds 1273 bytes
    const QString file = TemporaryFolder() + "/none.png";
    const std::vector<std::pair<QStringList, QByteArray>> cases = {
        {{"-l", "H"}, tooLong},
        {{"-v", "1", "--info"}, QByteArray(30, 'y')}, // 1-Q holds 11 bytes
        {{"-l", "H", "-o", file}, tooLong},
    };
    for (const auto& [arguments, input] : cases) {
        const ToolRun run = RunTool(arguments, input);
        EXPECT_EQ(run.status, 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(file)); // no picture for a symbol that does not exist
}

// Micro QR through the command line: the smallest symbol at each limit, one more refused with
// status 1, and a written picture read back with the version, level and mask it was made with.
TEST(SingleSymbolMicro, CapacityLimitsAndTheInfoReadBack) {
    const std::vector<std::tuple<QStringList, QByteArray, std::string>> fits = {
        {{}, "12345", "version=M1 level=- "},
        {{}, "123456", "version=M2 level=L "},
        {{}, QByteArray(35, '7'), "version=M4 level=L "},
        {{}, QByteArray(21, 'A'), "version=M4 level=L "},
        {{}, QByteArray(15, 'a'), "version=M4 level=L "},
        {{"-l", "Q"}, QByteArray(21, '7'), "version=M4 level=Q "},
    };
    for (const auto& [options, payload, start] : fits) {
        const QStringList arguments = QStringList{"--micro", "--info"} + options;
        const ToolRun run = RunTool(arguments + QStringList{QString::fromLatin1(payload)});
        EXPECT_EQ(run.status, 0) << payload.constData() << run.err.toStdString();
        EXPECT_EQ(Bytes(run.out).rfind(start, 0), 0u) << run.out.toStdString();
        if (start.find("M4") == std::string::npos) continue;
        const ToolRun more = RunTool(
            arguments + QStringList{"-v", "4", QString::fromLatin1(payload + payload.right(1))});
        EXPECT_EQ(more.status, 1) << payload.constData();
        EXPECT_EQ(Bytes(more.err), "quorlik-qr: the payload (" +
                                       std::to_string(payload.size() + 1) +
                                       " bytes) fits no Micro QR symbol at level " +
                                       (options.isEmpty() ? "L" : "Q") + " in M4\n");
    }
    const QString file = TemporaryFolder() + "/micro.png";
    ASSERT_EQ(
        RunTool({"-M", "-v", "3", "-l", "M", "-m", "1", "-s", "4", "-o", file, "Micro:3"}).status,
        0);
    EXPECT_EQ(QImage(file).size(), QSize((15 + 4) * 4, (15 + 4) * 4)); // a 2-module quiet zone
    const ToolRun read = RunTool({"--decode", "--info", file});
    EXPECT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_EQ(Bytes(read.out).rfind("version=M3 level=M mask=1 ", 0), 0u) << read.out.toStdString();
}

// rMQR through the command line: the size of least area, the largest payloads of the smallest
// and largest sizes, one more refused with status 1.
TEST(SingleSymbolRmqr, SizesAndCapacityLimits) {
    const std::vector<std::tuple<QStringList, QByteArray, std::string>> fits = {
        {{}, "12345", "version=R11x27 level=M "},
        {{"-v", "R7x43"}, QByteArray(12, '7'), "version=R7x43 level=M "},
        {{"-v", "R17x139"}, QByteArray(361, '7'), "version=R17x139 level=M "},
        {{"-v", "R17x139", "-l", "H"}, QByteArray(178, '7'), "version=R17x139 level=H "},
    };
    for (const auto& [options, payload, start] : fits) {
        const QStringList arguments = QStringList{"--rmqr", "--info"} + options;
        const ToolRun run = RunTool(arguments + QStringList{QString::fromLatin1(payload)});
        EXPECT_EQ(run.status, 0) << payload.constData() << run.err.toStdString();
        EXPECT_EQ(Bytes(run.out).rfind(start, 0), 0u) << run.out.toStdString();
        if (options.isEmpty()) continue;
        const ToolRun more = RunTool(arguments + QStringList{QString::fromLatin1(payload + "7")});
        EXPECT_EQ(more.status, 1) << payload.size();
        EXPECT_EQ(Bytes(more.err), "quorlik-qr: the payload (" +
                                       std::to_string(payload.size() + 1) +
                                       " bytes) fits no rMQR symbol at level " +
                                       start.substr(start.find("level=") + 6, 1) + " in " +
                                       options[1].toStdString() + "\n");
    }
}

// Every rMQR symbol read by zxing-cpp 2 (zxing-wasm, installed by the dependency script), one
// line per picture: "FORMAT VERSION LEVEL HEX-BYTES" or "none"; nothing when it is missing.
std::optional<std::vector<std::string>> ReadWithZxingWasm(const QStringList& pictures) {
    const QString readers = QStringLiteral(QUORLIK_SOURCE_DIR "/build/test-readers");
    if (!QFile::exists(readers + "/node_modules/zxing-wasm/package.json")) return std::nullopt;
    QProcess node;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUORLIK_TEST_READERS", readers);
    node.setProcessEnvironment(environment);
    node.start("node", QStringList{QUORLIK_SOURCE_DIR "/tests/support/read-with-zxing-wasm.mjs"} +
                           pictures);
    if (!node.waitForFinished(60000) || node.exitCode() != 0) return std::vector<std::string>{};
    std::vector<std::string> lines;
    for (const QByteArray& line : node.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) lines.push_back(line.mid(line.indexOf(' ') + 1).toStdString());
    return lines;
}

// The picture as PNG for the reader: EPS through Ghostscript, PDF through poppler, SVG through
// librsvg, TIFF through Qt; the formats the reader takes as they are.
QString ReadablePicture(const QString& file) {
    const QString png = file + ".png";
    const QString suffix = QFileInfo(file).suffix();
    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    if (suffix == "eps")
        run("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=png16m",
                   "-sOutputFile=" + png, file});
    else if (suffix == "pdf")
        run("pdftoppm", {"-png", "-r", "72", "-singlefile", file, file});
    else if (suffix == "svg")
        run("rsvg-convert", {"-o", png, file});
    else if (suffix == "tif")
        QImage(file).save(png);
    else
        return file;
    return png;
}

// Every format, black on white and in colour, read back by a real rMQR reader with the size and
// level it was made with.
TEST(SingleSymbolRmqr, EveryFormatAndColourReadsBackWithARealReader) {
    const QByteArray payload = "https://example.com/标签/R-0042";
    const QString folder = TemporaryFolder();
    QStringList pictures;
    std::vector<std::string> expected;
    const std::string hex = payload.toHex().toStdString();
    for (const char* format : {"png", "jpg", "gif", "bmp", "tif", "svg", "eps", "pdf"})
        for (const QStringList& colours :
             {QStringList{}, QStringList{"--foreground", "0D47A1", "--background", "FFF8E1"}}) {
            const QString file = folder + "/r" + QString::number(pictures.size()) + "." + format;
            const ToolRun run = RunTool(QStringList{"--rmqr", "-v", "R13x99", "-l", "H", "-s", "4",
                                                    "-o", file, QString::fromUtf8(payload)} +
                                        colours);
            ASSERT_EQ(run.status, 0) << format << run.err.toStdString();
            pictures << ReadablePicture(file);
            expected.push_back("RMQRCode R13x99 H " + hex);
        }
    const std::optional<std::vector<std::string>> read = ReadWithZxingWasm(pictures);
    if (!read) GTEST_SKIP() << "zxing-wasm is not installed (scripts/install-deps.sh)";
    EXPECT_EQ(*read, expected);
}

// A structured-append sequence: as few symbols of the version as hold the payload, in numbered
// files of any format, that a reader joins back; no character is split between two parts; more
// than 16 symbols needed is status 1 with the number.
TEST(SingleSymbolStructured, PartsAreWrittenNumberedAndJoinBack) {
    const QByteArray payload = "结构化追加把长文本分成几个符号: structured append 0123456789";
    for (const char* extension : {"png", "jpg"}) {
        const QString name = TemporaryFolder() + "/seq." + extension;
        const ToolRun made = RunTool({"--structured", "-v", "2", "-l", "Q", "-s", "4", "-o", name,
                                      QString::fromUtf8(payload)});
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        QStringList parts;
        for (int i = 1; i <= 16; ++i)
            if (const QString part =
                    name.chopped(4) + QStringLiteral("-%1.").arg(i, 2, 10, QChar('0')) + extension;
                QFile::exists(part))
                parts << part;
        // 2-Q holds 18 bytes in byte mode after the header; a cut before a character may leave
        // up to three of them unused.
        ASSERT_GE(parts.size(), 2) << extension;
        EXPECT_LE(parts.size(), (payload.size() + 14) / 15) << extension;
        for (const QString& part : parts) {
            const std::optional<DecodedSymbol> read = DecodeImage(QImage(part));
            ASSERT_TRUE(read);
            // Each part alone shows whole characters.
            EXPECT_FALSE(QString::fromUtf8(read->bytes).contains(QChar::ReplacementCharacter))
                << part.toStdString();
        }
        const ToolRun joined = RunTool(QStringList{"--decode"} + parts);
        EXPECT_EQ(joined.status, 0) << joined.err.toStdString();
        EXPECT_TRUE(joined.out.endsWith("\t" + payload + "\n")) << joined.out.toStdString();
    }
    const ToolRun info =
        RunTool({"--structured", "-v", "2", "-l", "Q", "--info", QString::fromUtf8(payload)});
    const qsizetype total = info.out.count("version=2 level=Q");
    EXPECT_GE(total, 2);
    EXPECT_TRUE(info.out.startsWith("part=1/" + QByteArray::number(total) + " "))
        << info.out.toStdString();
    // 1-H: 72 data bits less the header, mode and count leave 38, eleven digits: 28 parts.
    const ToolRun tooMany =
        RunTool({"--structured", "-v", "1", "-l", "H", QString(300, QChar('5'))});
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_EQ(Bytes(tooMany.err), "quorlik-qr: the payload (300 bytes) needs 28 symbols of version "
                                  "1 at level H; a structured-append sequence has at most 16\n");
}

TEST(SingleSymbolStatus, BadUsageIsStatusTwoWithOneLine) {
    const std::vector<QStringList> cases = {
        {"-l", "Z", "x"},
        {"-v", "41", "x"},
        {"-m", "9", "x"},
        {"--nope", "x"},
        {"a", "b"},
        {"-o"},
        {"--compose", "x"},
        {"--logo", "l.png", "x"},
        {"-o", "/nonexistent-folder/x.png", "x"},
        {"--compose", "--logo", "/nonexistent.png", "-o", TemporaryFolder() + "/c.png", "x"},
    };
    for (const QStringList& arguments : cases)
        ExpectBadUsage(RunTool(arguments), arguments.join(' ').toStdString());
}

// A picture too large for the memory the process may have: a message and exit 2, never an abort.
TEST(SingleSymbolStatus, RunningOutOfMemoryIsToldNotAborted) {
    if (BuiltWithAddressSanitizer()) GTEST_SKIP() << "no address-space limit under ASan";
    const QString file = QDir(TemporaryFolder()).filePath("big.bmp");
    ToolSetup limited;
    limited.addressSpaceLimit = 1L << 30;
    // 14,960 pixels a side in 32-bit colour: about 900 MB for the picture alone.
    const ToolRun run = RunToolWith({"-o", file, "--scale", "80", "-v", "40", "hello"}, limited);
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("out of memory")) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
