#include "BatchFiles.h"

#include "Quoted.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

QString CannotOpen(const QString& what, const QString& path, int number) {
    return QStringLiteral("cannot open the %1 %2: %3")
        .arg(what, QuotedText(path), SystemError(number));
}

bool IsReadableKind(mode_t mode) {
    return S_ISREG(mode) || S_ISFIFO(mode);
}

QString NotReadable(const QString& path) {
    return QStringLiteral("the CSV %1 is not a regular file or a pipe").arg(QuotedText(path));
}

// Creates and removes a file of our own, so that a folder where nothing can be written stops the
// run once instead of failing every row.
QString ProblemWritingIn(int folder, const QString& path) {
    const QByteArray name =
        ".quorlik-write-check-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    const int fd = ::openat(folder, name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return QStringLiteral("cannot write in the folder %1: %2")
            .arg(QuotedText(path), SystemError(errno));
    ::close(fd);
    ::unlinkat(folder, name.constData(), 0);
    return {};
}

} // namespace

OwnedDescriptor::~OwnedDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

OpenedFile OpenCsvInput(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return {OwnedDescriptor(), CannotOpen("CSV", path, errno)};
    // Looked at before opening: opening a device can already do something (rewind a tape).
    if (!IsReadableKind(st.st_mode)) return {OwnedDescriptor(), NotReadable(path)};
    OwnedDescriptor fd(::open(name.constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return {OwnedDescriptor(), CannotOpen("CSV", path, errno)};
    // The name may have been swapped between the look and the open.
    if (::fstat(fd.get(), &st) != 0 || !IsReadableKind(st.st_mode))
        return {OwnedDescriptor(), NotReadable(path)};
    return {std::move(fd), {}};
}

OpenedFile OpenOutputFolder(const QString& path) {
    OwnedDescriptor folder(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
        const int number = errno;
        struct stat st {};
        if (number == ENOTDIR && ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
            !S_ISDIR(st.st_mode))
            return {OwnedDescriptor(), QStringLiteral("not a folder: %1").arg(QuotedText(path))};
        if (number == ENOENT || number == ENOTDIR)
            return {OwnedDescriptor(), QStringLiteral("no such folder: %1").arg(QuotedText(path))};
        return {OwnedDescriptor(), CannotOpen("folder", path, number)};
    }
    if (QString problem = ProblemWritingIn(folder.get(), path); !problem.isEmpty())
        return {OwnedDescriptor(), problem};
    return {std::move(folder), {}};
}

QString ProblemWithRegularFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return SystemError(errno);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("not a regular file");
    return {};
}
