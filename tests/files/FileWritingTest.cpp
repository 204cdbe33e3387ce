// Replacing files whole, writing streams, and the temporary files a stop must not leave behind.
#include "files/FileAccess.h"
#include "files/TemporaryFiles.h"

#include "tests/files/Scratch.h"
#include "tests/support/OrdinaryUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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

TEST(FileReplacing, AFileWithOtherNamesIsWrittenInPlaceAndKeepsThem) {
    Scratch scratch;
    Scratch::Write(scratch / "f", "old data");
    ASSERT_EQ(::link((scratch / "f").c_str(), (scratch / "second name").c_str()), 0);
    ASSERT_FALSE(Replace(scratch / "f", "new").failed());
    EXPECT_EQ(Scratch::Read(scratch / "second name"), "new");
    EXPECT_EQ(Scratch::Read(scratch / "f"), "new");
}

namespace {

// An ACL that denies the ordinary user what the mode grants everyone, as the kernel stores it.
std::string AclDenyingOrdinaryUser() {
    std::string acl;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) acl += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    put(2, 4); // version
    const std::uint32_t entries[][3] = {{0x01, 6, ~0u},
                                        {0x02, 0, OrdinaryUser::Uid},
                                        {0x04, 4, ~0u},
                                        {0x10, 4, ~0u},
                                        {0x20, 4, ~0u}};
    for (const auto& entry : entries) put(entry[0], 2), put(entry[1], 2), put(entry[2], 4);
    return acl;
}

std::string Attribute(const std::string& path, const char* name) {
    std::string value(256, '\0');
    const ssize_t n = ::getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return value;
}

} // namespace

TEST(FileReplacing, TheReplacementKeepsOwnerGroupModeAclAndAttributes) {
    if (!OrdinaryUser::Needed()) GTEST_SKIP() << "giving a file to another user needs root";
    Scratch scratch;
    const std::string file = scratch / "f.png";
    Scratch::Write(file, "old");
    const std::string acl = AclDenyingOrdinaryUser();
    ASSERT_EQ(::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
    ASSERT_EQ(::setxattr(file.c_str(), "user.origin", "camera", 6, 0), 0);
    ASSERT_EQ(::chown(file.c_str(), 1, 2), 0);
    ASSERT_EQ(::chmod(file.c_str(), 04644), 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_FALSE(Replace(file, "new").failed());
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced whole, not written in place
    EXPECT_EQ(Scratch::Read(file), "new");
    EXPECT_EQ(after.st_uid, 1u);
    EXPECT_EQ(after.st_gid, 2u);
    EXPECT_EQ(after.st_mode & 07777, 04644u);
    EXPECT_EQ(Attribute(file, "user.origin"), "camera");
    EXPECT_EQ(Attribute(file, "system.posix_acl_access"), acl);
    EXPECT_EQ(OrdinaryUser::Run([&] { return ::open(file.c_str(), O_RDONLY) < 0 ? 0 : 1; }), 0);
}

TEST(FileReplacing, AnotherUsersFileIsWrittenInPlaceByAnOrdinaryUser) {
    if (!OrdinaryUser::Needed()) GTEST_SKIP() << "needs root to act as two users";
    Scratch scratch;
    const std::string file = scratch / "shared.png";
    Scratch::Write(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0646), 0);
    ASSERT_TRUE(OrdinaryUser::Give(scratch.root().c_str()));
    EXPECT_EQ(OrdinaryUser::Run([&] { return Replace(file, "new").failed(); }), 0);
    EXPECT_EQ(Scratch::Read(file), "new");
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 0u); // the owner is not locked out of their own file
    EXPECT_EQ(after.st_mode & 07777, 0646u);
}

// Another user may put a link or a file at the name in /tmp; as the kernel's protected_symlinks
// and protected_regular settings would, whatever they are here, it is neither followed nor
// written unless we or the folder's owner own it.
TEST(FileReplacing, StickyFoldersKeepOtherUsersLinksAndFilesOut) {
    if (!OrdinaryUser::Needed()) GTEST_SKIP() << "needs root to act as two users";
    struct Case {
        const char* what;
        bool folderIsTheUsers; // else root's
        bool link;             // else a file
        ErrorKind expected;
    };
    const Case cases[] = {
        {"the other user's link", false, true, ErrorKind::PlantedLink},
        {"the other user's file", false, false, ErrorKind::PlantedFile},
        {"the folder owner's link", true, true, ErrorKind::None},
        {"the folder owner's file", true, false, ErrorKind::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch scratch, secret;
        Scratch::Write(secret / "secret.conf", "secret");
        ASSERT_EQ(::chmod(secret.root().c_str(), 0777), 0);
        ASSERT_EQ(::chmod((secret / "secret.conf").c_str(), 0666), 0);
        ASSERT_EQ(::chmod(scratch.root().c_str(), 01777), 0);
        ASSERT_TRUE(!c.folderIsTheUsers || OrdinaryUser::Give(scratch.root().c_str()));
        const std::string planted = scratch / "qr.png", target = secret / "secret.conf";
        ASSERT_EQ(OrdinaryUser::Run([&] {
                      if (c.link) return ::symlink(target.c_str(), planted.c_str()) == 0 ? 0 : 1;
                      Scratch::Write(planted, "theirs");
                      return 0;
                  }),
                  0);
        EXPECT_EQ(Replace(planted, "ours").kind, c.expected);
        const bool written = c.expected == ErrorKind::None;
        EXPECT_EQ(Scratch::Read(target), c.link && written ? "ours" : "secret");
        EXPECT_EQ(Scratch::Read(planted), written ? "ours" : c.link ? "secret" : "theirs");
    }
}

// A watcher in the folder opens whatever appears; a private file's replacement must never be
// open to it, before or after it has its name.
TEST(FileReplacing, NoOneElseCanOpenAPrivateFileWhileItIsReplaced) {
    if (!OrdinaryUser::Needed()) GTEST_SKIP() << "needs root to act as two users";
    Scratch scratch;
    const std::string file = scratch / "wifi.png";
    Scratch::Write(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(scratch.root().c_str(), 0777), 0);
    int done[2];
    ASSERT_EQ(::pipe(done), 0);
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        ::close(done[1]);
        ::_exit(OrdinaryUser::Run([&] {
            int opened = 0;
            ::fcntl(done[0], F_SETFL, O_NONBLOCK);
            for (char byte; ::read(done[0], &byte, 1) < 0;) // until the writer is done
                for (const std::string& name : Scratch::Entries(scratch.root())) {
                    const int fd = ::open((scratch / name).c_str(), O_RDONLY | O_NONBLOCK);
                    if (fd >= 0) ++opened, ::close(fd);
                }
            return std::min(opened, 255);
        }));
    }
    ::close(done[0]);
    for (int i = 0; i < 300; ++i) ASSERT_FALSE(Replace(file, std::string(4096, 'x')).failed());
    ::close(done[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(watcher, &status, 0), watcher);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Scratch::Mode(file) & 07777, 0600u);
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
