#include "files/Errors.h"

#include <cerrno>
#include <unistd.h>

namespace FileAccess {

void Descriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

namespace Internal {

ErrorKind KindOf(int number) {
    switch (number) {
    case ENOENT: return ErrorKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorKind::AccessDenied;
    case ENOTDIR: return ErrorKind::NotAFolder;
    case EISDIR: return ErrorKind::WrongKind;
    case ENOSPC:
    case EDQUOT: return ErrorKind::NoSpace;
    case EFBIG: return ErrorKind::FileTooBig;
    case EPIPE: return ErrorKind::BrokenPipe;
    default: return ErrorKind::System;
    }
}

Error Failure(Step step, const std::string& path, int number) {
    return Failure(step, path, KindOf(number), number);
}

Error Failure(Step step, const std::string& path, ErrorKind kind, int number) {
    Error error;
    error.kind = kind;
    error.number = number;
    error.step = step;
    error.path = path;
    return error;
}

Error StreamFailure(Step step, std::string_view stream, int number) {
    Error error = Failure(step, {}, number);
    error.stream = std::string(stream);
    return error;
}

} // namespace Internal
} // namespace FileAccess
