#include "files/Attributes.h"
#include "files/Errors.h"
#include "files/TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

namespace FileAccess {

using Internal::Failure;

namespace {

// No chain of links longer than the kernel's own limit is followed.
constexpr int MaxLinksFollowed = 40;
// The target's name is cut to this in the temporary name, which must stay under NAME_MAX.
constexpr std::size_t NameBytesInTemporary = 200;

Error WriteFailure(const std::string& path, int number) {
    return Failure(Step::Write, path, number);
}

Error WriteFailure(const std::string& path, ErrorKind kind, int number = 0) {
    return Failure(Step::Write, path, kind, number);
}

bool IsUsablePart(const std::string& part) {
    return !part.empty() && part != "." && part != "..";
}

// A folder made on the way to a file, so that it can be removed again when the file fails.
struct MadeFolder {
    int parent; // open for as long as the place is
    std::string name;
};

// The folder that will hold the file, and the file's own name in it.
struct Place {
    Descriptor folder;
    std::vector<Descriptor> outerFolders; // the folders on the way, kept open
    std::vector<MadeFolder> made;         // the folders this placement created, outermost first
    std::string name;
    Error error;

    // A file that failed leaves no empty folder of its own making behind.
    void RemoveMadeFolders() {
        for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
            ::unlinkat(folder->parent, folder->name.c_str(), AT_REMOVEDIR);
        made.clear();
    }
};

// ---- Sticky folders ----
// In a sticky folder that everyone may write to (/tmp), another user can plant a link or a file
// at the name we are about to write. As the kernel's protected_symlinks and protected_regular
// settings would, and whatever they are set to here, a link there is followed and a file there
// is written only when we or the folder's owner own it.

bool SharedSticky(const struct stat& folder) {
    return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
}

bool Trusted(const struct stat& entry, const struct stat& folder) {
    return entry.st_uid == ::geteuid() || entry.st_uid == folder.st_uid;
}

bool Planted(int folder, const struct stat& entry) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && SharedSticky(status) && !Trusted(entry, status);
}

// ---- Resolving an ordinary name ----

// The parts of a name in order; "." stands for a trailing slash, which only a folder may have.
std::vector<std::string> PartsOf(const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    if (!path.empty() && path.back() == '/') parts.push_back(".");
    return parts;
}

Descriptor OpenFolderPath(int at, const char* name) {
    return Descriptor(::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::optional<std::string> LinkTarget(int folder, const std::string& name) {
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlinkat(folder, name.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    if (n == 0 || static_cast<std::size_t>(n) >= target.size()) {
        errno = n == 0 ? ENOENT : ENAMETOOLONG;
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(n));
    return target;
}

// An ordinary name, resolved one part at a time as the kernel would, so that the sticky-folder
// rule holds for every link on the way. A link at the name is followed and the file it points
// to is the one replaced, as editors and cp do.
Error Resolve(const std::string& path, Place& place) {
    const std::vector<std::string> given = PartsOf(path);
    std::deque<std::string> parts(given.begin(), given.end());
    place.folder = OpenFolderPath(AT_FDCWD, path.front() == '/' ? "/" : ".");
    for (int linksFollowed = 0;;) {
        if (!place.folder.valid()) return WriteFailure(path, errno);
        const std::string part = std::move(parts.front());
        parts.pop_front();
        const int folder = place.folder.get();
        struct stat entry {};
        if (::fstatat(folder, part.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !parts.empty()) return WriteFailure(path, errno);
            place.name = part; // a new file
            return {};
        }
        if (S_ISLNK(entry.st_mode)) {
            if (++linksFollowed > MaxLinksFollowed) return WriteFailure(path, ELOOP);
            if (Planted(folder, entry)) return WriteFailure(path, ErrorKind::PlantedLink);
            const std::optional<std::string> target = LinkTarget(folder, part);
            if (!target) return WriteFailure(path, errno);
            const std::vector<std::string> targetParts = PartsOf(*target);
            parts.insert(parts.begin(), targetParts.begin(), targetParts.end());
            if (target->front() == '/') place.folder = OpenFolderPath(AT_FDCWD, "/");
        } else if (parts.empty()) {
            place.name = part;
            return {};
        } else {
            place.folder = OpenFolderPath(folder, part.c_str());
        }
    }
}

Place PlaceOfPath(const std::string& path) {
    Place place;
    place.error = Resolve(path, place);
    if (!place.error.failed() && !IsUsablePart(place.name))
        place.error = WriteFailure(path, ErrorKind::BadName);
    return place;
}

// O_NOFOLLOW with O_DIRECTORY reports a link as ELOOP or ENOTDIR: the name itself tells which.
bool IsLinkAt(int folder, const std::string& name) {
    const int number = errno;
    struct stat st {};
    const bool link =
        ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
    errno = number;
    return link;
}

// A relative name inside an open folder, one part at a time: no part may be a symbolic link,
// and missing folders are made, so nothing is ever written outside the folder.
Place PlaceInside(int root, const std::string& path) {
    Place place;
    int current = root;
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         start = slash + 1, slash = path.find('/', start)) {
        const std::string part = path.substr(start, slash - start);
        if (!IsUsablePart(part)) {
            place.error = WriteFailure(path, ErrorKind::BadName);
            return place;
        }
        const bool createdHere = ::mkdirat(current, part.c_str(), 0777) == 0;
        if (!createdHere && errno != EEXIST) {
            place.error = WriteFailure(path, errno);
            return place;
        }
        if (createdHere) place.made.push_back({current, part});
        Descriptor next(
            ::openat(current, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            place.error = IsLinkAt(current, part) ? WriteFailure(path, ErrorKind::SymbolicLink)
                                                  : WriteFailure(path, errno);
            return place;
        }
        if (place.folder.valid()) place.outerFolders.push_back(std::move(place.folder));
        place.folder = std::move(next);
        current = place.folder.get();
    }
    place.name = path.substr(start);
    if (!IsUsablePart(place.name)) {
        place.error = WriteFailure(path, ErrorKind::BadName);
        return place;
    }
    if (!place.folder.valid()) place.folder.reset(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (!place.folder.valid()) place.error = WriteFailure(path, errno);
    return place;
}

// What stands at the name now: nothing, or a regular file the caller may write.
struct Existing {
    bool exists = false;
    struct stat status {};
    Error refusal;
};

bool WritableByUs(int folder, const std::string& name, const struct stat& status) {
    if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // The file's own bits, where the system cannot be asked for the effective ids.
    if (::geteuid() == 0) return true;
    if (status.st_uid == ::geteuid()) return (status.st_mode & S_IWUSR) != 0;
    if (status.st_gid == ::getegid()) return (status.st_mode & S_IWGRP) != 0;
    return (status.st_mode & S_IWOTH) != 0;
}

Existing ExistingAt(const Place& place, const std::string& path) {
    Existing existing;
    if (::fstatat(place.folder.get(), place.name.c_str(), &existing.status, AT_SYMLINK_NOFOLLOW) !=
        0) {
        if (errno != ENOENT) existing.refusal = WriteFailure(path, errno);
        return existing;
    }
    existing.exists = true;
    if (S_ISLNK(existing.status.st_mode))
        existing.refusal = WriteFailure(path, ErrorKind::SymbolicLink);
    else if (!S_ISREG(existing.status.st_mode))
        existing.refusal = WriteFailure(path, ErrorKind::WrongKind);
    else if (Planted(place.folder.get(), existing.status))
        existing.refusal = WriteFailure(path, ErrorKind::PlantedFile);
    else if (!WritableByUs(place.folder.get(), place.name, existing.status))
        existing.refusal = WriteFailure(path, ErrorKind::WriteProtected, EACCES);
    return existing;
}

std::string TemporaryName(const std::string& name) {
    static std::atomic<unsigned long long> counter{0};
    unsigned long long random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random)
        random = (static_cast<unsigned long long>(::getpid()) << 32) ^ ++counter;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", random);
    return '.' + name.substr(0, NameBytesInTemporary) + suffix;
}

// The file the old one is, opened to read its attributes from or to write it in place; checked
// to be the very file that was looked at.
Descriptor OpenExisting(const Place& place, const Existing& existing, int access) {
    Descriptor file(::openat(place.folder.get(), place.name.c_str(),
                             access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat now {};
    if (file.valid() && (::fstat(file.get(), &now) != 0 || now.st_dev != existing.status.st_dev ||
                         now.st_ino != existing.status.st_ino)) {
        file.reset();
        errno = EAGAIN; // replaced meanwhile
    }
    return file;
}

// A replacement cannot be given another user's ownership except by root, and would part a
// file from its other names: such a file is written in place, as cp writes.
bool MustWriteInPlace(const struct stat& old) {
    return old.st_nlink > 1 || (::geteuid() != 0 && old.st_uid != ::geteuid());
}

Error Finished(int fd, const std::string& path, Durability durability) {
    if (durability == Durability::EachFile && ::fsync(fd) != 0) return WriteFailure(path, errno);
    return {};
}

// What a replacement writes: bytes in memory, or the whole of an open file, read from its start
// each time it is written (a replacement may fall back to writing in place, and so write twice).
struct Contents {
    std::string_view bytes;
    int file = -1;
};

Error WriteChunk(int fd, std::string_view bytes, const std::string& path) {
    Error error = WriteAll(fd, bytes);
    if (error.failed()) {
        error.path = path;
        error.stream.clear();
    }
    return error;
}

Error WriteOut(int fd, const Contents& contents, const std::string& path) {
    if (contents.file < 0) return WriteChunk(fd, contents.bytes, path);
    std::vector<char> chunk(std::size_t(1) << 16);
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(contents.file, chunk.data(), chunk.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return WriteFailure(path, errno);
        if (got == 0) return {};
        if (Error error = WriteChunk(fd, {chunk.data(), std::size_t(got)}, path); error.failed())
            return error;
        offset += got;
    }
}

// The old file itself is cut and written: it keeps its names, owner and attributes, but a
// write that fails halfway leaves it cut short.
Error WriteInPlace(const Contents& bytes, const Place& place, const Existing& existing,
                   const std::string& path, Durability durability) {
    Descriptor file = OpenExisting(place, existing, O_WRONLY);
    if (!file.valid()) return WriteFailure(path, errno);
    if (::ftruncate(file.get(), 0) != 0) return WriteFailure(path, errno);
    if (Error error = WriteOut(file.get(), bytes, path); error.failed()) return error;
    if (Error error = Finished(file.get(), path, durability); error.failed()) return error;
    if (::close(file.release()) != 0) return WriteFailure(path, errno);
    return {};
}

// A temporary file beside the target. A replacement starts with no access for anyone but us and
// is given the old file's attributes once complete. A new file starts unnamed where the file
// system allows it, with the mode and ACL the folder gives new files, since no one can open it
// before it has a name; elsewhere it is named, private, and given its mode once complete.
struct Temporary {
    Descriptor file;
    std::string name;   // empty while unnamed
    bool named = false; // has a name in the folder
};

Temporary MakeNamedTemporary(int folder, const std::string& target) {
    Temporary temporary;
    for (int attempt = 0; attempt < 100 && !temporary.file.valid(); ++attempt) {
        temporary.name = TemporaryName(target);
        temporary.file.reset(::openat(folder, temporary.name.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!temporary.file.valid() && errno != EEXIST) break;
    }
    temporary.named = temporary.file.valid();
    return temporary;
}

Temporary MakeUnnamedTemporary(int folder) {
    Temporary temporary;
    temporary.file.reset(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    return temporary;
}

// Gives an unnamed file a temporary name: through the descriptor where we may (root), else
// through /proc.
bool Name(Temporary& temporary, int folder, const std::string& target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.name = TemporaryName(target);
        if (::linkat(temporary.file.get(), "", folder, temporary.name.c_str(), AT_EMPTY_PATH) !=
            0) {
            const std::string self = "/proc/self/fd/" + std::to_string(temporary.file.get());
            if (::linkat(AT_FDCWD, self.c_str(), folder, temporary.name.c_str(),
                         AT_SYMLINK_FOLLOW) != 0) {
                if (errno == EEXIST) continue;
                return false;
            }
        }
        return temporary.named = true;
    }
    return false;
}

Error Commit(Temporary& temporary, int folder, const std::string& target, const std::string& path) {
    if (::close(temporary.file.release()) != 0) return WriteFailure(path, errno);
    if (::renameat(folder, temporary.name.c_str(), folder, target.c_str()) != 0)
        return WriteFailure(path, errno);
    return {};
}

bool KeepAttributes(const Place& place, const Existing& existing, int replacement) {
    // Read from the old file where we may, else through the write access we were granted.
    Descriptor old = OpenExisting(place, existing, O_RDONLY);
    if (!old.valid()) old = OpenExisting(place, existing, O_WRONLY);
    return old.valid() && Internal::CopyAttributes(old.get(), existing.status, replacement);
}

Error Replace(const Contents& bytes, const Place& place, const Existing& existing,
              const std::string& path, Durability durability) {
    const int folder = place.folder.get();
    Temporary temporary = MakeNamedTemporary(folder, place.name);
    if (!temporary.file.valid()) return WriteFailure(path, errno);
    Internal::TemporaryFile registered(folder, temporary.name);
    const auto discard = [&](Error error) {
        ::unlinkat(folder, temporary.name.c_str(), 0);
        return error;
    };
    if (Error error = WriteOut(temporary.file.get(), bytes, path); error.failed())
        return discard(error);
    if (!KeepAttributes(place, existing, temporary.file.get())) {
        discard({});
        return WriteInPlace(bytes, place, existing, path, durability);
    }
    if (Error error = Finished(temporary.file.get(), path, durability); error.failed())
        return discard(error);
    if (Error error = Commit(temporary, folder, place.name, path); error.failed())
        return discard(error);
    registered.Forget(); // the name is the target's now
    return {};
}

Error PlaceNewFile(const Contents& bytes, const Place& place, const std::string& path,
                   Durability durability, bool unnamedFirst = true) {
    const int folder = place.folder.get();
    Temporary temporary = unnamedFirst ? MakeUnnamedTemporary(folder) : Temporary{};
    const bool unnamed = temporary.file.valid();
    if (!unnamed) temporary = MakeNamedTemporary(folder, place.name);
    if (!temporary.file.valid()) return WriteFailure(path, errno);
    std::optional<Internal::TemporaryFile> registered;
    if (temporary.named) registered.emplace(folder, temporary.name);
    Error error = WriteOut(temporary.file.get(), bytes, path);
    if (!error.failed() && !unnamed && ::fchmod(temporary.file.get(), Internal::NewFileMode()) != 0)
        error = WriteFailure(path, errno);
    if (!error.failed()) error = Finished(temporary.file.get(), path, durability);
    if (!error.failed() && unnamed) {
        // Nothing here can name an unnamed file (no /proc, no privilege): written again, named.
        if (!Name(temporary, folder, place.name))
            return PlaceNewFile(bytes, place, path, durability, false);
        registered.emplace(folder, temporary.name);
    }
    if (!error.failed()) error = Commit(temporary, folder, place.name, path);
    if (error.failed()) {
        if (temporary.named) ::unlinkat(folder, temporary.name.c_str(), 0);
        return error;
    }
    registered->Forget(); // the name is the target's now
    return {};
}

Error PlaceInFolder(const Contents& bytes, const Place& place, const std::string& path,
                    Durability durability) {
    const Existing existing = ExistingAt(place, path);
    if (existing.refusal.failed()) return existing.refusal;
    if (!existing.exists) return PlaceNewFile(bytes, place, path, durability);
    if (MustWriteInPlace(existing.status))
        return WriteInPlace(bytes, place, existing, path, durability);
    return Replace(bytes, place, existing, path, durability);
}

// Creates and removes a file of our own: nothing else tells whether files can be made here.
Error ProblemWritingIn(int folder, const std::string& path) {
    const std::string name = TemporaryName("quorlik-write-check");
    const int fd =
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        // The folder exists and is one: whatever the call says, files cannot be made in it.
        const int number = errno;
        const ErrorKind kind = Internal::KindOf(number);
        return WriteFailure(path, kind == ErrorKind::NoSpace ? kind : ErrorKind::AccessDenied,
                            number);
    }
    ::close(fd);
    ::unlinkat(folder, name.c_str(), 0);
    return {};
}

} // namespace

namespace {

Error ReplaceWith(const std::string& path, const Contents& contents,
                  const ReplaceOptions& options) {
    if (path.empty() || path.back() == '/') return WriteFailure(path, ErrorKind::BadName);
    Place place =
        options.directory == AT_FDCWD ? PlaceOfPath(path) : PlaceInside(options.directory, path);
    Error error = place.error.failed() ? place.error
                                       : PlaceInFolder(contents, place, path, options.durability);
    if (error.failed()) place.RemoveMadeFolders();
    return error;
}

} // namespace

Error ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    return ReplaceWith(path, Contents{bytes}, options);
}

Error ReplaceFileFrom(const std::string& path, int contents, const ReplaceOptions& options) {
    return ReplaceWith(path, Contents{{}, contents}, options);
}

Error CheckReplaceable(const std::string& path) {
    if (path.empty() || path.back() == '/') return WriteFailure(path, ErrorKind::BadName);
    const Place place = PlaceOfPath(path);
    if (place.error.failed()) return place.error;
    const Existing existing = ExistingAt(place, path);
    if (existing.refusal.failed() || existing.exists) return existing.refusal;
    return ProblemWritingIn(place.folder.get(), path);
}

Error WriteAll(int fd, std::string_view bytes, std::string_view streamName) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Internal::StreamFailure(Step::Write, streamName, errno);
        // A write that takes nothing will take nothing again: the disk is full.
        if (n == 0) return Internal::StreamFailure(Step::Write, streamName, ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

Error SyncFileSystem(int fd) {
    if (::syncfs(fd) != 0) return Internal::StreamFailure(Step::Write, "the output folder", errno);
    return {};
}

Opened OpenOutputFolder(const std::string& path) {
    if (path.empty()) return {Descriptor(), WriteFailure(path, ErrorKind::BadName)};
    Descriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return {Descriptor(), WriteFailure(path, errno)};
    if (Error problem = ProblemWritingIn(folder.get(), path); problem.failed())
        return {Descriptor(), problem};
    return {std::move(folder), {}};
}

} // namespace FileAccess
