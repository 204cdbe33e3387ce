#include "FilePlacement.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace FilePlacement {

using namespace ExportOutcome;

namespace {

// Closes a descriptor we opened, on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

QString systemError(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

QByteArray local(const QString& name) {
    return QFile::encodeName(name);
}

// Every byte, through short writes and interrupted calls; errno is kept on failure.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= n;
    }
    return true;
}

// A folder made on the way to a file, so that it can be removed again when the file fails.
struct MadeFolder {
    int parent; // open for as long as the place is
    QByteArray name;
};

// The folder that will hold the file and the file's own name in it.
struct Place_ {
    Descriptor folder;
    std::vector<Descriptor> outerFolders; // the folders on the way, kept open
    std::vector<MadeFolder> made;         // the folders this placement created, outermost first
    int folderFd = AT_FDCWD;
    QByteArray name;
    QString shownName;
    QString error;
    QString english; // the error in the command line's words
};

// A relative name inside an open folder, one part at a time: no part may be a symbolic link,
// and missing folders are made, so nothing is ever written outside the folder.
Place_ folderInside(int root, const QString& relative) {
    Place_ place;
    place.shownName = relative;
    const QStringList parts = relative.split(QLatin1Char('/'));
    int current = root;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QByteArray part = local(parts[i]);
        if (part.isEmpty() || part == "." || part == "..") {
            place.error = QStringLiteral("无法创建文件 %1: 名称不合法").arg(relative);
            place.english = QStringLiteral("cannot create %1: not a valid name").arg(relative);
            return place;
        }
        const bool createdHere = ::mkdirat(current, part.constData(), 0777) == 0;
        if (!createdHere && errno != EEXIST) {
            const int number = errno;
            place.error = QStringLiteral("无法创建文件 %1: %2").arg(relative, systemError(number));
            place.english =
                QStringLiteral("cannot create %1: %2").arg(relative, systemError(number));
            return place;
        }
        if (createdHere) place.made.push_back({current, part});
        Descriptor next(
            ::openat(current, part.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            const int number = errno;
            const bool notFolder = number == ELOOP || number == ENOTDIR;
            place.error =
                notFolder
                    ? QStringLiteral("无法创建文件 %1: %2 是符号链接或不是文件夹")
                          .arg(relative, parts[i])
                    : QStringLiteral("无法创建文件 %1: %2").arg(relative, systemError(number));
            place.english =
                notFolder
                    ? QStringLiteral("cannot create %1: %2 is a symbolic link or not a folder")
                          .arg(relative, parts[i])
                    : QStringLiteral("cannot create %1: %2").arg(relative, systemError(number));
            return place;
        }
        if (place.folder.valid()) place.outerFolders.push_back(std::move(place.folder));
        place.folder = std::move(next);
        current = place.folder.get();
    }
    place.folderFd = current;
    place.name = local(parts.last());
    return place;
}

