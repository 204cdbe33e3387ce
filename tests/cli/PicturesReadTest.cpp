// Pictures read by --decode and --logo as a careless or hostile user hands them over: SVG that
// names other files however it is wrapped, pictures declaring absurd sizes, damaged files of
// every format, several symbols and frames, too little memory, and large photographs as logos.
#include "cli/DecodeCommand.h"
#include "encoder/clsQRCode.h"
#include "raster/plain/SymbolFiles.h"
#include "reading/LogoPicture.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// These tests decode in this process under an address-space limit, where our code must see a
// failed allocation as the C library reports it (a null pointer, std::bad_alloc). AddressSanitizer
// would end the process instead.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

namespace {

struct DecodeRun {
    int status;
    std::string out;
    std::string err;
};

DecodeRun Decode(const QStringList& files) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(QFile::encodeName(file).toStdString());
    std::ostringstream out, err;
    const int status = RunDecodeCommand(names, false, out, err);
    return {status, out.str(), err.str()};
}

QRSymbol Matrix(const std::string& payload) {
    clsQRCode encoder;
    return *encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                   static_cast<int>(payload.size()), 0, 2, 0);
}

QImage Symbol(const std::string& payload, int scale = 4) {
    return SymbolPicture(Matrix(payload), scale).convertToFormat(QImage::Format_RGB32);
}

QImage White(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}

QString Saved(const QImage& picture, const QString& file) {
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
    return file;
}

QByteArray Bytes(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// ImageMagick writes the multi-frame files Qt cannot.
bool Convert(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("convert"), arguments);
    const bool done = process.waitForFinished(60000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!done) ADD_FAILURE() << "convert: " << process.readAllStandardError().toStdString();
    return done;
}

QByteArray Gzipped(const QByteArray& bytes) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

const QByteArray kSvgOpen = "<svg xmlns='http://www.w3.org/2000/svg' "
                            "xmlns:xlink='http://www.w3.org/1999/xlink' viewBox='0 0 90 90'>";

QByteArray SvgShowing(const QString& file) {
    return kSvgOpen + "<image xlink:href='" + QFile::encodeName(file) +
           "' width='90' height='90'/></svg>";
}

TEST(PicturesRead, SvgNeverLoadsOtherFilesHoweverWrapped) {
    const QString folder = TemporaryFolder();
    const QString secret = Saved(Symbol("secret payload"), folder + "/secret.png");
    const QByteArray svg = SvgShowing(secret);
    const QByteArray comment = "<!--" + QByteArray(5000, 'x') + "-->";
    const QByteArray nested = kSvgOpen + "<image href='data:image/svg+xml;base64," +
                              svg.toBase64() + "' width='90' height='90'/></svg>";
    const QByteArray styled = "<?xml-stylesheet type='text/css' href='" +
                              QFile::encodeName(folder + "/style.css") + "'?>" + kSvgOpen +
                              "<rect width='9' height='9'/></svg>";
    const QStringList files{
        WriteFile(folder + "/plain.svg", svg),
        WriteFile(folder + "/comment.svg", comment + svg),
        WriteFile(folder + "/packed.svgz", Gzipped(comment + svg)),
        WriteFile(folder + "/packed.svg", Gzipped(svg)),
        WriteFile(folder + "/nested.svg", nested),
        WriteFile(folder + "/nested-comment.svg",
                  kSvgOpen + "<image href='data:image/svg+xml;base64," +
                      (comment + svg).toBase64() + "' width='90' height='90'/></svg>"),
        WriteFile(folder + "/styled.svg", styled),
    };
    for (const QString& file : files) {
        const DecodeRun run = Decode({file});
        EXPECT_EQ(run.status, 2) << file.toStdString() << ": " << run.err;
        EXPECT_EQ(run.out, "") << file.toStdString();
    }
    // The same drawings without the reference still read, compressed or not.
    const QByteArray own =
        QByteArray::fromStdString(SymbolFiles::Svg(SymbolDrawing::Draw(Matrix("own svg"), {4, 4})));
    QByteArray commented = own;
    commented.insert(own.startsWith("<?xml") ? own.indexOf("?>") + 2 : 0, comment);
    EXPECT_EQ(Decode({WriteFile(folder + "/own.svg", commented)}).out, "own svg");
    EXPECT_EQ(Decode({WriteFile(folder + "/own.svgz", Gzipped(own))}).out, "own svg");
    // A raster picture embedded in the document is part of it.
    const QByteArray embedded = kSvgOpen + "<image xlink:href='data:image/png;base64," +
                                Bytes(secret).toBase64() + "' width='90' height='90'/></svg>";
    EXPECT_EQ(Decode({WriteFile(folder + "/embedded.svg", embedded)}).out, "secret payload");
}

TEST(PicturesRead, CompressedSvgIsBoundedUnpacked) {
    const QString folder = TemporaryFolder();
    const QByteArray bomb = kSvgOpen + QByteArray(64 << 20, ' ') + "</svg>";
    const QString file = WriteFile(folder + "/bomb.svgz", Gzipped(bomb));
    const DecodeRun run = Decode({file});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unpacked"), std::string::npos) << run.err;
}

