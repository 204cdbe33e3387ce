// Files written by the command line: the user's permissions, names as bytes, and every write
// checked, down to the last line of a batch.
#include "tests/cli/ByteTool.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/OrdinaryUser.h"

#include "files/FileAccess.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

std::string Folder() {
    const std::string folder = QFile::encodeName(TemporaryFolder()).toStdString();
    ::chmod(folder.c_str(), 0755); // reachable by the ordinary user
    return folder;
}

// A folder and a write-protected file in it, both the ordinary user's own.
std::string FolderWithLockedFile(const std::string& name) {
    const std::string folder = Folder() + "/own";
    ::mkdir(folder.c_str(), 0755);
    const std::string file = folder + '/' + name;
    EXPECT_FALSE(FileAccess::ReplaceFile(file, "precious").failed());
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(OrdinaryUser::Give(folder.c_str()) && OrdinaryUser::Give(file.c_str()));
    return folder;
}

std::string Contents(const std::string& path) {
    return FileAccess::ReadFile(path, 1 << 24).bytes;
}

// What zxing-cpp reads from a picture whose name may not be UTF-8.
std::optional<std::string> Symbol(const std::string& path) {
    const std::string copy = Folder() + "/copy.png";
    if (FileAccess::ReplaceFile(copy, Contents(path)).failed()) return std::nullopt;
    return ReadBack(QFile::decodeName(copy.c_str()));
}

bool Mentions(const ByteRun& run, const std::string& text) {
    return run.err.find(text) != std::string::npos;
}

std::size_t Lines(const std::string& text, const std::string& containing) {
    std::size_t count = 0;
    for (std::size_t at = text.find(containing); at != std::string::npos;
         at = text.find(containing, at + 1))
        ++count;
    return count;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Csv(int rows) {
    std::string csv = "file,text\n";
    for (int row = 1; row <= rows; ++row)
        csv += "r" + std::to_string(row) + ",row " + std::to_string(row) + " of the batch\n";
    return csv;
}

} // namespace

TEST(FilesWritten, AWriteProtectedFileIsNotReplacedByTheOutputOption) {
    const std::string folder = FolderWithLockedFile("locked.png");
    ByteSetup user;
    user.ordinaryUser = true;
    const ByteRun run = RunBytes({"-o", folder + "/locked.png", "hello"}, user);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_TRUE(Mentions(run, "write-protected")) << run.err;
    EXPECT_EQ(Contents(folder + "/locked.png"), "precious");
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"locked.png"});
}

// A single -o file is renamed into place whole but never synced, whichever program writes it and
// in whatever format, as other command-line tools write; batches and the window sync.
TEST(FilesWritten, ASingleFileIsNotSyncedWhateverWritesIt) {
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        GTEST_SKIP() << "strace is not installed";
    const QString folder = TemporaryFolder();
    for (const QStringList& arguments : {QStringList{"-o", "a.png", "x"},
                                         {"-o", "b.jpg", "x"},
                                         {"-o", "c.svg", "x"},
                                         {"-o", "d.pdf", "x"},
                                         {"--compose", "-o", "e.png", "x"}}) {
        QProcess strace;
        strace.setWorkingDirectory(folder);
        // LeakSanitizer cannot run under a tracer; in a sanitizer build it would fail every run.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        strace.setProcessEnvironment(environment);
        strace.start(QStringLiteral("strace"),
                     QStringList{"-f", "-qq", "-e", "trace=fsync,fdatasync,syncfs,sync", "-o",
                                 folder + "/calls", QStringLiteral(QUORLIK_QR_BINARY)} +
                         arguments);
        ASSERT_TRUE(strace.waitForFinished(60000));
        EXPECT_EQ(strace.exitCode(), 0) << arguments.join(' ').toStdString();
        QFile calls(folder + "/calls");
        ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
        EXPECT_EQ(calls.readAll(), "") << arguments.join(' ').toStdString();
    }
}

TEST(FilesWritten, AWriteProtectedFileFailsItsBatchRowAlone) {
    const std::string folder = FolderWithLockedFile("locked.png");
    const std::string csv = Folder() + "/rows.csv";
    ASSERT_FALSE(FileAccess::ReplaceFile(csv, "file,text\nlocked,one\nfree,two\n").failed());
    ByteSetup user;
    user.ordinaryUser = true;
    const ByteRun run = RunBytes({"--batch", csv, "--out-dir", folder}, user);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(Mentions(run, "row 1 (line 2): cannot write \"locked.png\": the file is "
                              "write-protected"))
        << run.err;
    EXPECT_EQ(Contents(folder + "/locked.png"), "precious");
    EXPECT_EQ(Symbol(folder + "/free.png"), "two");
}

