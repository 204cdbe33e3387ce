// Reading symbols back from picture files: symbols made by other encoders (qrencode, zint) and
// by ours, every picture format, the output formats, and the files that must be refused.
#include "DecodeCommand.h"
#include "SvgSymbol.h"
#include "SymbolReader.h"
#include "ToolProcess.h"
#include "ZxingDecode.h"
#include "clsQRCode.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTransform>

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DecodeRun {
    int status;
    std::string out;
    std::string err;
};

DecodeRun Decode(const std::vector<QString>& files, bool info = false) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(QFile::encodeName(file).toStdString());
    std::ostringstream out, err;
    const int status = RunDecodeCommand(names, info, out, err);
    return {status, out.str(), err.str()};
}

// Runs a foreign encoder; the test fails when it is missing or refuses.
bool RunProgram(const QString& program, const QStringList& arguments,
                const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " is not installed (scripts/install-deps.sh)";
        return false;
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

std::optional<QRSymbol> OurSymbol(const std::string& payload, int level, int mask, int eci = 0) {
    clsQRCode encoder;
    encoder.Eci = eci;
    return encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                  static_cast<int>(payload.size()), 0, level, mask);
}

struct Foreign {
    const char* name;
    QString program;
    QStringList arguments; // "OUT" is replaced by the file name
    std::string payload;
    const char* extension;
};

TEST(DecodeCommand, SymbolsOfOtherEncodersGiveTheirExactPayloads) {
    const QString folder = TemporaryFolder();
    const std::string chinese = "二维码：文字、网址和名片";
    const std::string binary("\x00\x01\xFF\xFE\x80\n\t\\ end", 12);
    const QString q = QStringLiteral("qrencode"), z = QStringLiteral("zint");
    const std::vector<Foreign> cases = {
        {"qrencode png", q, {"-l", "H", "-o", "OUT"}, "https://example.com/?a=1&b=2", "png"},
        {"qrencode svg", q, {"-t", "SVG", "-o", "OUT"}, chinese, "svg"},
        {"qrencode 8-bit", q, {"-8", "-s", "5", "-o", "OUT"}, binary, "png"},
        {"qrencode large", q, {"-l", "L", "-s", "2", "-o", "OUT"}, std::string(2000, 'q'), "png"},
        {"zint png", z, {"-b", "QRCODE", "--binary", "-o", "OUT"}, chinese, "png"},
        {"zint bmp", z, {"-b", "QRCODE", "--scale=3", "-o", "OUT"}, "ZINT BMP 12345", "bmp"},
        {"zint gif", z, {"-b", "QRCODE", "--eci=26", "-o", "OUT"}, chinese, "gif"},
        {"zint tif", z, {"-b", "QRCODE", "--secure=4", "-o", "OUT"}, "tiff picture", "tif"},
        {"zint svg", z, {"-b", "QRCODE", "--binary", "-o", "OUT"}, "svg: a;b,c", "svg"},
    };
    std::vector<QString> files;
    int index = 0;
    for (const Foreign& c : cases) {
        const QString file = folder + QStringLiteral("/%1.%2").arg(index++).arg(c.extension);
        QStringList arguments = c.arguments;
        arguments.replaceInStrings(QStringLiteral("OUT"), file);
        QByteArray input(c.payload.data(), static_cast<qsizetype>(c.payload.size()));
        if (c.program == z)
            arguments << QStringLiteral("--data=%1").arg(QString::fromStdString(c.payload));
        else
            arguments << QStringLiteral("-r") << WriteFile(file + ".in", input);
        ASSERT_TRUE(RunProgram(c.program, arguments)) << c.name;
        const DecodeRun run = Decode({file});
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, c.payload) << c.name;
        files.push_back(file);
    }
    // All at once: one escaped line each, in the order given.
    const DecodeRun all = Decode(files);
    EXPECT_EQ(all.status, 0) << all.err;
    std::istringstream lines(all.out);
    std::string line;
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.substr(0, line.find('\t')), files[i].toStdString());
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_NE(all.out.find("\t\\x00\\x01\xFF\xFE\x80\\n\\t\\\\ end\n"), std::string::npos)
        << all.out;
}

TEST(DecodeCommand, InfoTellsVersionLevelMaskAndEciOfForeignSymbols) {
    const QString folder = TemporaryFolder();
    const QString file = folder + QStringLiteral("/zint.png");
    for (int mask = 0; mask < 8; ++mask) {
        ASSERT_TRUE(RunProgram(QStringLiteral("zint"),
                               {"-b", "QRCODE", "--vers=7", "--secure=3", "--eci=26",
                                QStringLiteral("--mask=%1").arg(mask), "--quietzones", "-o", file,
                                QString::fromUtf8("--data=你好\tzint")}));
        const DecodeRun run = Decode({file}, true);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out,
                  "version=7 level=Q mask=" + std::to_string(mask) + " eci=26 text=你好\\tzint\n");
    }
    ASSERT_TRUE(
        RunProgram(QStringLiteral("qrencode"), {"-v", "12", "-l", "M", "-o", file, "plain"}));
    const DecodeRun plain = Decode({file}, true);
    EXPECT_EQ(plain.out.substr(0, 23), "version=12 level=M mask");
    EXPECT_NE(plain.out.find(" eci=none text=plain\n"), std::string::npos) << plain.out;
}

