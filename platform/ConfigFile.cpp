#include "platform/ConfigFile.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace ConfigFile {
namespace {

// Network and FAT file systems keep times to two seconds; local ones to a clock tick.
constexpr std::int64_t TimestampGranularityNs = 2'000'000'000;

std::int64_t modifiedNs(const struct stat& status) {
    return std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

std::optional<Stamp> stampOfType(const struct stat& status, mode_t type) {
    if ((status.st_mode & S_IFMT) != type) return std::nullopt;
    return Stamp{status.st_dev, status.st_ino, status.st_size, modifiedNs(status)};
}

std::optional<Stamp> stampAt(const QString& path, mode_t type) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
    return stampOfType(status, type);
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Reads up to limit bytes; false on a read error.
bool readUpTo(int fd, qsizetype limit, QByteArray& bytes) {
    constexpr qsizetype Chunk = 64 * 1024;
    while (bytes.size() < limit) {
        const qsizetype before = bytes.size();
        const qsizetype wanted = std::min(Chunk, limit - before);
        bytes.resize(before + wanted);
        const ssize_t got = ::read(fd, bytes.data() + before, size_t(wanted));
        if (got < 0 && errno == EINTR) {
            bytes.resize(before);
            continue;
        }
        if (got < 0) return false;
        bytes.resize(before + got);
        if (got == 0) break;
    }
    return true;
}

// A line cut in the middle could read as another value ("wbx" as "wb"): drop it.
void cutAtLastWholeLine(QByteArray& bytes) {
    const qsizetype lastBreak = bytes.lastIndexOf('\n');
    bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
}

} // namespace

std::optional<Stamp> RegularFileStamp(const QString& path) {
    return stampAt(path, S_IFREG);
}

std::optional<Stamp> FolderStamp(const QString& path) {
    return stampAt(path, S_IFDIR);
}

std::optional<Contents> ReadRegular(const QString& path, qsizetype maxBytes) {
    const Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return std::nullopt;
    const std::optional<Stamp> stamp = stampOfType(status, S_IFREG);
    if (!stamp) return std::nullopt;
    Contents contents{*stamp, {}};
    // One byte past the limit tells a file that goes on from one that ends there.
    if (!readUpTo(file.get(), maxBytes + 1, contents.bytes)) return std::nullopt;
    if (contents.bytes.size() > maxBytes) {
        contents.bytes.truncate(maxBytes);
        cutAtLastWholeLine(contents.bytes);
    }
    return contents;
}

QStringList ListFolder(const QString& path, const QString& suffix, int maxEntries, int maxNames) {
    QStringList names;
    DIR* folder = ::opendir(QFile::encodeName(path).constData());
    if (folder == nullptr) return names;
    for (int seen = 0; seen < maxEntries; ++seen) {
        const dirent* entry = ::readdir(folder);
        if (entry == nullptr) break;
        const QString name = QFile::decodeName(entry->d_name);
        if (name.endsWith(suffix)) names << name;
    }
    ::closedir(folder);
    names.sort();
    if (names.size() > maxNames) names.resize(maxNames);
    return names;
}

bool RecentlyChanged(const Stamp& stamp, std::int64_t readAtNs) {
    return readAtNs - stamp.modifiedNs < TimestampGranularityNs;
}

std::int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace ConfigFile
