#include "files/Errors.h"
#include "files/TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of links at the name ends in; the name itself when it is no link.
std::string FollowLinks(std::string path) {
    for (int i = 0; i < MaxLinksFollowed; ++i) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + '/' + target;
    }
    return path;
}

// An ordinary name: a link at the name is followed, so that the file it points to is the one
// replaced.
Place PlaceOfPath(const std::string& path) {
    Place place;
    const std::string real = FollowLinks(path);
    place.name = NameOf(real);
    if (!IsUsablePart(place.name)) {
        place.error = WriteFailure(path, ErrorKind::BadName);
        return place;
    }
    place.folder.reset(::open(FolderOf(real).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!place.folder.valid()) place.error = WriteFailure(path, errno);
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

// The old file's owner and permissions carry over to its replacement (the owner only where
// the system lets us, as root).
void KeepAttributes(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid))
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
}

Error PlaceInFolder(std::string_view bytes, const Place& place, const std::string& path,
                    Durability durability) {
    const Existing existing = ExistingAt(place, path);
    if (existing.refusal.failed()) return existing.refusal;
    const int folder = place.folder.get();
    std::string temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = TemporaryName(place.name);
        file.reset(::openat(folder, temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.valid() && errno != EEXIST) break;
    }
    if (!file.valid()) return WriteFailure(path, errno);
    Internal::TemporaryFile registered(folder, temporary);
    const auto discard = [&](Error error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return error;
    };
    if (existing.exists) KeepAttributes(file.get(), existing.status);
    if (Error error = WriteAll(file.get(), bytes); error.failed()) {
        error.path = path;
        error.stream.clear();
        return discard(error);
    }
    // The data reaches the disk before the name does, so a crash never leaves an empty file.
    if (durability == Durability::EachFile && ::fsync(file.get()) != 0)
        return discard(WriteFailure(path, errno));
    if (::close(file.release()) != 0) return discard(WriteFailure(path, errno));
    if (::renameat(folder, temporary.c_str(), folder, place.name.c_str()) != 0)
        return discard(WriteFailure(path, errno));
    registered.Forget(); // the name is the target's now
    return {};
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

Error ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    if (path.empty() || path.back() == '/') return WriteFailure(path, ErrorKind::BadName);
    Place place =
        options.directory == AT_FDCWD ? PlaceOfPath(path) : PlaceInside(options.directory, path);
    Error error =
        place.error.failed() ? place.error : PlaceInFolder(bytes, place, path, options.durability);
    if (error.failed()) place.RemoveMadeFolders();
    return error;
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
