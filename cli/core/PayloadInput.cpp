#include "PayloadInput.h"

#include "ExitStatus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace PayloadInput {
namespace {

Payload Refused(int status, std::string problem) {
    return Payload{{}, status, std::move(problem)};
}

std::string CannotRead(const std::string& name, int number) {
    return "cannot read " + name + ": " + std::strerror(number);
}

// At most MaxPayloadBytes + 1 bytes, through short reads and interrupted calls.
Payload ReadBounded(int fd, const std::string& name) {
    Payload payload;
    payload.bytes.resize(MaxPayloadBytes + 1);
    std::size_t filled = 0;
    while (filled < payload.bytes.size()) {
        const ssize_t n = ::read(fd, payload.bytes.data() + filled, payload.bytes.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Refused(ExitBadUsage, CannotRead(name, errno));
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > MaxPayloadBytes)
        return Refused(ExitDoesNotFit, name + " is longer than " + std::to_string(MaxPayloadBytes) +
                                           " bytes, more than any symbol holds");
    payload.bytes.resize(filled);
    return payload;
}

// Regular files, pipes and character devices (a terminal, /dev/null) can be read as a stream;
// a folder or a block device is not a payload.
bool IsReadableKind(mode_t mode) {
    return S_ISREG(mode) || S_ISFIFO(mode) || S_ISCHR(mode);
}

} // namespace

Payload FromFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Refused(ExitBadUsage, CannotRead(fileName, errno));
    struct stat st {};
    Payload payload;
    if (::fstat(fd, &st) != 0)
        payload = Refused(ExitBadUsage, CannotRead(fileName, errno));
    else if (!IsReadableKind(st.st_mode))
        payload =
            Refused(ExitBadUsage, "cannot read " + fileName + ": not a file, pipe or terminal");
    else
        payload = ReadBounded(fd, fileName);
    ::close(fd);
    return payload;
}

Payload FromStandardInput() {
    return ReadBounded(STDIN_FILENO, "standard input");
}

} // namespace PayloadInput