// Headers alone, declaring 16000 × 16000 pixels: refused for their size, not decoded.
TEST(PicturesRead, DeclaredSizesBeyondTheBudgetAreRefusedUndecoded) {
    const QString folder = TemporaryFolder();
    QByteArray gif("GIF89a\x80\x3E\x80\x3E\x00\x00\x00,\x00\x00\x00\x00\x80\x3E\x80\x3E\x00"
                   "\x02\x02\x44\x01\x00;",
                   29);
    QByteArray bmp(64, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(64, bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(16000, bmp.data() + 18);
    qToLittleEndian<qint32>(16000, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(24, bmp.data() + 28);
    for (const QString& file :
         {WriteFile(folder + "/bomb.gif", gif), WriteFile(folder + "/bomb.bmp", bmp)}) {
        const DecodeRun run = Decode({file});
        EXPECT_EQ(run.status, 2) << file.toStdString();
        EXPECT_NE(run.err.find("16000 × 16000 pixels"), std::string::npos) << run.err;
    }
    // A frame placed far beyond its small screen grows the canvas the decoder allocates.
    const QByteArray beyond("GIF89a\x10\x00\x10\x00\x00\x00\x00"    // a 16 × 16 screen
                            ",\x00\x00\x80\x3E\x10\x00\x80\x3E\x00" // 16 × 16000 at row 16000
                            "\x02\x02\x44\x01\x00;",
                            30);
    const DecodeRun far = Decode({WriteFile(folder + "/beyond.gif", beyond)});
    EXPECT_EQ(far.status, 2);
    EXPECT_NE(far.err.find("16 × 32000 pixels"), std::string::npos) << far.err;
    // A small JPEG made to declare 10000 × 10000 pixels: within the budget, but with far too few
    // bytes to hold them; libjpeg would make them up.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && Symbol("tiny").save(&buffer, "JPEG"));
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    qToBigEndian<quint16>(10000, jpeg.data() + frame + 5);
    qToBigEndian<quint16>(10000, jpeg.data() + frame + 7);
    // The same with a GIF: a 10000 × 10000 screen and frame, coded in two bytes.
    const QByteArray emptyGif("GIF89a\x10\x27\x10\x27\x00\x00\x00"
                              ",\x00\x00\x00\x00\x10\x27\x10\x27\x00\x02\x02\x44\x01\x00;",
                              30);
    for (const QString& file :
         {WriteFile(folder + "/made-up.jpg", jpeg), WriteFile(folder + "/made-up.gif", emptyGif)}) {
        const DecodeRun made = Decode({file});
        EXPECT_EQ(made.status, 2) << file.toStdString();
        EXPECT_NE(made.err.find("damaged"), std::string::npos) << made.err;
    }
}

// Through the program itself, so that what libpng, libjpeg and libtiff print is seen too.
TEST(PicturesRead, DamagedFilesOfEveryFormatGiveTwoAndOneLine) {
    const QString folder = TemporaryFolder();
    const QImage symbol = Symbol("whole file");
    QStringList damaged;
    for (const char* format : {"png", "jpg", "bmp", "tif"}) {
        const QString whole = Saved(symbol, folder + "/whole." + format);
        const QByteArray bytes = Bytes(whole);
        damaged << WriteFile(folder + "/cut." + format, bytes.left(bytes.size() * 2 / 3));
        EXPECT_EQ(Decode({whole}).out, "whole file") << format;
    }
    ASSERT_TRUE(Convert({folder + "/whole.png", folder + "/whole.gif"}));
    const QByteArray gif = Bytes(folder + "/whole.gif");
    damaged << WriteFile(folder + "/cut.gif", gif.left(gif.size() * 2 / 3));
    ASSERT_TRUE(Convert({folder + "/whole.png", folder + "/whole.png", folder + "/two.tif"}));
    const QByteArray tiff = Bytes(folder + "/two.tif");
    damaged << WriteFile(folder + "/cut-two.tif", tiff.left(tiff.size() * 3 / 4));
    QByteArray png = Bytes(folder + "/whole.png");
    png[png.indexOf("IDAT") + 12] = char(png[png.indexOf("IDAT") + 12] ^ 0x5A); // checksum fails
    damaged << WriteFile(folder + "/checksum.png", png);
    for (const QString& file : damaged) {
        const ToolRun run = RunTool({"--decode", file});
        EXPECT_EQ(run.status, 2) << file.toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith("quorlik-qr: ")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(PicturesRead, EverySymbolIsReportedInReadingOrder) {
    const QString folder = TemporaryFolder();
    const QImage left = Symbol("left\tone"), right = Symbol("right");
    QImage both = White(left.width() + right.width() + 40, left.height() + 100);
    QPainter painter(&both);
    painter.drawImage(0, 80, left); // lower, but the left one comes first on its row too
    painter.drawImage(left.width() + 40, 0, right);
    painter.end();
    const QString file = Saved(both, folder + "/both.png");
    const DecodeRun one = Decode({file});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "right\nleft\\tone\n");
    const QString single = Saved(Symbol("single"), folder + "/single.png");
    const DecodeRun several = Decode({file, single});
    EXPECT_EQ(several.out, file.toStdString() + "\tright\n" + file.toStdString() +
                               "\tleft\\tone\n" + single.toStdString() + "\tsingle\n");
}

TEST(PicturesRead, SymbolsOnLaterFramesAndPagesAreRead) {
    const QString folder = TemporaryFolder();
    const QImage symbol = Symbol("second frame");
    const QString blank = Saved(White(symbol.width(), symbol.height()), folder + "/blank.png");
    const QString drawn = Saved(symbol, folder + "/symbol.png");
    for (const char* name : {"/pages.tif", "/frames.gif"}) {
        ASSERT_TRUE(Convert({blank, drawn, folder + name}));
        const DecodeRun run = Decode({folder + name});
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(run.out, "second frame") << name;
    }
}

// --decode of `file` in a child process whose address space leaves `headroom` bytes beyond what
// it already uses: 42 when it read the file's symbol, 43 when it said it ran out of memory, 10 +
// its exit status otherwise.
int DecodeWithHeadroom(const QString& file, long headroom, const std::string& payload) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
            std::fclose(statm);
        }
        const rlim_t limit = rlim_t(pages) * ::sysconf(_SC_PAGESIZE) + rlim_t(headroom);
        const rlimit memory{limit, limit};
        ::setrlimit(RLIMIT_AS, &memory);
        const DecodeRun run = Decode({file});
        if (run.status == 0 && run.out == payload) ::_exit(42);
        if (run.status == 2 && run.err.find("memory") != std::string::npos) ::_exit(43);
        ::_exit(10 + run.status);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Room for the file but not for looking at it: a real symbol is never "no QR code found".
TEST(PicturesRead, RunningOutOfMemoryIsTwoNeverNoSymbol) {
    const QString folder = TemporaryFolder();
    QImage mono(9000, 9000, QImage::Format_Mono);
    mono.fill(0);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const QImage symbol = Symbol("memory", 6);
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            mono.setPixel(100 + x, 100 + y, qGray(symbol.pixel(x, y)) < 128 ? 1 : 0);
    const QString file = Saved(mono, folder + "/large.png");
    mono = QImage();
    Decode({Saved(Symbol("warm"), folder + "/warm.png")}); // plugins loaded before the limit
    EXPECT_EQ(DecodeWithHeadroom(file, 48L << 20, "memory"), 43);
}

// 140 million pixels, beyond the budget: decoded at half the size, in a quarter of the memory.
TEST(PicturesRead, JpegPhotographsBeyondTheBudgetAreDecodedScaledDown) {
    const QString folder = TemporaryFolder();
    {
        QImage photo(14000, 10000, QImage::Format_Grayscale8);
        photo.fill(255);
        QPainter painter(&photo);
        const QImage symbol = Symbol("photographed");
        painter.drawImage(QRect(3000, 3000, symbol.width() * 12, symbol.height() * 12), symbol);
        painter.end();
        ASSERT_TRUE(photo.save(folder + "/photo.jpg", nullptr, 75));
    }
    Decode({Saved(Symbol("warm"), folder + "/warm.png")}); // plugins loaded before the limit
    EXPECT_EQ(DecodeWithHeadroom(folder + "/photo.jpg", 160L << 20, "photographed"), 42);
}

QImage Photograph() {
    QImage photo(6000, 6000, QImage::Format_RGB32);
    photo.fill(QColor(230, 20, 20));
    for (int y = 0; y < 6000; y += 97) photo.setPixel(y, y, qRgb(20, 20, 230)); // not flat
    return photo;
}

// 6000 × 6000 pixels of 32-bit colour are more than Qt's usual 128 MB reader limit.
TEST(PicturesRead, LargePhotographsAreTakenAsLogosReduced) {
    const QString folder = TemporaryFolder();
    {
        const QImage photo = Photograph();
        ASSERT_TRUE(photo.save(folder + "/photo.jpg", nullptr, 60));
        ASSERT_TRUE(photo.save(folder + "/photo.png"));
    }
    for (const char* name : {"/photo.jpg", "/photo.png"}) {
        const std::optional<QImage> logo =
            LogoPicture::Load(QFile::encodeName(folder + name).toStdString());
        ASSERT_TRUE(logo) << name;
        EXPECT_EQ(logo->size(), QSize(1024, 1024)) << name;
        const QString out = folder + name + ".out.png";
        const ToolRun run = RunTool({"--compose", "--logo", folder + name, "-o", out, "logo text"});
        EXPECT_EQ(run.status, 0) << name << ": " << run.err.toStdString();
        const QColor centre = QImage(out).pixelColor(120, 120);
        EXPECT_TRUE(centre.red() > 200 && centre.green() < 60) << name;
    }
    const ToolRun text =
        RunTool({"--compose", "--logo", WriteFile(folder + "/notes.png", "no picture"), "-o",
                 folder + "/x.png", "logo text"});
    EXPECT_EQ(text.status, 2);
}

} // namespace
