// Reading symbols back from picture files: symbols made by other encoders (qrencode, zint) and
// by ours, every picture format, the output formats, and the files that must be refused.
#include "cli/DecodeCommand.h"
#include "encoder/clsQRCode.h"
#include "raster/plain/SymbolFiles.h"
#include "reading/SymbolReader.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QFile>
#include <QImage>
#include <QPainter>
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

DecodeRun Decode(const QStringList& files, bool info = false) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(QFile::encodeName(file).toStdString());
    std::ostringstream out, err;
    const int status = RunDecodeCommand(names, info, out, err);
    return {status, out.str(), err.str()};
}

// Runs a foreign encoder (Debian qrencode, zint); false, with a failure, when it cannot.
bool Make(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    const bool made = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!made)
        ADD_FAILURE() << program.toStdString() << ": " << process.errorString().toStdString();
    return made;
}

QRSymbol OurSymbol(const std::string& payload, int level, int mask, int eci = 0) {
    clsQRCode encoder;
    EncodeOptions options = clsQRCode::OptionsOf(0, level, mask);
    options.eci = eci;
    return *encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                   static_cast<int>(payload.size()), options);
}

TEST(DecodeCommand, SymbolsOfOtherEncodersGiveTheirExactPayloads) {
    const QString folder = TemporaryFolder();
    const std::string chinese = "二维码：文字、网址和名片";
    const std::string binary("\x00\x01\xFF\x80\n\t\\ end", 11);
    struct Foreign {
        QString program;
        QStringList arguments;
        std::string payload;
        const char* extension;
    };
    const Foreign cases[] = {
        {"qrencode", {"-l", "H"}, "https://example.com/?a=1&b=2", "png"},
        {"qrencode", {"-t", "SVG"}, chinese, "svg"},
        {"qrencode", {"-8", "-s", "5"}, binary, "png"},
        {"qrencode", {"-l", "L", "-s", "2"}, std::string(2000, 'q'), "png"},
        {"zint", {"--binary"}, chinese, "png"},
        {"zint", {"--scale=3"}, "ZINT BMP 12345", "bmp"},
        {"zint", {"--eci=26"}, chinese, "gif"},
        {"zint", {"--secure=4"}, "tiff picture", "tif"},
        {"zint", {"--binary"}, "svg: a;b,c", "svg"},
    };
    int index = 0;
    for (const Foreign& c : cases) {
        const QString file = folder + QStringLiteral("/%1.%2").arg(index++).arg(c.extension);
        const QByteArray payload(c.payload.data(), static_cast<qsizetype>(c.payload.size()));
        QStringList arguments = c.arguments;
        if (c.program == "zint")
            arguments << "-b"
                      << "QRCODE"
                      << "--data=" + QString::fromUtf8(payload);
        else
            arguments << "-r" << WriteFile(file + ".in", payload);
        ASSERT_TRUE(Make(c.program, arguments << "-o" << file)) << file.toStdString();
        const DecodeRun run = Decode({file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.payload) << file.toStdString();
    }
}

TEST(DecodeCommand, InfoTellsVersionLevelMaskAndEci) {
    const QString file = TemporaryFolder() + QStringLiteral("/zint.png");
    for (int mask = 0; mask < 8; ++mask) {
        ASSERT_TRUE(Make("zint", {"-b", "QRCODE", "--vers=7", "--secure=3", "--eci=26",
                                  QStringLiteral("--mask=%1").arg(mask), "-o", file,
                                  QString::fromUtf8("--data=你好\tzint")}));
        EXPECT_EQ(Decode({file}, true).out,
                  "version=7 level=Q mask=" + std::to_string(mask) + " eci=26 text=你好\\tzint\n");
    }
    ASSERT_TRUE(Make("qrencode", {"-v", "12", "-l", "M", "-o", file, "plain"}));
    EXPECT_TRUE(Decode({file}, true).out.starts_with("version=12 level=M mask="));
    EXPECT_TRUE(Decode({file}, true).out.ends_with(" eci=none text=plain\n"));
    EXPECT_EQ(EcisOfProtocolText("]Q2\\000003a\\\\000026b\\000020"), (std::vector<int>{3, 20}));
    EXPECT_EQ(EcisOfProtocolText("]Q2\\00002"), std::vector<int>{});
}

// qrencode's structured append: the parts in any order, or side by side in one picture, give
// the joined payload; --info tells each part's position; a part missing is reported, status 1.
TEST(DecodeCommand, StructuredAppendPartsAreJoined) {
    const QString folder = TemporaryFolder();
    const std::string payload = "分成几个符号的长文本: structured append 0123456789";
    const QString input = WriteFile(folder + "/payload", QByteArray::fromStdString(payload));
    ASSERT_TRUE(Make("qrencode", {"-S", "-v", "2", "-l", "H", "-s", "4", "-r", input, "-o",
                                  folder + "/seq.png"}));
    QStringList parts;
    for (int i = 1; QFile::exists(folder + QStringLiteral("/seq-%1.png").arg(i, 2, 10, QChar('0')));
         ++i)
        parts.prepend(folder + QStringLiteral("/seq-%1.png").arg(i, 2, 10, QChar('0')));
    ASSERT_GE(parts.size(), 3);
    const std::string first = QFile::encodeName(parts.front()).toStdString();
    EXPECT_EQ(Decode(parts).out, first + "\t" + payload + "\n");

    QImage sideBySide(QImage(parts[0]).width() * int(parts.size()), QImage(parts[0]).height(),
                      QImage::Format_RGB32);
    QPainter painter(&sideBySide);
    for (int i = 0; i < parts.size(); ++i)
        painter.drawImage(i * QImage(parts[0]).width(), 0, QImage(parts[i]));
    painter.end();
    ASSERT_TRUE(sideBySide.save(folder + "/all.png"));
    const DecodeRun all = Decode({folder + "/all.png"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, payload);

    const DecodeRun info = Decode(parts, true);
    const std::string total = std::to_string(parts.size());
    EXPECT_NE(info.out.find("\tpart=1/" + total + " version=2 level=H"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("\tsequence=" + total + " "), std::string::npos) << info.out;

    const DecodeRun incomplete = Decode({parts[0], parts[2]});
    EXPECT_EQ(incomplete.status, 1);
    EXPECT_NE(incomplete.err.find("a sequence of " + total + " symbols lacks part"),
              std::string::npos)
        << incomplete.err;
    EXPECT_EQ(std::count(incomplete.out.begin(), incomplete.out.end(), '\n'), 2);
}

// Our symbols turned by quarters at odd scales as JPEG, and the batch's SVG.
TEST(DecodeCommand, InfoOfOurSymbolsInEveryOrientation) {
    const QString folder = TemporaryFolder();
    const std::string payload = "订单 20261208：已发货\\完";
    for (int mask = 0; mask < 8; ++mask) {
        const QRSymbol symbol = OurSymbol(payload, 1 + mask % 4, mask, clsQRCode::EciUtf8);
        const QString file = folder + QStringLiteral("/ours%1.jpg").arg(mask);
        ASSERT_TRUE(
            SymbolPicture(symbol, 3 + mask).transformed(QTransform().rotate(90 * mask)).save(file));
        EXPECT_EQ(Decode({file}, true).out, "version=" + std::to_string(symbol.version()) +
                                                " level=" + "LMQH"[mask % 4] +
                                                " mask=" + std::to_string(mask) +
                                                " eci=26 text=订单 20261208：已发货\\\\完\n");
    }
    const QString svg = WriteFile(folder + "/ours.svg",
                                  QByteArray::fromStdString(SymbolFiles::Svg(
                                      SymbolDrawing::Draw(OurSymbol(payload, 3, 0), {1, 4}))));
    EXPECT_EQ(Decode({svg}).out, payload);
}

TEST(DecodeCommand, UnreadableFilesGiveTwoAndPicturesWithoutASymbolOne) {
    const QString folder = TemporaryFolder();
    QImage blank(300, 300, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QString empty = folder + "/blank.png", good = folder + "/good\tone.png";
    ASSERT_TRUE(blank.save(empty) &&
                SymbolPicture(OurSymbol("go\tod\n\\\x01", 3, 0), 4).save(good));
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QString cut = WriteFile(folder + "/cut.png", goodFile.readAll().chopped(200));
    const QString text = WriteFile(folder + "/notes.png", "not a picture at all");
    const QString link = folder + "/link.png", fifo = folder + "/fifo.png";
    ASSERT_EQ(::symlink(QFile::encodeName(good).constData(), QFile::encodeName(link).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString external = WriteFile(
        folder + "/external.svg", "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 9 9'>"
                                  "<image href='" +
                                      QFile::encodeName(good) + "' width='9' height='9'/></svg>");
    // A symbol whose byte count promises more than it holds (segno 1.4's structured append)
    // makes zxing-cpp 1.4 throw; it is a picture without a symbol we can read.
    const QString overlong = QStringLiteral(
        QUORLIK_SOURCE_DIR "/tests/fuzz/corpus/pictures/qr-count-beyond-capacity.png");
    for (const QString& file : {empty, overlong}) {
        const DecodeRun none = Decode({file});
        EXPECT_EQ(none.status, 1);
        EXPECT_EQ(none.out, "");
        EXPECT_TRUE(none.err.ends_with(".png: no QR code found\n")) << none.err;
    }
    for (const QString& bad : {folder + "/missing.png", folder, cut, text, link, fifo, external}) {
        const DecodeRun run = Decode({bad});
        EXPECT_EQ(run.status, 2) << bad.toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(bad.toStdString() + ": "), std::string::npos) << run.err;
    }
    // A line each, file name and payload escaped; the worst status wins.
    const DecodeRun mixed = Decode({empty, good, text});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_EQ(mixed.out, folder.toStdString() + "/good\\tone.png\tgo\\tod\\n\\\\\\x01\n");
    EXPECT_EQ(Decode({empty, good}).status, 1);
    EXPECT_EQ(Decode({}).status, 2);
}

// Qt refuses pictures over 128 MB by default; a 6000 × 6000 photograph is more than that in
// 32-bit pixels and is read. Beyond 16384 pixels a side nothing is read.
TEST(DecodeCommand, LargePicturesAreReadAndAbsurdOnesRefused) {
    const QString folder = TemporaryFolder();
    QImage large(6000, 6000, QImage::Format_RGB32);
    large.fill(Qt::white);
    const QImage drawn =
        SymbolPicture(OurSymbol("large picture", 3, 2), 60).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < drawn.height(); ++y)
        std::memcpy(large.scanLine(1000 + y) + 4 * 1500, drawn.constScanLine(y),
                    drawn.bytesPerLine());
    ASSERT_TRUE(large.save(folder + "/large.png", "PNG", 0));
    large = QImage();
    EXPECT_EQ(Decode({folder + "/large.png"}).out, "large picture");
    QImage wide(20000, 4, QImage::Format_Grayscale8);
    wide.fill(255);
    ASSERT_TRUE(wide.save(folder + "/wide.png"));
    const DecodeRun refused = Decode({folder + "/wide.png"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("more than 16384 a side"), std::string::npos) << refused.err;
}

} // namespace