TEST(FilesWritten, NamesThatAreNotUtf8AreTwoFiles) {
    const std::string folder = Folder();
    EXPECT_EQ(RunBytes({"-o", folder + "/a\xe9.png", "-s", "4", "one"}).status, 0);
    EXPECT_EQ(RunBytes({"-o", folder + "/a\xe8.png", "-s", "4", "two"}).status, 0);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"a\xe8.png", "a\xe9.png"}));
    EXPECT_EQ(Symbol(folder + "/a\xe9.png"), "one");
    EXPECT_EQ(Symbol(folder + "/a\xe8.png"), "two");
}

TEST(FilesWritten, BatchLogoAndFolderNamesThatAreNotUtf8AreFound) {
    const std::string folder = Folder();
    const std::string out = folder + "/out\xe9", csv = folder + "/rows\xe9.csv";
    const std::string logo = folder + "/logo\xe9.png";
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    ASSERT_FALSE(FileAccess::ReplaceFile(csv, "file,text\nr1,one\n").failed());
    ASSERT_EQ(RunBytes({"-o", logo, "--scale", "2", "logo"}).status, 0);
    const ByteRun batch = RunBytes({"--batch", csv, "--out-dir", out, "--compose", "--logo", logo});
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(Symbol(out + "/r1.png"), "one");
    const ByteRun single = RunBytes({"--compose", "--logo", logo, "-o", out + "/s.png", "single"});
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(Symbol(out + "/s.png"), "single");
    // Told as bytes, never as a character they are not.
    const ByteRun missing = RunBytes({"--batch", folder + "/none\xe9.csv", "--out-dir", out});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(Mentions(missing, "none\\xE9.csv")) << missing.err;
}

TEST(FilesWritten, DecodingIntoAClosedStandardOutputFails) {
    // Eight bytes: what an eventfd, the first descriptor Qt opens, accepts in one write.
    const std::string picture = Folder() + "/eight.png";
    ASSERT_EQ(RunBytes({"-o", picture, "-s", "4", "8 bytes!"}).status, 0);
    ByteSetup closed;
    closed.output = StandardOutput::Closed;
    const ByteRun run = RunBytes({"--decode", picture}, closed);
    EXPECT_NE(run.status, 0) << run.err;
    EXPECT_TRUE(Mentions(run, "standard output")) << run.err;
}

TEST(FilesWritten, ABatchWhoseSummaryCannotBeWrittenFails) {
    const std::string folder = Folder();
    const std::string csv = folder + "/rows.csv";
    ASSERT_FALSE(FileAccess::ReplaceFile(csv, Csv(3)).failed());
    ByteSetup full;
    full.output = StandardOutput::Full;
    const ByteRun run = RunBytes({"--batch", csv, "--out-dir", folder}, full);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_TRUE(Mentions(run, "cannot write standard output: No space left on device")) << run.err;
    EXPECT_EQ(Symbol(folder + "/r3.png"), "row 3 of the batch");
}

// A disk of a few hundred kilobytes, mounted for the test; only root may mount one.
class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        disk_ = Folder() + "/disk";
        ::mkdir(disk_.c_str(), 0755);
        mounted_ = ::mount("tmpfs", disk_.c_str(), "tmpfs", 0, "size=256k") == 0;
        if (!mounted_) GTEST_SKIP() << "a small disk cannot be mounted here (needs root)";
    }
    void TearDown() override {
        if (mounted_) ::umount(disk_.c_str());
    }
    std::string disk_;
    bool mounted_ = false;
};

TEST_F(FullDisk, IsToldOnceAndTheBatchStops) {
    const std::string csv = Folder() + "/rows.csv";
    ASSERT_FALSE(FileAccess::ReplaceFile(csv, Csv(2000)).failed());
    const ByteRun run = RunBytes(
        {"--batch", csv, "--out-dir", disk_, "--scale", "12", "--format", "bmp", "--jobs", "2"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(Lines(run.err, "No space left on device"), 1u) << run.err.substr(0, 2000);
    EXPECT_NE(run.out.find("(the disk is full)"), std::string::npos) << run.out;
    for (const std::string& name : Entries(disk_))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}
