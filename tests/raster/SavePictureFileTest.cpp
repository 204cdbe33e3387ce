#include "raster/保存为PNGJPG.h"

#include "encoder/clsQRCode.h"
#include "raster/EncodeToPicture.h"
#include "raster/FilePlacement.h"
#include "raster/ImageExport.h"
#include "raster/SymbolPictures.h"
#include "raster/plain/FileFormats.h"
#include "tests/raster/ImageFileProbes.h"
#include "tests/support/ZxingDecode.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "tests/support/SavedPictures.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <string>

namespace {

using SavedPictures::Payload;

using namespace 保存为PNGJPG;

// Four flat quadrants: few colours, each of which must survive every format.
QImage quadrantLogo() {
    QImage logo(60, 60, QImage::Format_RGB32);
    QPainter painter(&logo);
    painter.fillRect(0, 0, 30, 30, QColor(220, 30, 30));
    painter.fillRect(30, 0, 30, 30, QColor(30, 160, 40));
    painter.fillRect(0, 30, 30, 30, QColor(30, 60, 200));
    painter.fillRect(30, 30, 30, 30, QColor(250, 170, 0));
    return logo;
}

// A smooth gradient: far more than 256 colours.
QImage gradientLogo() {
    QImage logo(60, 60, QImage::Format_RGB32);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) logo.setPixel(x, y, qRgb(60 + 3 * x, 60 + 3 * y, 200 - 2 * x));
    return logo;
}

QImage withLogo(const QImage& logo) {
    QImage picture = SavedPictures::ComposedPicture();
    QPainter painter(&picture);
    painter.drawImage(QRect(90, 90, 60, 60), logo);
    return picture;
}

double meanColourDistance(const QImage& a, const QImage& b, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * area.width() * area.height());
}

class ExportTest : public testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    SaveOutcome write(const QImage& picture, const QString& name, const QString& extension,
                      int jpegQuality = 90) const {
        return WritePictureFile(picture, path(name), extension, jpegQuality, 24, 6);
    }
    QTemporaryDir dir_;
};

// ---- Every format: a symbol in three colourings, written and read back by a real reader -----

const RenderOptions BlackOnWhite{4, 4};
const RenderOptions NavyOnYellow{4, 4, {0x1a, 0x23, 0x7e, 255}, {0xff, 0xf5, 0x9d, 255}};
const RenderOptions NavyOnClear{4, 4, {0x1a, 0x23, 0x7e, 255}, {0xff, 0xff, 0xff, 0}};

struct FormatCase {
    const char* extension;
    QByteArray magic;          // the file's opening
    bool transparency = false; // shows a transparent light colour as transparent
    bool exact = true;         // draws exact colours (JPEG approximates them)
};

// The bytes of a program's standard output; empty when it fails.
QByteArray OutputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput();
}

// The file as pixels, one module = 4 pixels: EPS through Ghostscript, PDF through poppler, SVG
// through Qt Svg, the rest through Qt's readers.
QImage Rendered(const QString& file) {
    const QString suffix = QFileInfo(file).suffix();
    if (suffix == "eps")
        return QImage::fromData(
            OutputOf("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=png16m",
                            "-sOutputFile=-", file}));
    if (suffix == "pdf")
        return QImage::fromData(OutputOf("pdftoppm", {"-png", "-r", "72", "-singlefile", file}));
    if (suffix == "svg") {
        QSvgRenderer svg(file);
        QImage picture(svg.defaultSize(), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        svg.render(&painter);
        return picture;
    }
    return QImage(file);
}