// Our own symbols, turned a quarter and drawn at odd scales: the info agrees with what the
// encoder made.
TEST(DecodeCommand, InfoOfOurSymbolsInEveryOrientation) {
    const QString folder = TemporaryFolder();
    const std::string payload = "订单 20261208：已发货\\完";
    for (int mask = 0; mask < 8; ++mask) {
        const int level = 1 + mask % 4;
        const auto symbol = OurSymbol(payload, level, mask, clsQRCode::EciUtf8);
        ASSERT_TRUE(symbol);
        QTransform turn;
        turn.rotate(90 * mask);
        const QString file = folder + QStringLiteral("/ours%1.jpg").arg(mask);
        ASSERT_TRUE(SymbolPicture(*symbol, 3 + mask).transformed(turn).save(file, "JPG", 95));
        const DecodeRun run = Decode({file}, true);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "version=" + std::to_string(symbol->version) +
                               " level=" + "LMQH"[level - 1] + " mask=" + std::to_string(mask) +
                               " eci=26 text=订单 20261208：已发货\\\\完\n");
    }
    // The SVG the batch writes, read through the SVG renderer.
    const auto symbol = OurSymbol(payload, 3, 0);
    const QString svg = WriteFile(folder + QStringLiteral("/ours.svg"), SvgDocument(*symbol, 1));
    EXPECT_EQ(Decode({svg}).out, payload);
}

TEST(DecodeCommand, UnreadableFilesGiveTwoAndPicturesWithoutASymbolOne) {
    const QString folder = TemporaryFolder();
    QImage blank(300, 300, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QString empty = folder + QStringLiteral("/blank.png");
    ASSERT_TRUE(blank.save(empty));
    const auto symbol = OurSymbol("good", 3, 0);
    const QString good = folder + QStringLiteral("/good\tone.png");
    ASSERT_TRUE(SymbolPicture(*symbol, 4).save(good));
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray png = goodFile.readAll();
    const QString truncated =
        WriteFile(folder + QStringLiteral("/cut.png"), png.left(png.size() / 2));
    const QString text = WriteFile(folder + QStringLiteral("/notes.png"), "not a picture at all");
    const QString link = folder + QStringLiteral("/link.png");
    ASSERT_EQ(::symlink(QFile::encodeName(good).constData(), QFile::encodeName(link).constData()),
              0);
    const QString fifo = folder + QStringLiteral("/fifo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString externalSvg = WriteFile(
        folder + QStringLiteral("/external.svg"),
        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
        "viewBox='0 0 10 10'><image xlink:href='" +
            QFile::encodeName(good) + "' width='10' height='10'/></svg>");

    const DecodeRun none = Decode({empty});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("blank.png: no QR code found"), std::string::npos) << none.err;

    for (const QString& bad : {folder + QStringLiteral("/missing.png"), folder, truncated, text,
                               link, fifo, externalSvg}) {
        const DecodeRun run = Decode({bad});
        EXPECT_EQ(run.status, 2) << bad.toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(QFile::encodeName(bad).toStdString() + ": "), std::string::npos)
            << run.err;
    }
    // The good file still comes out between them; the worst status wins.
    const DecodeRun mixed = Decode({empty, good, text});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_EQ(mixed.out, QFile::encodeName(good).replace("\t", "\\t").toStdString() + "\tgood\n");
    EXPECT_EQ(Decode({empty, good}).status, 1);
    EXPECT_EQ(Decode({}).status, 2);
}

// Qt refuses pictures over 128 MB by default; a 6000 × 6000 photograph is more than that in
// 32-bit pixels, and is read. Beyond 16384 pixels a side nothing is read.
TEST(DecodeCommand, LargePicturesAreReadAndAbsurdOnesRefused) {
    const QString folder = TemporaryFolder();
    const auto symbol = OurSymbol("large picture", 3, 2);
    QImage large(6000, 6000, QImage::Format_RGB32);
    large.fill(Qt::white);
    {
        const QImage drawn = SymbolPicture(*symbol, 60).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < drawn.height(); ++y)
            std::memcpy(large.scanLine(1000 + y) + 4 * 1500, drawn.constScanLine(y),
                        static_cast<std::size_t>(drawn.bytesPerLine()));
    }
    const QString big = folder + QStringLiteral("/large.png");
    ASSERT_TRUE(large.save(big, "PNG", 0));
    large = QImage();
    const DecodeRun read = Decode({big});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "large picture");

    QImage wide(20000, 4, QImage::Format_Grayscale8);
    wide.fill(255);
    const QString absurd = folder + QStringLiteral("/wide.png");
    ASSERT_TRUE(wide.save(absurd));
    const DecodeRun refused = Decode({absurd});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("16384"), std::string::npos) << refused.err;
}

TEST(DecodeCommand, EciDesignatorsOfTheProtocolText) {
    EXPECT_EQ(EcisOfProtocolText("]Q2\\000026abc"), std::vector<int>{26});
    EXPECT_EQ(EcisOfProtocolText("]Q2\\000003a\\\\000026b\\000020"), (std::vector<int>{3, 20}));
    EXPECT_EQ(EcisOfProtocolText("]Q2\\00002"), std::vector<int>{});
    EXPECT_EQ(EcisOfProtocolText("]Q2\\12a456"), std::vector<int>{});
}

} // namespace
