// --batch used carelessly or with hostile input: links and special files in and around the
// output folder, endless and oversize input, other encodings, bad logos, names with NULs.
#include "raster/ImageExport.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

bool Mentions(const ToolRun& run, const char* text) {
    return run.err.contains(text);
}

TEST(BatchSymlinks, LinksInTheOutputFolderAreNeverFollowed) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString outside = NewFolder(folder, "x");
    WriteFile(outside + "/v.png", "precious");
    ASSERT_TRUE(QFile::link("../x/v.png", out + "/a.png"));
    ASSERT_TRUE(QFile::link("../x", out + "/sub"));
    const QString csv = WriteFile(folder + "/rows.csv", "file,text\na,one\nsub/b,two\nc,three\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Mentions(run, "row 1 (line 2)")) << run.err.toStdString();
    EXPECT_TRUE(Mentions(run, "row 2 (line 3)"));
    EXPECT_EQ(run.err.count('\n'), 2);
    EXPECT_EQ(Entries(outside), QStringList{"v.png"});
    QFile precious(outside + "/v.png");
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "precious");
    EXPECT_TRUE(QFileInfo(out + "/a.png").isSymLink());
    EXPECT_EQ(ReadBack(out + "/c.png"), "three");
}

TEST(BatchSpecialTargets, DevicesFifosAndReadOnlyFolders) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    ASSERT_EQ(::mkfifo(QFile::encodeName(out + "/f.png").constData(), 0600), 0);
    const QString csv = WriteFile(folder + "/rows.csv", "file,text\nf,one\ng,two\n");
    const ToolRun fifo = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_TRUE(Mentions(fifo, "row 1 (line 2)")) << fifo.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(out + "/f.png").constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(ReadBack(out + "/g.png"), "two");

    const QString fresh = NewFolder(folder, "fresh");
    const ToolRun device = RunTool({"--batch", "/dev/zero", "--out-dir", fresh});
    EXPECT_EQ(device.status, 2);
    EXPECT_TRUE(Mentions(device, "not a regular file or a pipe")) << device.err.toStdString();

    // A folder where nothing can be created: one message, no row tried. Root may write in a
    // read-only mode folder, but not in /proc.
    const QString readOnly = NewFolder(folder, "read-only");
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    for (const QString& target : {readOnly, QStringLiteral("/proc")}) {
        if (target == readOnly && ::geteuid() == 0) continue;
        const ToolRun run = RunTool({"--batch", csv, "--out-dir", target});
        EXPECT_EQ(run.status, 2) << target.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(Mentions(run, "cannot write in the folder")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
}

// An endless line is refused at once; endless rows are made as they come until a signal stops
// the run, which then tells its summary and writes the manifest of what it made.
TEST(BatchEndlessInput, EndlessLinesStopAtOnceAndEndlessRowsRunUntilStopped) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const ToolRun line =
        RunPipeline("yes | tr -d '\\n'", {"--batch", "/dev/stdin", "--out-dir", out});
    EXPECT_EQ(line.status, 2);
    EXPECT_TRUE(Mentions(line, "line 1: a field longer than 8192 bytes")) << line.err.toStdString();
    EXPECT_TRUE(Entries(out).isEmpty());

    const QString manifest = folder + "/manifest.csv";
    const ToolRun rows = RunPipelineUntil(
        "(echo text; yes)",
        {"--batch", "/dev/stdin", "--out-dir", out, "--format", "svg", "--manifest", manifest},
        [&] { return Entries(out).size() >= 200; });
    EXPECT_EQ(rows.status, 128 + SIGINT) << rows.err.toStdString();
    const QByteArray summary = rows.out;
    EXPECT_TRUE(
        summary.contains("rows failed 0, rows not made: the rest of the input (stopped by SIGINT)"))
        << summary.toStdString();
    const qsizetype written = Entries(out).size();
    // A pipe gone quiet (tail -f) does not hold the stop back until its next line.
    const QString quiet = NewFolder(folder, "quiet");
    const ToolRun waiting = RunPipelineUntil("(echo text; echo one; sleep 100)",
                                             {"--batch", "/dev/stdin", "--out-dir", quiet},
                                             [&] { return Entries(quiet).size() == 1; });
    EXPECT_EQ(waiting.status, 128 + SIGINT) << waiting.err.toStdString();
    EXPECT_TRUE(waiting.out.contains("rows written 1, rows failed 0, rows not made: the rest"))
        << waiting.out.toStdString();
    QFile made(manifest);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    EXPECT_EQ(made.readAll().count('\n'), written + 1); // a line a file and the header
    EXPECT_TRUE(summary.contains("rows written " + QByteArray::number(written) + ","))
        << summary.toStdString();
}