QRgb OnWhite(QRgb colour) {
    const int a = qAlpha(colour);
    const auto flat = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
    return qRgb(flat(qRed(colour)), flat(qGreen(colour)), flat(qBlue(colour)));
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class FormatTest : public ExportTest, public testing::WithParamInterface<FormatCase> {
  protected:
    const QRSymbol symbol_ = *clsQRCode().EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(Payload.data()), int(Payload.size()), 0, 3, 0);
    static FileFormats::Format format() { return *FileFormats::Named(GetParam().extension + 1); }
    ImageExport::Encoded encode(const RenderOptions& options, const QImage& logo = {}) const {
        ImageExport::Source source;
        static_cast<RenderOptions&>(source) = options;
        source.symbol = &symbol_;
        source.logo = logo;
        return ImageExport::Encode(source, format());
    }
    // Written, of its format, the symbol's size, in its colours, and read by zxing-cpp.
    void expectWrittenAndScans(const RenderOptions& options, const QImage& logo = {}) {
        const FormatCase& c = GetParam();
        const ImageExport::Encoded file = encode(options, logo);
        ASSERT_TRUE(file.outcome.written) << file.outcome.description.toStdString();
        EXPECT_TRUE(file.bytes.startsWith(c.magic)) << file.bytes.left(8).toStdString();
        const QString name = path(QStringLiteral("symbol") + c.extension);
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(file.bytes) == file.bytes.size());
        out.close();
        const QImage back = Rendered(name).convertToFormat(QImage::Format_ARGB32);
        const int side = (symbol_.side() + 2 * options.margin) * options.scale;
        ASSERT_EQ(back.size(), QSize(side, side));
        const int module = options.scale, corner = options.margin * module + module / 2;
        const QRgb light = back.pixel(module / 2, module / 2), dark = back.pixel(corner, corner);
        const int tolerance = c.exact ? 1 : 12;
        EXPECT_TRUE(Near(OnWhite(light), OnWhite(SymbolPictures::RgbaOf(options.light)), tolerance))
            << std::hex << light;
        EXPECT_TRUE(Near(dark, SymbolPictures::RgbaOf(options.dark), tolerance))
            << std::hex << dark;
        EXPECT_TRUE(!c.transparency || qAlpha(light) == options.light.alpha) << qAlpha(light);
        QImage flattened(back.size(), QImage::Format_RGB32);
        flattened.fill(Qt::white);
        QPainter(&flattened).drawImage(0, 0, back);
        const std::optional<DecodedSymbol> decoded = DecodeImage(flattened);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->bytes, Payload);
    }
};

TEST_P(FormatTest, EachColouringIsWrittenInTheFormatAndScans) {
    for (const RenderOptions& options : {BlackOnWhite, NavyOnYellow, NavyOnClear}) {
        SCOPED_TRACE(SymbolPictures::RgbaOf(options.light));
        if (!FileFormats::RowOf(format()).alpha && !options.light.opaque()) {
            const ImageExport::Encoded refused = encode(options);
            EXPECT_EQ(refused.outcome.errorNumber, ColourRefused);
            EXPECT_EQ(EnglishText(refused.outcome).toStdString(),
                      std::string(GetParam().extension + 1) +
                          " holds no transparency: give opaque colours (RRGGBB, or RRGGBBAA "
                          "with alpha FF)");
            continue;
        }
        expectWrittenAndScans(options);
    }
}

TEST_P(FormatTest, SymbolWithLogoIsWrittenAndScans) {
    expectWrittenAndScans(BlackOnWhite, quadrantLogo());
}

