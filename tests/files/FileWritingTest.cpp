// Replacing files whole, writing streams, and the temporary files a stop must not leave behind.
#include "files/FileAccess.h"
#include "files/TemporaryFiles.h"

#include "tests/files/Scratch.h"
#include "tests/support/OrdinaryUser.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using FileAccess::ErrorKind;

namespace {

FileAccess::Error Replace(const std::string& path, const std::string& bytes,
                          int directory = AT_FDCWD) {
    FileAccess::ReplaceOptions options;
    options.directory = directory;
    return FileAccess::ReplaceFile(path, bytes, options);
}

FileAccess::Descriptor OpenFolder(const std::string& path) {
    return FileAccess::Descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// The umask for the length of a test.
class UmaskSet {
  public:
    explicit UmaskSet(mode_t mask) : saved_(::umask(mask)) {}
    ~UmaskSet() { ::umask(saved_); }

  private:
    mode_t saved_;
};

} // namespace

TEST(FileReplacing, NewFilesGetTheUmasksModeAndOldOnesKeepTheirs) {
    Scratch scratch;
    const UmaskSet mask(022);
    ASSERT_FALSE(Replace(scratch / "new", "1").failed());
    EXPECT_EQ(Scratch::Mode(scratch / "new") & 07777, 0644u);
    Scratch::Write(scratch / "old", "old");
    ASSERT_EQ(::chmod((scratch / "old").c_str(), 0640), 0);
    ASSERT_FALSE(Replace(scratch / "old", "new").failed());
    EXPECT_EQ(Scratch::Mode(scratch / "old") & 07777, 0640u);
    EXPECT_EQ(Scratch::Read(scratch / "old"), "new");
    EXPECT_EQ(Scratch::Entries(scratch.root()), (std::vector<std::string>{"new", "old"}));
}

TEST(FileReplacing, TheOldFileIsReplacedNotOverwritten) {
    Scratch scratch;
    Scratch::Write(scratch / "f", "old data");
    ASSERT_EQ(::link((scratch / "f").c_str(), (scratch / "second name").c_str()), 0);
    ASSERT_FALSE(Replace(scratch / "f", "new data").failed());
    EXPECT_EQ(Scratch::Read(scratch / "second name"), "old data");
    EXPECT_EQ(Scratch::Read(scratch / "f"), "new data");
}

TEST(FileReplacing, WriteProtectedFilesAreRefusedAndLeftAlone) {
    Scratch scratch;
    Scratch::Write(scratch / "locked.png", "kept");
    ASSERT_EQ(::chmod((scratch / "locked.png").c_str(), 0444), 0);
    ASSERT_TRUE(OrdinaryUser::Give(scratch.root().c_str()));
    ASSERT_TRUE(OrdinaryUser::Give((scratch / "locked.png").c_str()));
    // The folder is the user's, so nothing but the file's own mode stands in the way.
    const int kind = OrdinaryUser::Run(
        [&] { return static_cast<int>(Replace(scratch / "locked.png", "replaced").kind); });
    EXPECT_EQ(kind, static_cast<int>(ErrorKind::WriteProtected));
    EXPECT_EQ(Scratch::Read(scratch / "locked.png"), "kept");
    EXPECT_EQ(Scratch::Mode(scratch / "locked.png") & 07777, 0444u);
    EXPECT_EQ(Scratch::Entries(scratch.root()), std::vector<std::string>{"locked.png"});
    // Writable again, the same user may replace it.
    ASSERT_EQ(::chmod((scratch / "locked.png").c_str(), 0644), 0);
    EXPECT_EQ(
        OrdinaryUser::Run([&] { return Replace(scratch / "locked.png", "replaced").failed(); }), 0);
    EXPECT_EQ(Scratch::Read(scratch / "locked.png"), "replaced");
}

TEST(FileReplacing, WriteProtectedFilesInsideAnOutputFolderAreRefusedToo) {
    Scratch scratch;
    Scratch::Write(scratch / "r1.png", "kept");
    ASSERT_EQ(::chmod((scratch / "r1.png").c_str(), 0444), 0);
    ASSERT_TRUE(OrdinaryUser::Give(scratch.root().c_str()));
    ASSERT_TRUE(OrdinaryUser::Give((scratch / "r1.png").c_str()));
    const int kind = OrdinaryUser::Run([&] {
        const FileAccess::Descriptor folder = OpenFolder(scratch.root());
        return static_cast<int>(Replace("r1.png", "replaced", folder.get()).kind);
    });
    EXPECT_EQ(kind, static_cast<int>(ErrorKind::WriteProtected));
    EXPECT_EQ(Scratch::Read(scratch / "r1.png"), "kept");
}

TEST(FileReplacing, NamesThatAreNotUtf8AreWrittenAsGiven) {
    Scratch scratch;
    ASSERT_FALSE(Replace(scratch / "a\xe9.png", "one").failed());
    ASSERT_FALSE(Replace(scratch / "a\xe8.png", "two").failed());
    EXPECT_EQ(Scratch::Read(scratch / "a\xe9.png"), "one");
    EXPECT_EQ(Scratch::Read(scratch / "a\xe8.png"), "two");
    EXPECT_EQ(Scratch::Entries(scratch.root()).size(), 2u);
}

TEST(FileReplacing, SpecialFilesAndFoldersAtTheNameAreRefusedAndSurvive) {
    Scratch scratch;
    ASSERT_EQ(::mkfifo((scratch / "fifo.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir((scratch / "folder.png").c_str(), 0700), 0);
    EXPECT_EQ(Replace(scratch / "fifo.png", "x").kind, ErrorKind::WrongKind);
    EXPECT_EQ(Replace(scratch / "folder.png", "x").kind, ErrorKind::WrongKind);
    EXPECT_TRUE(S_ISFIFO(Scratch::Mode(scratch / "fifo.png")));
    EXPECT_TRUE(S_ISDIR(Scratch::Mode(scratch / "folder.png")));
    EXPECT_EQ(Scratch::Entries(scratch.root()),
              (std::vector<std::string>{"fifo.png", "folder.png"}));
    EXPECT_EQ(Replace(scratch.root() + "/", "x").kind, ErrorKind::BadName);
    EXPECT_EQ(Replace(scratch / "missing/f.png", "x").kind, ErrorKind::NotFound);
}

TEST(FileReplacing, ALinkTheUserNamedIsFollowedToTheFileItPointsTo) {
    Scratch scratch;
    ASSERT_EQ(::mkdir((scratch / "elsewhere").c_str(), 0700), 0);
    Scratch::Write(scratch / "elsewhere/real.png", "old");
    ASSERT_EQ(::symlink("elsewhere/real.png", (scratch / "link.png").c_str()), 0);
    ASSERT_FALSE(Replace(scratch / "link.png", "new").failed());
    EXPECT_TRUE(S_ISLNK(Scratch::Mode(scratch / "link.png")));
    EXPECT_EQ(Scratch::Read(scratch / "elsewhere/real.png"), "new");
}

TEST(FileReplacing, InsideAFolderNoLinkIsFollowedAndNothingLeavesIt) {
    Scratch scratch, outside;
    ASSERT_EQ(::symlink((outside / "v.png").c_str(), (scratch / "a.png").c_str()), 0);
    ASSERT_EQ(::symlink(outside.root().c_str(), (scratch / "sub").c_str()), 0);
    const FileAccess::Descriptor folder = OpenFolder(scratch.root());
    EXPECT_EQ(Replace("a.png", "x", folder.get()).kind, ErrorKind::SymbolicLink);
    EXPECT_EQ(Replace("sub/b.png", "x", folder.get()).kind, ErrorKind::SymbolicLink);
    EXPECT_EQ(Replace("../b.png", "x", folder.get()).kind, ErrorKind::BadName);
    EXPECT_EQ(Replace("made//b.png", "x", folder.get()).kind, ErrorKind::BadName);
    EXPECT_FALSE(Replace("made/deeper/c.png", "x", folder.get()).failed());
    EXPECT_EQ(Scratch::Read(scratch / "made/deeper/c.png"), "x");
    EXPECT_TRUE(Scratch::Entries(outside.root()).empty());
}

TEST(FileReplacing, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    Scratch scratch;
    Scratch::Write(scratch / "f.png", "old");
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileAccess::Error error = Replace(scratch / "f.png", std::string(4096, 'z'));
        ::_exit(error.kind == ErrorKind::FileTooBig ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Scratch::Read(scratch / "f.png"), "old");
    EXPECT_EQ(Scratch::Entries(scratch.root()), std::vector<std::string>{"f.png"});
    EXPECT_EQ(FileAccess::TemporaryFilesInFlight(), 0u);
}

TEST(FileReplacing, DeferredDurabilityIsMadeGoodByOneSync) {
    Scratch scratch;
    FileAccess::ReplaceOptions options;
    options.durability = FileAccess::Durability::Deferred;
    ASSERT_FALSE(FileAccess::ReplaceFile(scratch / "f", "data", options).failed());
    const FileAccess::Descriptor folder = OpenFolder(scratch.root());
    EXPECT_FALSE(FileAccess::SyncFileSystem(folder.get()).failed());
    EXPECT_EQ(FileAccess::SyncFileSystem(-1).kind, ErrorKind::System);
    EXPECT_EQ(Scratch::Read(scratch / "f"), "data");
}

TEST(OutputFolders, AreOpenedOnlyWhenFilesCanBeMadeInThem) {
    Scratch scratch;
    Scratch::Write(scratch / "file", "");
    EXPECT_TRUE(FileAccess::OpenOutputFolder(scratch.root()).ok());
    EXPECT_EQ(FileAccess::OpenOutputFolder(scratch / "file").error.kind, ErrorKind::NotAFolder);
    EXPECT_EQ(FileAccess::OpenOutputFolder(scratch / "missing").error.kind, ErrorKind::NotFound);
    // A folder in which nothing can be made, whatever the reason the system gives.
    const FileAccess::Opened proc = FileAccess::OpenOutputFolder("/proc");
    EXPECT_EQ(proc.error.kind, ErrorKind::AccessDenied);
    EXPECT_EQ(FileAccess::Reason(proc.error), std::strerror(proc.error.number));
    ASSERT_EQ(::mkdir((scratch / "a\xe9").c_str(), 0700), 0);
    EXPECT_TRUE(FileAccess::OpenOutputFolder(scratch / "a\xe9").ok());
    ASSERT_EQ(::mkdir((scratch / "read-only").c_str(), 0555), 0);
    EXPECT_EQ(OrdinaryUser::Run([&] {
                  return static_cast<int>(
                      FileAccess::OpenOutputFolder(scratch / "read-only").error.kind);
              }),
              static_cast<int>(ErrorKind::AccessDenied));
    EXPECT_EQ(Scratch::Entries(scratch.root()),
              (std::vector<std::string>{"a\xe9", "file", "read-only"}));
}

TEST(StreamWriting, FullDisksAndClosedPipesAreErrors) {
    const FileAccess::Descriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.valid());
    const FileAccess::Error onFull = FileAccess::WriteAll(full.get(), "summary\n");
    EXPECT_EQ(onFull.kind, ErrorKind::NoSpace);
    EXPECT_EQ(FileAccess::Describe(onFull),
              "cannot write standard output: No space left on device");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(FileAccess::WriteAll(pipeEnds[1], "x", "the pipe").kind, ErrorKind::BrokenPipe);
    std::signal(SIGPIPE, previous);
    ::close(pipeEnds[1]);
    const FileAccess::Descriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    EXPECT_FALSE(FileAccess::WriteAll(null.get(), "").failed());
}

TEST(TemporaryFiles, AreRemovedByTheSignalSafeCleanUp) {
    Scratch scratch;
    const FileAccess::Descriptor folder = OpenFolder(scratch.root());
    Scratch::Write(scratch / ".a.png.1.tmp", "half");
    Scratch::Write(scratch / ".b.png.2.tmp", "half");
    Scratch::Write(scratch / "a.png", "finished");
    {
        FileAccess::Internal::TemporaryFile first(folder.get(), ".a.png.1.tmp");
        FileAccess::Internal::TemporaryFile second(folder.get(), ".b.png.2.tmp");
        EXPECT_EQ(FileAccess::TemporaryFilesInFlight(), 2u);
        second.Forget(); // renamed into place: no longer ours to remove
        EXPECT_EQ(FileAccess::TemporaryFilesInFlight(), 1u);
        FileAccess::RemoveTemporaryFiles();
    }
    EXPECT_EQ(FileAccess::TemporaryFilesInFlight(), 0u);
    EXPECT_EQ(Scratch::Entries(scratch.root()),
              (std::vector<std::string>{".b.png.2.tmp", "a.png"}));
}

TEST(TemporaryFiles, AStopSignalRemovesThemAndStillEndsTheProgram) {
    Scratch scratch;
    Scratch::Write(scratch / ".f.png.3.tmp", "half");
    const pid_t child = ::fork();
    if (child == 0) {
        FileAccess::RemoveTemporaryFilesOnStopSignals();
        const FileAccess::Descriptor folder = OpenFolder(scratch.root());
        FileAccess::Internal::TemporaryFile inFlight(folder.get(), ".f.png.3.tmp");
        ::raise(SIGTERM);
        ::_exit(0); // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(Scratch::Entries(scratch.root()).empty());
}
