#pragma once

#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Every file this project reads or writes goes through here. Names are bytes, exactly as the
// user or the system gave them: never decoded, so a name that is not UTF-8 still names the one
// file it names. Reads are bounded and never block on a FIFO or a device that was not asked
// for; writes replace a file whole or not at all and respect its permissions.
namespace FileAccess {

// A descriptor this program opened, closed on every way out.
class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor on to an owner that closes it.
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

enum class ErrorKind {
    None,
    NotFound,       // no such file or folder
    AccessDenied,   // no permission, or a read-only file system
    WriteProtected, // the file exists and its own permissions forbid writing it
    WrongKind,      // a FIFO, device, folder or socket where a file of the accepted kinds belongs
    SymbolicLink,   // a link at a name where links are not followed
    PlantedLink,    // another user's link in a sticky folder everyone may write to
    PlantedFile,    // another user's file in a sticky folder everyone may write to
    NotAFolder,     // a part of the path that must be a folder is not one
    BadName,        // empty, ".", "..", or ends in "/"
    TooLarge,       // more bytes than the caller's limit
    NoSpace,        // the disk or the quota is full
    FileTooBig,     // past the file size limit (EFBIG)
    BrokenPipe,     // the reader of a pipe has gone
    System,         // anything else: see number
};

enum class Step { Read, Write };

// Which kinds of file an input may be.
enum Kinds : unsigned {
    RegularFile = 1,
    Pipe = 2,            // a FIFO, or a pipe reached through /dev/fd or /dev/stdin
    CharacterDevice = 4, // a terminal, /dev/null
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    int number = 0; // errno of the failing call, 0 when there was none
    Step step = Step::Read;
    std::string path;        // the name as given; empty for a stream
    std::string stream;      // what to call a stream ("standard output") when there is no path
    std::uint64_t limit = 0; // TooLarge: the limit in bytes
    unsigned accepted = RegularFile; // WrongKind: the kinds that would have been accepted

    bool failed() const { return kind != ErrorKind::None; }
};

// One line of English for the command line: "cannot write "a\xE9.png": the file is
// write-protected". Control bytes and bytes that are not UTF-8 in the name are shown as \xNN,
// so no name can reach a terminal raw. The window words its own messages from error.kind.
std::string Describe(const Error& error);
// Only the part after the colon ("the file is write-protected"), for messages that name the
// file their own way.
std::string Reason(const Error& error);
// The name alone, escaped and quoted as Describe shows it.
std::string QuotedName(std::string_view name);

// ---- Reading -------------------------------------------------------------------------------

enum class Links {
    Follow, // a name the user typed: a link at it is followed, as every tool does
    Refuse, // a name found inside a folder of ours: a link at it is refused
};

struct ReadResult {
    std::string bytes;
    Error error;
    bool ok() const { return !error.failed(); }
};

struct Opened {
    Descriptor descriptor;
    Error error;
    bool ok() const { return !error.failed(); }
};

// An input to be read as a stream. Kinds not accepted are refused before they are opened
// (opening a device can already do something); a regular file is opened without blocking,
// a FIFO waits for its writer as a reader of a pipe should.
Opened OpenInput(const std::string& path, unsigned acceptedKinds, int directory = AT_FDCWD,
                 Links links = Links::Follow);

// A regular file, read whole: at most maxBytes, checked against its size before reading and
// again while reading (it may grow).
ReadResult ReadFile(const std::string& path, std::size_t maxBytes, int directory = AT_FDCWD,
                    Links links = Links::Follow);

// Everything until the end of an open stream (standard input, a pipe), at most maxBytes;
// reading stops one byte past the limit, so an endless stream costs constant memory.
ReadResult ReadStream(int fd, std::size_t maxBytes, std::string_view streamName = {});

// ---- Writing -------------------------------------------------------------------------------

enum class Durability {
    EachFile, // every file reaches the disk before it replaces the old one (fsync)
    Deferred, // the caller makes a whole run durable at once with SyncFileSystem
};

struct ReplaceOptions {
    // AT_FDCWD: path is an ordinary name; a link at the name is followed and the file it points
    // to is replaced, as editors do, except another user's link in a sticky folder that everyone
    // may write to (/tmp), as the kernel's protected_symlinks rule has it. An open folder: path is
    // resolved inside it, one part at a time, missing folders are made, and no part may be a link,
    // so nothing is ever written outside the folder.
    int directory = AT_FDCWD;
    Durability durability = Durability::EachFile;
};

// The bytes go to a temporary file beside the target, open to no one else, which replaces the
// target only once it is complete and carries the old file's owner, group, mode, ACL and
// extended attributes: a failed write never leaves half a file nor destroys the one that was
// there. A new file gets what open(2) gives with 0666 (the umask, or the folder's default ACL).
// Where the replacement could not carry all of that (another user's file written by someone
// other than root, a file with several names, an attribute the system will not set), the old
// file is written in place as cp writes it, keeping all of it and its names.
// Refused, leaving everything as it was: a target that is not a regular file, an existing file
// that the caller may not write (its permissions, as cp and the shell's > respect them), and
// another user's file in a sticky folder everyone may write to (protected_regular's rule).
Error ReplaceFile(const std::string& path, std::string_view bytes,
                  const ReplaceOptions& options = {});
// The same with the whole of an open file, read from its start, as the bytes: for contents
// written piece by piece into a spool file because they are too large to hold in memory.
Error ReplaceFileFrom(const std::string& path, int contents, const ReplaceOptions& options = {});
// What ReplaceFile would refuse for `path` now, without writing anything: no such folder, a
// special file or a link where a link is not followed, a write-protected file, a folder where
// nothing can be made. For a file written at the end of a long run, checked before it starts.
Error CheckReplaceable(const std::string& path);

// Every byte to an open descriptor (standard output), through short writes and interrupted
// calls. A full disk, a file size limit or a closed pipe is an error, never a silent loss.
Error WriteAll(int fd, std::string_view bytes, std::string_view streamName = "standard output");

// Makes every write to the file system holding `fd` durable (syncfs): once per run instead of
// once per file.
Error SyncFileSystem(int fd);

// A folder opened for placing files inside it with ReplaceOptions::directory. Refused when it
// is not a folder or when nothing can be created in it, so that such a folder stops a run once
// instead of failing every file.
Opened OpenOutputFolder(const std::string& path);

// ---- Process-wide ----------------------------------------------------------------------------

// Removes every temporary file that a ReplaceFile in progress has made. Async-signal-safe: for
// a handler of SIGINT, SIGTERM or SIGHUP, so that a stopped program leaves nothing behind.
void RemoveTemporaryFiles() noexcept;

// SIGINT, SIGTERM and SIGHUP remove the temporary files and then end the program as the signal
// would have; signals ignored by whoever started the program stay ignored.
void RemoveTemporaryFilesOnStopSignals();

// How many temporary files are in flight now (for tests).
std::size_t TemporaryFilesInFlight() noexcept;

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so that no file the program
// opens later lands on them. Output descriptors get it read-only and input ones write-only:
// writing to a closed standard output then fails loudly instead of reaching some other file.
void ReserveStandardDescriptors() noexcept;

} // namespace FileAccess