// A rectangular symbol (rMQR, which our reader does not read) keeps its shape and every module
// in every format: each module's centre has the symbol's colour.
TEST_P(FormatTest, RectangularSymbolIsDrawnModuleForModule) {
    const QByteArray payload = "rMQR 1234567890";
    const QRSymbol rmqr =
        *clsQRCode().EncodeRmqr(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                int(payload.size()), RmqrOptions{5, EcLevel::M});
    ImageExport::Source source;
    static_cast<RenderOptions&>(source) = RenderOptions{4, 2};
    source.symbol = &rmqr;
    const ImageExport::Encoded file = ImageExport::Encode(source, format());
    ASSERT_TRUE(file.outcome.written) << file.outcome.description.toStdString();
    const QString name = path(QStringLiteral("rmqr") + GetParam().extension);
    QFile out(name);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(file.bytes) == file.bytes.size());
    out.close();
    const QImage back = Rendered(name).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(back.size(), QSize((139 + 4) * 4, (7 + 4) * 4));
    int wrong = 0;
    for (int r = 0; r < rmqr.height(); ++r)
        for (int c = 0; c < rmqr.width(); ++c)
            wrong += (qGray(back.pixel((c + 2) * 4 + 2, (r + 2) * 4 + 2)) < 128) != rmqr.dark(r, c);
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, FormatTest,
    testing::Values(FormatCase{".jpg", QByteArray("\xFF\xD8", 2), false, false},
                    FormatCase{".png", QByteArray("\x89PNG"), true},
                    FormatCase{".gif", QByteArray("GIF8"), true},
                    FormatCase{".tif", QByteArray("II*\0", 4), true},
                    FormatCase{".bmp", QByteArray("BM")},
                    FormatCase{".svg", QByteArray("<?xml"), true},
                    FormatCase{".eps", QByteArray("%!PS-Adobe-3.0 EPSF-3.0\n")},
                    FormatCase{".pdf", QByteArray("%PDF-")}),
    [](const testing::TestParamInfo<FormatCase>& info) {
        return std::string(info.param.extension + 1);
    });

// ---- Format details -----------------------------------------------------------------------

class JpegTest : public ExportTest {
  protected:
    std::vector<QByteArray> referenceTables(int quality) const {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        EXPECT_TRUE(writer.write(SavedPictures::ComposedPicture()));
        return JpegQuantisationTables(bytes);
    }
    std::vector<QByteArray> ourTables(int quality) {
        const QString name = QStringLiteral("q%1.jpg").arg(quality);
        EXPECT_TRUE(
            write(SavedPictures::ComposedPicture(), name, QStringLiteral(".jpg"), quality).written);
        return JpegQuantisationTables(ReadAllBytes(path(name)));
    }
};

TEST_F(JpegTest, QualityNinetyGivesTheQualityNinetyQuantisationTables) {
    const std::vector<QByteArray> ours = ourTables(90);
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(ours, referenceTables(90));
    EXPECT_NE(ours, referenceTables(50));
}

TEST_F(JpegTest, QualityOutsideTheScaleIsClampedToIt) {
    EXPECT_EQ(ourTables(150), referenceTables(100));
    EXPECT_EQ(ourTables(-20), referenceTables(0));
}

class TiffTest : public ExportTest {
  protected:
    TiffDirectory directoryOf(int depth, int compression) {
        const QString name = QStringLiteral("d%1c%2.tif").arg(depth).arg(compression);
        const SaveOutcome outcome = WritePictureFile(
            withLogo(quadrantLogo()), path(name), QStringLiteral(".tif"), 90, depth, compression);
        EXPECT_TRUE(outcome.written) << outcome.description.toStdString();
        return FirstTiffDirectory(ReadAllBytes(path(name))).value_or(TiffDirectory{});
    }
};

TEST_F(TiffTest, ClassicNoCompressionValueWritesUncompressedTwentyFourBitRgb) {
    const TiffDirectory directory = directoryOf(24, 6);
    EXPECT_EQ(directory.compression, 1u);
    EXPECT_EQ(directory.samplesPerPixel, 3u);
    EXPECT_EQ(directory.bitsPerSample, (std::vector<std::uint32_t>{8, 8, 8}));
}

TEST_F(TiffTest, ClassicLzwValueAndOtherDepthsAreHonoured) {
    EXPECT_EQ(directoryOf(24, 2).compression, 5u); // LZW
    const TiffDirectory rgba = directoryOf(32, 6);
    EXPECT_EQ(rgba.samplesPerPixel, 4u);
    EXPECT_EQ(rgba.compression, 1u);
    EXPECT_EQ(directoryOf(8, 6).bitsPerSample, (std::vector<std::uint32_t>{8}));
}