// An ordinary file name: a symbolic link at the name is followed, as editors do, so that the
// file it points to is the one replaced.
Place_ folderOfPath(const QString& path) {
    Place_ place;
    place.shownName = path;
    QString real = path;
    const QFileInfo info(path);
    if (info.isSymLink()) real = info.symLinkTarget();
    const QFileInfo resolved(real);
    place.folder =
        Descriptor(::open(local(resolved.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!place.folder.valid()) {
        const int number = errno;
        place.error = QStringLiteral("无法创建文件 %1: %2").arg(path, systemError(number));
        place.english = QStringLiteral("cannot create %1: %2").arg(path, systemError(number));
        return place;
    }
    place.folderFd = place.folder.get();
    place.name = local(resolved.fileName());
    return place;
}

// What stands at the name now: nothing, or a regular file (whose permissions are kept).
struct Existing {
    bool exists = false;
    mode_t mode = 0;
    QString refusal;
    QString english = {};
};

Existing existingAt(const Place_& place) {
    struct stat st {};
    if (::fstatat(place.folderFd, place.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
    if (!S_ISREG(st.st_mode))
        return Existing{true, 0,
                        QStringLiteral("无法创建文件 %1: 目标已存在且不是普通文件，不会被替换")
                            .arg(place.shownName),
                        QStringLiteral("cannot create %1: something other than a regular file is "
                                       "there, and it is not replaced")
                            .arg(place.shownName)};
    return Existing{true, st.st_mode & 07777, {}};
}

QByteArray temporaryName(const QByteArray& name) {
    return '.' + name.left(200) + '.' +
           QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
}

SaveOutcome placeInFolder(const QByteArray& bytes, const Place_& place) {
    const Existing existing = existingAt(place);
    if (!existing.refusal.isEmpty())
        return Failure(CannotCreateFile, existing.refusal, existing.english);
    QByteArray temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = temporaryName(place.name);
        file = Descriptor(::openat(place.folderFd, temporary.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.valid() && errno != EEXIST) break;
    }
    if (!file.valid()) {
        const int number = errno;
        return Failure(
            CannotCreateFile,
            QStringLiteral("无法创建文件 %1: %2").arg(place.shownName, systemError(number)),
            QStringLiteral("cannot create %1: %2").arg(place.shownName, systemError(number)));
    }
    const auto discard = [&] { ::unlinkat(place.folderFd, temporary.constData(), 0); };
    if (existing.exists) ::fchmod(file.get(), existing.mode);
    // The data reaches the disk before the name does, so a crash never leaves an empty file.
    if (!writeAll(file.get(), bytes) || ::fsync(file.get()) != 0) {
        const int number = errno;
        discard();
        return Failure(
            WriteFailed,
            QStringLiteral("写入文件 %1 失败: %2").arg(place.shownName, systemError(number)),
            QStringLiteral("cannot write %1: %2").arg(place.shownName, systemError(number)));
    }
    if (::renameat(place.folderFd, temporary.constData(), place.folderFd, place.name.constData()) !=
        0) {
        const int number = errno;
        discard();
        return Failure(
            CommitFailed,
            QStringLiteral("无法完成文件 %1: %2").arg(place.shownName, systemError(number)),
            QStringLiteral("cannot finish %1: %2").arg(place.shownName, systemError(number)));
    }
    return SaveOutcome{true, NoError, {}};
}

SaveOutcome placeOnStandardOutput(const QByteArray& bytes) {
    if (!writeAll(STDOUT_FILENO, bytes))
        return Failure(WriteFailed, QStringLiteral("写入标准输出失败: %1").arg(systemError(errno)),
                       QStringLiteral("cannot write standard output: %1").arg(systemError(errno)));
    return SaveOutcome{true, NoError, {}};
}

// Removes the folders a failed placement made, innermost first; one that is no longer empty
// (something else was put there meanwhile) stays.
void removeMadeFolders(const Place_& place) {
    for (auto made = place.made.rbegin(); made != place.made.rend(); ++made)
        ::unlinkat(made->parent, made->name.constData(), AT_REMOVEDIR);
}

} // namespace

SaveOutcome Place(const QByteArray& bytes, const Target& target) {
    if (target.standardOutput) return placeOnStandardOutput(bytes);
    if (target.path.isEmpty() || target.path.endsWith(QLatin1Char('/')))
        return Failure(CannotCreateFile,
                       QStringLiteral("无法创建文件 \"%1\": 名称为空").arg(target.path),
                       QStringLiteral("cannot create \"%1\": the name is empty").arg(target.path));
    const Place_ place = target.directory == AT_FDCWD ? folderOfPath(target.path)
                                                      : folderInside(target.directory, target.path);
    SaveOutcome outcome = place.error.isEmpty()
                              ? placeInFolder(bytes, place)
                              : Failure(CannotCreateFile, place.error, place.english);
    if (!outcome.written) removeMadeFolders(place);
    return outcome;
}

} // namespace FilePlacement
