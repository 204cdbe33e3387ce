// Where the export writes, and what it must never replace or write through.
#include "raster/ImageExport.h"
#include "raster/plain/ColourContrast.h"
#include "raster/plain/FileFormats.h"
#include "raster/保存为PNGJPG.h"

#include "encoder/clsQRCode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/support/SavedPictures.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using SavedPictures::IsFifo;
using SavedPictures::Payload;

QRSymbol SymbolOf(const std::string& payload) {
    clsQRCode encoder;
    return *encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                   int(payload.size()), 0, 3, 0);
}

class ExportTargetTest : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QStringList entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    }
    QTemporaryDir dir_;
};

} // namespace

TEST_F(ExportTargetTest, SpecialFilesAtTheTargetAreRefusedAndSurvive) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("f.png")).constData(), 0600), 0);
    const ExportOutcome::SaveOutcome outcome = 保存为PNGJPG::WritePictureFile(
        SavedPictures::WhitePicture(), path("f.png"), ".png", 90, 24, 6);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.errorNumber, ExportOutcome::CannotCreateFile);
    EXPECT_TRUE(IsFifo(path("f.png")));
    // A character device like /dev/full; making one needs root, so elsewhere the FIFO stands in.
    if (::mknod(QFile::encodeName(path("d.png")).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0) {
        EXPECT_FALSE(保存为PNGJPG::WritePictureFile(SavedPictures::WhitePicture(), path("d.png"),
                                                    ".png", 90, 24, 6)
                         .written);
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(path("d.png")).constData(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    // Nothing half-made is left beside them.
    for (const QString& name : entries())
        EXPECT_TRUE(name == "f.png" || name == "d.png") << name.toStdString();
}

TEST_F(ExportTargetTest, InsideAFolderNoSymbolicLinkIsFollowed) {
    QTemporaryDir outside;
    ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
    ASSERT_TRUE(QFile::link(outside.filePath("v.png"), path("out/a.png")));
    ASSERT_TRUE(QFile::link(outside.path(), path("out/sub")));
    const int folder = ::open(QFile::encodeName(path("out")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    const QRSymbol symbol = SymbolOf("hello");
    ImageExport::Source source;
    source.symbol = &symbol;
    for (const char* name : {"a.png", "sub/b.png"}) {
        FilePlacement::Target target;
        target.path = name;
        target.directory = folder;
        EXPECT_FALSE(ImageExport::Write(source, FileFormats::Format::Png, target).written) << name;
    }
    FilePlacement::Target nested;
    nested.path = "made/c.png";
    nested.directory = folder;
    EXPECT_TRUE(ImageExport::Write(source, FileFormats::Format::Png, nested).written);
    ::close(folder);
    EXPECT_TRUE(QDir(outside.path()).isEmpty()) << "wrote outside the folder";
    EXPECT_TRUE(QFileInfo(path("out/a.png")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(path("out/made/c.png")));
}

TEST(ExportFormats, NamesAndExtensionsFromTheOneTable) {
    using FileFormats::Format;
    EXPECT_EQ(FileFormats::OfFileName("a/b.PNG"), Format::Png);
    EXPECT_EQ(FileFormats::OfFileName("x.jpeg"), Format::Jpeg);
    EXPECT_EQ(FileFormats::OfFileName("x.tiff"), Format::Tiff);
    EXPECT_EQ(FileFormats::OfFileName("x.eps"), Format::Eps);
    EXPECT_FALSE(FileFormats::OfFileName("x.webp"));
    EXPECT_FALSE(FileFormats::OfFileName("dir.png/x"));
    EXPECT_FALSE(FileFormats::OfFileName(".png"));
    EXPECT_EQ(FileFormats::RowOf(Format::Jpeg).name, "jpg");
    EXPECT_EQ(FileFormats::NameList(), "png, jpg, gif, tif, bmp, svg, eps or pdf");
}

TEST(ColourContrast, PairsReadersCannotResolveAreRefusedAndInversionIsTold) {
    const struct {
        const char *dark, *light;
        bool readable, inverted;
    } pairs[] = {{"000000", "ffffff", true, false},   {"ffffff", "000000", true, true},
                 {"1a237e", "ffffff00", true, false}, {"000000", "00000000", true, false},
                 {"777777", "888888", false, false},  {"c0c0c0", "ffffff", false, false},
                 {"767676", "ffffff", true, false},   {"777777", "ffffff", false, false},
                 {"ff0000", "ffffff", false, false}}; // 4.54, 4.48 and 4.0 against 4.5
    for (const auto& pair : pairs) {
        SCOPED_TRACE(std::string(pair.dark) + " on " + pair.light);
        const Colour dark = *Colour::Parse(pair.dark), light = *Colour::Parse(pair.light);
        EXPECT_EQ(!ContrastProblem(dark, light).has_value(), pair.readable);
        EXPECT_EQ(Inverted(dark, light), pair.inverted);
    }
    EXPECT_EQ(ContrastProblem(*Colour::Parse("777777"), *Colour::Parse("888888")),
              "the colours 777777 and 888888 have a contrast ratio of 1.2, below the 4.5 that "
              "readers need");
}