class GifTest : public ExportTest {};

TEST_F(GifTest, PaletteHoldsAtMost256ColoursAndAPowerOfTwoEntries) {
    ASSERT_TRUE(write(withLogo(gradientLogo()), "many.gif", ".gif").written);
    const int entries = GifGlobalColourCount(ReadAllBytes(path("many.gif")));
    EXPECT_GE(entries, 2);
    EXPECT_LE(entries, 256);
    EXPECT_EQ(entries & (entries - 1), 0);
    const QImage back(path("many.gif"));
    QSet<QRgb> colours;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) colours.insert(back.pixel(x, y));
    EXPECT_LE(colours.size(), 256);
}

TEST_F(GifTest, FewColoursAreKeptExactly) {
    const QImage picture = withLogo(quadrantLogo());
    ASSERT_TRUE(write(picture, "few.gif", ".gif").written);
    EXPECT_EQ(QImage(path("few.gif")).convertToFormat(QImage::Format_RGB32), picture);
}

TEST_F(GifTest, ManyColoursSurviveRoughlyAndTheSymbolStaysExact) {
    const QImage picture = withLogo(gradientLogo());
    ASSERT_TRUE(write(picture, "gradient.gif", ".gif").written);
    const QImage back = QImage(path("gradient.gif")).convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(meanColourDistance(back, picture, QRect(90, 90, 60, 60)), 24.0);
    // Outside the logo only black and white, which the palette holds exactly.
    EXPECT_EQ(meanColourDistance(back, picture, QRect(0, 0, 240, 90)), 0.0);
    const std::optional<DecodedSymbol> decoded = DecodeImage(back);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->bytes, Payload);
}

TEST_F(ExportTest, BmpIsATwentyFourBitWindowsBitmap) {
    ASSERT_TRUE(write(SavedPictures::ComposedPicture(), "plain.bmp", ".bmp").written);
    const QByteArray bytes = ReadAllBytes(path("plain.bmp"));
    EXPECT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(BmpBitsPerPixel(bytes), 24);
}

TEST_F(ExportTest, TransparencyIsKeptInPngAndTurnsWhiteElsewhere) {
    QImage picture(240, 240, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(0, 0, 120, 240, Qt::black);
    ASSERT_TRUE(write(picture, "clear.png", ".png").written);
    ASSERT_TRUE(write(picture, "clear.bmp", ".bmp").written);
    EXPECT_EQ(qAlpha(QImage(path("clear.png")).pixel(200, 100)), 0);
    EXPECT_EQ(QImage(path("clear.bmp")).pixel(200, 100), qRgb(255, 255, 255));
    EXPECT_EQ(QImage(path("clear.bmp")).pixel(20, 100), qRgb(0, 0, 0));
}

// ---- Failures -----------------------------------------------------------------------------

class FailureTest : public ExportTest {
  protected:
    // A file that must outlive every failed save over it.
    QString existingFile(const QString& name) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(OldBytes);
        return file.fileName();
    }
    static void expectFailure(const SaveOutcome& outcome, int number) {
        EXPECT_FALSE(outcome.written);
        EXPECT_EQ(outcome.errorNumber, number);
        EXPECT_NE(outcome.errorNumber, 0);
        EXPECT_FALSE(outcome.description.isEmpty());
    }
    // Only the files the test made itself: no temporary leftovers of a failed save.
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    const QByteArray OldBytes = QByteArray("the picture that was here before");
};

TEST_F(FailureTest, ExtensionsOutsideTheFiveAreRefusedAndNothingIsWritten) {
    for (const char* extension : {".jpeg", ".PNG", ".Jpg", ".tiff", "", "jpg", ".webp"}) {
        SCOPED_TRACE(extension);
        const QString file = existingFile("target");
        expectFailure(write(SavedPictures::ComposedPicture(), "target", extension), UnknownFormat);
        EXPECT_EQ(ReadAllBytes(file), OldBytes);
        expectFailure(write(SavedPictures::ComposedPicture(), "fresh", extension), UnknownFormat);
        EXPECT_FALSE(QFile::exists(path("fresh")));
    }
}

