#include "files/FileAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace FileAccess {

void ReserveStandardDescriptors() noexcept {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lowest free descriptor is this one, as 0 … fd-1 are open by now.
        const int opposite = fd == STDIN_FILENO ? O_WRONLY : O_RDONLY;
        const int opened = ::open("/dev/null", opposite);
        if (opened >= 0 && opened != fd) ::close(opened);
    }
}

} // namespace FileAccess
