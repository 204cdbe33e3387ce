// Batch rows that must fail alone or stop the run: blank lines without end, empty payloads,
// missing required fields, wide encodings, an output folder that is a file; and the words the
// command line uses for them.
#include "tests/cli/ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

using namespace std::chrono_literals;

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

// Blank lines are no rows, however many: the run reads on until a signal stops it.
TEST(BatchRows, EndlessBlankLinesRunUntilStopped) {
    const QString out = NewFolder(TemporaryFolder(), "out");
    const auto started = std::chrono::steady_clock::now();
    const ToolRun run =
        RunPipelineUntil("(echo file,text; yes '')", {"--batch", "/dev/stdin", "--out-dir", out},
                         [&] { return std::chrono::steady_clock::now() - started > 500ms; });
    EXPECT_EQ(run.status, 128 + SIGINT) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("rows written 0, rows failed 0, rows not made: the rest of the "
                                 "input (stopped by SIGINT)"))
        << run.out.toStdString();
    EXPECT_TRUE(Entries(out).isEmpty());
}

TEST(BatchRows, EmptyPayloadsAndMissingRequiredFieldsFailAloneLeavingNoFolders) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/rows.csv", "file,kind,text,ssid,password,phone\n"
                                                        "sub/a,text,,,,\n"
                                                        "wpa/b,wifi,,home,,\n"
                                                        "c,text,kept,,,\n"
                                                        "deep/er/d,sms,hello,,,\n"
                                                        "e,wifi,,cafe,secret,\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("row 1 (line 2): text: the field \"text\" is empty"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        "row 2 (line 3): wifi: a WPA network needs a password (or security nopass)"));
    EXPECT_TRUE(run.err.contains("row 4 (line 5): sms: the field \"phone\" is empty"));
    EXPECT_EQ(run.err.count('\n'), 3);
    EXPECT_EQ(Entries(out), QStringList({"c.png", "e.png"}));
    EXPECT_EQ(ReadBack(out + "/c.png"), "kept");
    EXPECT_EQ(ReadBack(out + "/e.png"), "WIFI:T:WPA;S:cafe;P:secret;;");
}

TEST(BatchRows, WideEncodingsAreRefusedByTheirName) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QByteArray utf32le("\xFF\xFE\0\0t\0\0\0e\0\0\0x\0\0\0t\0\0\0", 20);
    const QByteArray utf32be("\0\0\xFE\xFF\0\0\0t\0\0\0e\0\0\0x\0\0\0t", 20);
    const QByteArray utf16le("\xFF\xFEt\0e\0x\0t\0", 10);
    for (const auto& [bytes, name] : {std::pair{utf32le, "UTF-32"}, std::pair{utf32be, "UTF-32"},
                                      std::pair{utf16le, "UTF-16"}}) {
        const ToolRun run =
            RunTool({"--batch", WriteFile(folder + "/wide.csv", bytes), "--out-dir", out});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(QByteArray("the CSV is ") + name + " text"))
            << name << ": " << run.err.toStdString();
    }
    EXPECT_TRUE(Entries(out).isEmpty());
}

TEST(BatchRows, OutputFolderThatIsAFileIsNotAFolder) {
    const QString folder = TemporaryFolder();
    const QString file = WriteFile(folder + "/plain", "x");
    const QString csv = WriteFile(folder + "/rows.csv", "text\none\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", file});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("\"" + file.toUtf8() + "\" is not a folder"))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("no such folder"));
}

TEST(CommandLineWords, FailuresOfTheExportLayerAreToldInEnglish) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    WriteFile(out + "/f", "a file where a folder should be");
    NewFolder(out, "taken.png");
    const QString csv =
        WriteFile(folder + "/rows.csv", "file,text\nf/x,one\ntaken,two\nok,three\n");
    const ToolRun batch = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(batch.status, 1);
    EXPECT_TRUE(batch.err.contains("cannot write \"f/x.png\": a part of the name is not a folder"))
        << batch.err.toStdString();
    EXPECT_TRUE(batch.err.contains("cannot write \"taken.png\": not a regular file"))
        << batch.err.toStdString();
    EXPECT_TRUE(IsAscii(batch.err)) << batch.err.toStdString();

    const ToolRun single = RunTool({"-o", folder + "/missing/x.png", "hello"});
    EXPECT_EQ(single.status, 2);
    EXPECT_TRUE(single.err.contains("cannot write \"" + folder.toUtf8() + "/missing/x.png\": "))
        << single.err.toStdString();
    EXPECT_TRUE(IsAscii(single.err)) << single.err.toStdString();
}

namespace {

// Rows of 3,000 digits: a symbol of version 35, a picture of 6,600 pixels a side at scale 40.
QByteArray BigRow(const char* name) {
    return QByteArray(name) + ',' + QByteArray("1234567890").repeated(300) + '\n';
}

bool IsBmpFile(const QString& file) {
    QFile bmp(file);
    return bmp.open(QIODevice::ReadOnly) && bmp.read(2) == "BM" && bmp.size() > (100 << 20);
}

} // namespace

TEST(BatchMemory, JobsShareOneBudgetUnderAnAddressSpaceLimit) {
    if (BuiltWithAddressSanitizer()) GTEST_SKIP() << "no address-space limit under ASan";
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteFile(folder + "/big.csv", "file,text\n" + BigRow("a") + BigRow("b") +
                                                           BigRow("c") + BigRow("d"));
    ToolSetup limited;
    limited.addressSpaceLimit = 1L << 30;
    // Four such rows at once would need about 1.4 GB; one after the other they fit in 1 GB.
    const ToolRun run = RunToolWith(
        {"--batch", csv, "--out-dir", out, "--scale", "40", "--format", "bmp", "--jobs", "4"},
        limited);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    for (const char* name : {"a", "b", "c", "d"})
        EXPECT_TRUE(IsBmpFile(out + "/" + name + ".bmp")) << name;
}

TEST(BatchMemory, ARowLargerThanTheBudgetFailsAlone) {
    if (BuiltWithAddressSanitizer()) GTEST_SKIP() << "no address-space limit under ASan";
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv =
        WriteFile(folder + "/rows.csv", "file,text\nsmall,one\n" + BigRow("big") + "last,two\n");
    ToolSetup limited;
    limited.addressSpaceLimit = 1L << 30;
    const ToolRun run = RunToolWith(
        {"--batch", csv, "--out-dir", out, "--scale", "80", "--format", "bmp", "--jobs", "2"},
        limited);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("row 2 (line 3): the picture needs about "))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_EQ(Entries(out), QStringList({"last.bmp", "small.bmp"}));
}

TEST(BatchRows, AFailedWriteTakesBackTheFoldersItMade) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    NewFolder(out, "kept");
    const QString csv =
        WriteFile(folder + "/rows.csv", "file,text\nsub/deeper/a,one\nkept/new/b,two\n");
    ToolSetup tiny;
    tiny.fileSizeLimit = 16; // every picture is larger: its write fails
    const ToolRun run = RunToolWith({"--batch", csv, "--out-dir", out}, tiny);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("row 1 (line 2): cannot write \"sub/deeper/a.png\""))
        << run.err.toStdString();
    EXPECT_EQ(Entries(out), QStringList{"kept"});
    EXPECT_TRUE(Entries(out + "/kept").isEmpty());
}