TEST_F(FailureTest, NullPictureIsRefusedAndTheExistingFileKept) {
    const QString file = existingFile("kept.png");
    expectFailure(write(QImage(), "kept.png", ".png"), NoPicture);
    EXPECT_EQ(ReadAllBytes(file), OldBytes);
}

// The common causes are told in Chinese, with the name shown once (not "文件 文件 …").
TEST_F(FailureTest, CommonCausesAreToldInChineseWithTheName) {
    existingFile("regularfile");
    const struct {
        QString name;
        QString reason;
    } cases[] = {
        {"regularfile/out.png", QStringLiteral("路径中有一部分不是文件夹")},
        {"no-such-folder/out.png", QStringLiteral("文件夹不存在")},
        {QString(300, QLatin1Char('n')) + ".png", QStringLiteral("文件名太长")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.left(40).toStdString());
        const SaveOutcome outcome = write(SavedPictures::ComposedPicture(), c.name, ".png");
        expectFailure(outcome, CannotCreateFile);
        EXPECT_EQ(outcome.description,
                  QStringLiteral("无法创建文件 \"%1\": %2").arg(path(c.name), c.reason));
    }
    EXPECT_EQ(ReadAllBytes(path("regularfile")), OldBytes);
    EXPECT_EQ(entries(), QStringList{"regularfile"});
    // Causes a test run as root cannot bring about.
    using FileAccess::ErrorKind;
    const auto reason = [](ErrorKind kind, int number) {
        FileAccess::Error error;
        error.kind = kind;
        error.number = number;
        return FilePlacement::ChineseReason(error);
    };
    EXPECT_EQ(reason(ErrorKind::AccessDenied, EROFS), QStringLiteral("文件系统是只读的"));
    EXPECT_EQ(reason(ErrorKind::AccessDenied, EACCES), QStringLiteral("没有在这里写入的权限"));
    EXPECT_EQ(reason(ErrorKind::NoSpace, ENOSPC), QStringLiteral("磁盘已满"));
}

TEST_F(FailureTest, CodecRefusalKeepsTheExistingFile) {
    // Both formats store sides in 16 bits; a wider picture cannot be encoded.
    QImage tooWide(70000, 1, QImage::Format_RGB32);
    tooWide.fill(Qt::white);
    for (const char* name : {"wide.jpg", "wide.gif"}) {
        SCOPED_TRACE(name);
        const QString file = existingFile(name);
        const SaveOutcome outcome = write(tooWide, name, QString::fromLatin1(name).right(4));
        expectFailure(outcome, EncodeFailed);
        EXPECT_EQ(ReadAllBytes(file), OldBytes);
    }
    EXPECT_EQ(entries(), (QStringList{"wide.gif", "wide.jpg"}));
}

// A file size limit makes writes fail part-way, like a full disk, even for root.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

TEST_F(FailureTest, WriteFailingPartWayKeepsTheExistingFileAndLeavesNoTemporary) {
    const QString file = existingFile("full.png");
    const QImage picture = withLogo(gradientLogo()); // encodes to well over the limit
    SaveOutcome outcome;
    {
        FileSizeLimit limit(512);
        outcome = write(picture, "full.png", ".png");
    }
    EXPECT_FALSE(outcome.written);
    EXPECT_TRUE(outcome.errorNumber == WriteFailed || outcome.errorNumber == CommitFailed)
        << outcome.errorNumber;
    EXPECT_FALSE(outcome.description.isEmpty());
    EXPECT_EQ(ReadAllBytes(file), OldBytes);
    EXPECT_EQ(entries(), QStringList{"full.png"});
    // The same save succeeds once the disk has room again.
    EXPECT_TRUE(write(picture, "full.png", ".png").written);
}

} // namespace
