#include "cli/batch/StoppableInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

StoppableInput::StoppableInput(FileAccess::Descriptor descriptor, bool (*stopped)())
    : descriptor_(std::move(descriptor)), stopped_(stopped) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

// 0 at the end of the input and when asked to stop, -1 on a read error.
qint64 StoppableInput::readData(char* data, qint64 maxSize) {
    pollfd ready{descriptor_.get(), POLLIN, 0};
    for (;;) {
        if (stopped_ && stopped_()) return 0;
        const int polled = ::poll(&ready, 1, 100);
        if (polled < 0 && errno != EINTR) break;
        if (polled <= 0) continue;
        const ssize_t got = ::read(descriptor_.get(), data, std::size_t(maxSize));
        if (got >= 0) return got;
        if (errno != EINTR && errno != EAGAIN) break;
    }
    setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
    return -1;
}