TEST(BatchOversizeInput, LongFieldsAndHugePicturesAreRefusedWithTheirPlace) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/long.csv", "file,text\nok,x\n\"long\",\"" +
                                                            QByteArray(1 << 20, 'a') + "\"\n");
    const ToolRun longField = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(longField.status, 2);
    EXPECT_TRUE(Mentions(longField, "line 3: a field longer than 8192 bytes"))
        << longField.err.toStdString();
    EXPECT_TRUE(Entries(out).isEmpty()); // a file is read through before any row is made
    // 3,900 digits need version 40: 185 modules at 100 pixels is past the 16,384-pixel limit.
    const QString huge =
        WriteFile(folder + "/huge.csv", "file,text\nsmall,1\nhuge," + QByteArray(3900, '7') + "\n");
    const ToolRun picture = RunTool({"--batch", huge, "--out-dir", out, "--scale", "100"});
    EXPECT_EQ(picture.status, 1);
    EXPECT_TRUE(Mentions(picture, "row 2 (line 3)")) << picture.err.toStdString();
    EXPECT_TRUE(Mentions(picture, "16384"));
    EXPECT_EQ(Entries(out), QStringList{"small.png"});
}

TEST(BatchEncodings, InvalidUtf8FailsTheRowAndGb18030IsRead) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString bad = WriteFile(folder + "/bad.csv", "file,text\ngood,ok\nbroken,caf\xE9\n");
    const ToolRun invalid = RunTool({"--batch", bad, "--out-dir", out});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_TRUE(Mentions(invalid, "row 2 (line 3): invalid UTF-8 at byte 28 of the file"))
        << invalid.err.toStdString();
    EXPECT_EQ(Entries(out), QStringList{"good.png"});
    // A sheet saved by a Chinese spreadsheet: 文件,二维码 in GBK.
    const QString gbk =
        WriteFile(folder + "/gbk.csv", "file,text\n\xCE\xC4\xBC\xFE,\xB6\xFE\xCE\xAC\xC2\xEB\n");
    const ToolRun legacy = RunTool({"--batch", gbk, "--out-dir", out, "--encoding", "GB18030"});
    EXPECT_EQ(legacy.status, 0) << legacy.err.toStdString();
    EXPECT_EQ(ReadBack(out + "/文件.png"), "二维码");
    const ToolRun wrong = RunTool({"--batch", gbk, "--out-dir", out});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(Mentions(wrong, "invalid UTF-8 at byte 10 of the file")) << wrong.err.toStdString();
    const ToolRun unknown = RunTool({"--batch", gbk, "--out-dir", out, "--encoding", "klingon"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.count('\n'), 1);
}

TEST(BatchEncodings, Utf16AndMisspeltHeadersStopBeforeAnyRow) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString withMark =
        WriteFile(folder + "/marked.csv", QByteArray("\xFF\xFEt\0e\0x\0t\0\n\0h\0i\0\n\0", 18));
    const QString withoutMark =
        WriteFile(folder + "/unmarked.csv", QByteArray("t\0e\0x\0t\0\n\0h\0i\0\n\0", 16));
    const QString misspelt = WriteFile(folder + "/txet.csv", "file,txet\na,hello\n");
    for (const QString& csv : {withMark, withoutMark, misspelt}) {
        const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
        EXPECT_EQ(run.status, 2) << csv.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains('\0'));
    }
    const QString noMailColumns =
        WriteFile(folder + "/kinds.csv", "file,kind,text\nt,text,hi\nm,mail,\n");
    const ToolRun kinds = RunTool({"--batch", noMailColumns, "--out-dir", out});
    EXPECT_EQ(kinds.status, 1);
    EXPECT_TRUE(Mentions(kinds, "row 2 (line 3): the header has none of the columns of kind"))
        << kinds.err.toStdString();
    EXPECT_EQ(Entries(out), QStringList{"t.png"});
}

TEST(BatchNames, NamesAreShownEscapedWholeAfterANul) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/rows.csv", QByteArray("file,text\na\0b\"c,x\n", 19));
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Mentions(run, "file name \"a\\0b\\\"c\" contains a control character"))
        << run.err.toStdString();
}

TEST(BatchLogo, CutOffPicturesAreRefusedAsTheWindowRefusesThem) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/rows.csv", "text\nhello\n");
    QImage logo(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) logo.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    for (const char* format : {"jpg", "gif", "bmp"}) {
        ImageExport::Source source;
        source.picture = logo;
        const QByteArray bytes = ImageExport::Encode(source, *FileFormats::Named(format)).bytes;
        ASSERT_FALSE(bytes.isEmpty()) << format;
        const QString whole = WriteFile(folder + "/logo." + format, bytes);
        const QString half = WriteFile(folder + "/half." + format, bytes.left(bytes.size() / 2));
        const ToolRun cut =
            RunTool({"--batch", csv, "--out-dir", out, "--compose", "--logo", half});
        EXPECT_EQ(cut.status, 2) << format;
        EXPECT_TRUE(Mentions(cut, "cannot read the logo")) << cut.err.toStdString();
        const ToolRun fine =
            RunTool({"--batch", csv, "--out-dir", out, "--compose", "--logo", whole});
        EXPECT_EQ(fine.status, 0) << format << fine.err.toStdString();
    }
    const ToolRun device =
        RunTool({"--batch", csv, "--out-dir", out, "--compose", "--logo", "/dev/zero"});
    EXPECT_EQ(device.status, 2);
}

} // namespace
