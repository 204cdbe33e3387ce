#include "cli/core/batch/StoppableInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

StoppableInput::StoppableInput(FileAccess::Descriptor descriptor, bool (*stopped)())
    : descriptor_(std::move(descriptor)), stopped_(stopped) {}

long StoppableInput::Read(char* data, std::size_t size, std::string& error) {
    pollfd ready{descriptor_.get(), POLLIN, 0};
    for (;;) {
        if (stopped_ && stopped_()) return 0;
        const int polled = ::poll(&ready, 1, 100);
        if (polled < 0 && errno != EINTR) break;
        if (polled <= 0) continue;
        const ssize_t got = ::read(descriptor_.get(), data, size);
        if (got >= 0) return long(got);
        if (errno != EINTR && errno != EAGAIN) break;
    }
    error = std::strerror(errno);
    return -1;
}
