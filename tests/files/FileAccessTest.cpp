// Reading files and streams, and the words used for what failed.
#include "files/FileAccess.h"
#include "files/Escape.h"

#include "tests/files/Scratch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using FileAccess::ErrorKind;

namespace {

constexpr std::size_t Limit = 1 << 20;

} // namespace

TEST(FileReading, ARegularFileIsReadWhole) {
    Scratch scratch;
    const std::string content("one\0two\xff", 8);
    Scratch::Write(scratch / "f", content);
    const FileAccess::ReadResult read = FileAccess::ReadFile(scratch / "f", Limit);
    ASSERT_TRUE(read.ok()) << FileAccess::Describe(read.error);
    EXPECT_EQ(read.bytes, content);
}

TEST(FileReading, NamesThatAreNotUtf8AreDistinctFiles) {
    Scratch scratch;
    Scratch::Write(scratch / "a\xe9.png", "e-acute");
    Scratch::Write(scratch / "a\xe8.png", "e-grave");
    EXPECT_EQ(FileAccess::ReadFile(scratch / "a\xe9.png", Limit).bytes, "e-acute");
    EXPECT_EQ(FileAccess::ReadFile(scratch / "a\xe8.png", Limit).bytes, "e-grave");
    EXPECT_EQ(FileAccess::ReadFile(scratch / "a\xef\xbf\xbd.png", Limit).error.kind,
              ErrorKind::NotFound);
}

TEST(FileReading, AFileLargerThanTheLimitIsRefusedUnread) {
    Scratch scratch;
    Scratch::Write(scratch / "big", std::string(1001, 'x'));
    const FileAccess::ReadResult read = FileAccess::ReadFile(scratch / "big", 1000);
    EXPECT_EQ(read.error.kind, ErrorKind::TooLarge);
    EXPECT_EQ(read.error.limit, 1000u);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_TRUE(FileAccess::ReadFile(scratch / "big", 1001).ok());
}

TEST(FileReading, SpecialFilesAreRefusedWithoutBlocking) {
    Scratch scratch;
    // No writer ever opens the FIFO: a blocking open would never return.
    ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(FileAccess::ReadFile(scratch / "fifo", Limit).error.kind, ErrorKind::WrongKind);
    EXPECT_EQ(FileAccess::ReadFile(scratch.root(), Limit).error.kind, ErrorKind::WrongKind);
    EXPECT_EQ(FileAccess::ReadFile("/dev/zero", Limit).error.kind, ErrorKind::WrongKind);
    EXPECT_EQ(FileAccess::ReadFile(scratch / "missing", Limit).error.kind, ErrorKind::NotFound);
    EXPECT_EQ(FileAccess::ReadFile("", Limit).error.kind, ErrorKind::BadName);
}

TEST(FileReading, InputKindsAreChosenByTheCaller) {
    Scratch scratch;
    ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
    using namespace FileAccess;
    EXPECT_TRUE(OpenInput("/dev/null", RegularFile | Pipe | CharacterDevice).ok());
    const Opened device = OpenInput("/dev/null", RegularFile | Pipe);
    EXPECT_EQ(device.error.kind, ErrorKind::WrongKind);
    EXPECT_EQ(Describe(device.error), "cannot read \"/dev/null\": not a regular file or a pipe");
    EXPECT_EQ(OpenInput(scratch.root(), RegularFile | Pipe).error.kind, ErrorKind::WrongKind);
    // A FIFO with a writer is a stream like any pipe.
    const pid_t writer = ::fork();
    if (writer == 0) {
        const int fd = ::open((scratch / "fifo").c_str(), O_WRONLY);
        ::_exit(fd >= 0 && ::write(fd, "piped", 5) == 5 ? 0 : 1);
    }
    Opened fifo = OpenInput(scratch / "fifo", RegularFile | Pipe);
    ASSERT_TRUE(fifo.ok()) << Describe(fifo.error);
    EXPECT_EQ(ReadStream(fifo.descriptor.get(), 100).bytes, "piped");
    int status = 0;
    ::waitpid(writer, &status, 0);
}

TEST(FileReading, LinksAreFollowedUnlessRefused) {
    Scratch scratch;
    Scratch::Write(scratch / "real", "content");
    ASSERT_EQ(::symlink("real", (scratch / "link").c_str()), 0);
    EXPECT_EQ(FileAccess::ReadFile(scratch / "link", Limit).bytes, "content");
    const FileAccess::ReadResult refused =
        FileAccess::ReadFile(scratch / "link", Limit, AT_FDCWD, FileAccess::Links::Refuse);
    EXPECT_EQ(refused.error.kind, ErrorKind::SymbolicLink);
    // Inside an open folder, by name.
    FileAccess::Descriptor folder(::open(scratch.root().c_str(), O_RDONLY | O_DIRECTORY));
    EXPECT_EQ(FileAccess::ReadFile("real", Limit, folder.get(), FileAccess::Links::Refuse).bytes,
              "content");
    EXPECT_EQ(
        FileAccess::ReadFile("link", Limit, folder.get(), FileAccess::Links::Refuse).error.kind,
        ErrorKind::SymbolicLink);
}

