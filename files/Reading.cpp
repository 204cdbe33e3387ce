#include "files/Errors.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

using Internal::Failure;

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;

unsigned KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return RegularFile;
    if (S_ISFIFO(mode)) return Pipe;
    if (S_ISCHR(mode)) return CharacterDevice;
    return 0;
}

Error WrongKind(const std::string& path, unsigned accepted) {
    Error error = Failure(Step::Read, path, ErrorKind::WrongKind);
    error.accepted = accepted;
    return error;
}

Error TooLarge(Error error, std::size_t limit) {
    error.kind = ErrorKind::TooLarge;
    error.number = 0;
    error.limit = limit;
    return error;
}

// An open that names a link where links are refused fails with ELOOP.
Error OpenFailure(const std::string& path, int number, Links links) {
    if (number == ELOOP && links == Links::Refuse)
        return Failure(Step::Read, path, ErrorKind::SymbolicLink, number);
    return Failure(Step::Read, path, number);
}

// A descriptor left non-blocking by whoever shared it: wait until it has data.
bool WaitForInput(int fd) {
    pollfd wanted{fd, POLLIN, 0};
    while (::poll(&wanted, 1, -1) < 0)
        if (errno != EINTR) return false;
    return true;
}

} // namespace

Opened OpenInput(const std::string& path, unsigned acceptedKinds, int directory, Links links) {
    if (path.empty()) return {Descriptor(), Failure(Step::Read, path, ErrorKind::BadName)};
    const int follow = links == Links::Refuse ? O_NOFOLLOW : 0;
    const int noFollowStat = links == Links::Refuse ? AT_SYMLINK_NOFOLLOW : 0;
    struct stat st {};
    // Looked at before opening: opening a device can already do something (rewind a tape), and
    // opening a FIFO without a writer would wait.
    if (::fstatat(directory, path.c_str(), &st, noFollowStat) != 0)
        return {Descriptor(), OpenFailure(path, errno, links)};
    if (links == Links::Refuse && S_ISLNK(st.st_mode))
        return {Descriptor(), Failure(Step::Read, path, ErrorKind::SymbolicLink)};
    if ((KindOfMode(st.st_mode) & acceptedKinds) == 0)
        return {Descriptor(), WrongKind(path, acceptedKinds)};
    // A stream waits for its writer, as a reader of a pipe should; a regular file never blocks,
    // even when it was swapped for a FIFO since the look.
    const int blocking = S_ISREG(st.st_mode) ? O_NONBLOCK : 0;
    Descriptor fd(
        ::openat(directory, path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | follow | blocking));
    if (!fd.valid()) return {Descriptor(), OpenFailure(path, errno, links)};
    if (::fstat(fd.get(), &st) != 0) return {Descriptor(), Failure(Step::Read, path, errno)};
    if ((KindOfMode(st.st_mode) & acceptedKinds) == 0 || (blocking != 0 && !S_ISREG(st.st_mode)))
        return {Descriptor(), WrongKind(path, acceptedKinds)};
    return {std::move(fd), {}};
}

ReadResult ReadStream(int fd, std::size_t maxBytes, std::string_view streamName) {
    ReadResult result;
    // One byte more tells a longer stream.
    const std::size_t wanted = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
    while (result.bytes.size() < wanted) {
        const std::size_t filled = result.bytes.size();
        const std::size_t chunk = std::min(ChunkBytes, wanted - filled);
        result.bytes.resize(filled + chunk);
        const ssize_t n = ::read(fd, result.bytes.data() + filled, chunk);
        result.bytes.resize(filled + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) break;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitForInput(fd)) continue;
        result.bytes.clear();
        result.error = Internal::StreamFailure(Step::Read, streamName, errno);
        return result;
    }
    if (result.bytes.size() > maxBytes) {
        result.bytes.clear();
        Error error;
        error.stream = std::string(streamName);
        result.error = TooLarge(error, maxBytes);
    }
    return result;
}

ReadResult ReadFile(const std::string& path, std::size_t maxBytes, int directory, Links links) {
    Opened input = OpenInput(path, RegularFile, directory, links);
    if (!input.ok()) return {{}, std::move(input.error)};
    struct stat st {};
    if (::fstat(input.descriptor.get(), &st) != 0) return {{}, Failure(Step::Read, path, errno)};
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return {{}, TooLarge(Failure(Step::Read, path, ErrorKind::TooLarge), maxBytes)};
    ReadResult result = ReadStream(input.descriptor.get(), maxBytes);
    if (!result.ok()) {
        result.error.path = path;
        result.error.stream.clear();
    }
    return result;
}

} // namespace FileAccess