TEST(StreamReading, StopsOneBytePastTheLimit) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    // An endless writer: the reader must stop on its own.
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(pipeEnds[0]);
        const std::string block(4096, 'y');
        while (::write(pipeEnds[1], block.data(), block.size()) > 0) {
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    const FileAccess::ReadResult read = FileAccess::ReadStream(pipeEnds[0], 100000, "stdin");
    EXPECT_EQ(read.error.kind, ErrorKind::TooLarge);
    EXPECT_EQ(FileAccess::Describe(read.error), "cannot read stdin: longer than 100000 bytes");
    ::close(pipeEnds[0]);
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
}

TEST(StreamReading, AStreamOfExactlyTheLimitIsWhole) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], "12345", 5), 5);
    ::close(pipeEnds[1]);
    const FileAccess::ReadResult read = FileAccess::ReadStream(pipeEnds[0], 5);
    ::close(pipeEnds[0]);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.bytes, "12345");
}

// One spelling per byte, whether a name is quoted in a message or text reaches a terminal.
TEST(Escape, ShowsNoRawControlOrBrokenUtf8AndOneSpellingPerByte) {
    using Escape::Shown;
    const Escape::Style name{.quoted = true}, lines{.keepLines = true};
    const std::pair<std::string, std::string> quoted[] = {
        {"a\xe9.png", "\"a\\xE9.png\""},
        {"\x1b]0;title\x07", "\"\\x1B]0;title\\a\""},
        {"二维码.png", "\"二维码.png\""},
        {"\xc2\x9b"
         "2J",
         "\"\\xC2\\x9B2J\""},                    // C1 CSI
        {"\xed\xa0\x80", "\"\\xED\\xA0\\x80\""}, // a surrogate
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"\xe4\xb8", "\"\\xE4\\xB8\""}, // cut short
        {"a\tb\n", "\"a\\tb\\n\""},
    };
    for (const auto& [bytes, shown] : quoted) EXPECT_EQ(Shown(bytes, name), shown);
    EXPECT_EQ(FileAccess::QuotedName("\x1b"), Shown("\x1b", name));
    const std::pair<std::string, std::string> text[] = {
        {"\x1b[2J\x07", "\\x1B[2J\\a"},
        {"a\tb\nc\r\nd\re \"q\" \\", "a\tb\nc\r\nd\\re \"q\" \\"},
        {std::string("\0\x7f", 2), "\\0\\x7F"},
        {"\xc2\x9b"
         "1m \xc2\x85",
         "\\xC2\\x9B1m \\xC2\\x85"}, // C1 controls
        {"\x9b"
         "1m",
         "\\x9B1m"}, // not UTF-8
        {"\xe4\xba\x8c \xc2\xa0\xf0\x9f\x98\x80", "\xe4\xba\x8c \xc2\xa0\xf0\x9f\x98\x80"},
        {"\xc0\xaf", "\\xC0\\xAF"}, // overlong
    };
    for (const auto& [bytes, shown] : text) EXPECT_EQ(Shown(bytes, lines), shown);
    EXPECT_EQ(Shown("a\nb"), "a\\nb"); // one line
}

TEST(Descriptions, SayWhatWasDoneToWhichFileAndWhy) {
    FileAccess::Error error;
    error.kind = ErrorKind::WriteProtected;
    error.step = FileAccess::Step::Write;
    error.path = "x.png";
    EXPECT_EQ(FileAccess::Describe(error), "cannot write \"x.png\": the file is write-protected");
    error.kind = ErrorKind::NoSpace;
    error.number = ENOSPC;
    error.path.clear();
    error.stream = "standard output";
    EXPECT_EQ(FileAccess::Describe(error), "cannot write standard output: No space left on device");
}

TEST(StandardDescriptors, AClosedStandardOutputIsNeverReusedAndWritesToItFail) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(STDOUT_FILENO);
        FileAccess::ReserveStandardDescriptors();
        const int later = ::open("/dev/null", O_WRONLY);
        const bool reused = later == STDOUT_FILENO;
        const bool writeFails = ::write(STDOUT_FILENO, "x", 1) < 0;
        ::_exit(!reused && writeFails ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Descriptors, CloseOnEveryWayOutAndMoveOwnership) {
    const int raw = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(raw, 0);
    {
        FileAccess::Descriptor first(raw);
        FileAccess::Descriptor second = std::move(first);
        EXPECT_FALSE(first.valid());
        EXPECT_EQ(second.get(), raw);
        FileAccess::Descriptor third(::open("/dev/null", O_RDONLY));
        const int thirdRaw = third.get();
        third = std::move(second); // closes what third held
        EXPECT_EQ(::fcntl(thirdRaw, F_GETFD), -1);
        EXPECT_EQ(third.get(), raw);
    }
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
    FileAccess::Descriptor handed(::open("/dev/null", O_RDONLY));
    const int kept = handed.release();
    EXPECT_FALSE(handed.valid());
    EXPECT_EQ(::close(kept), 0);
}
