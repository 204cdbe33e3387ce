#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// Bounded, non-blocking reading of other programs' configuration files. Such a file may be
// anything: a link to /dev/zero, a FIFO, a profile of millions of lines. Only regular files are
// read, never more than MaxBytes of them, and a parsed file is parsed again only when it changes.
namespace ConfigFile {

// Far more than any real profile, .conf or component file; a longer file is read this far.
constexpr qsizetype MaxBytes = 256 * 1024;

// One version of a file or folder: a change to any member means it must be read again.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::int64_t modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
};

// The stamp of a regular file (links followed); nullopt for anything else or nothing.
std::optional<Stamp> RegularFileStamp(const QString& path);
std::optional<Stamp> FolderStamp(const QString& path);

struct Contents {
    Stamp stamp;
    // At most maxBytes; a file cut there ends at its last whole line.
    QByteArray bytes;
};

// Opens without blocking (a FIFO or device never stalls us) and reads only a regular file.
std::optional<Contents> ReadRegular(const QString& path, qsizetype maxBytes = MaxBytes);

// The names in a folder that end in suffix, sorted, at most maxNames of them, looking at no more
// than maxEntries directory entries.
QStringList ListFolder(const QString& path, const QString& suffix, int maxEntries, int maxNames);

// True when a change within the file system's timestamp granularity could hide behind stamp:
// such a file is read again even though its stamp matches.
bool RecentlyChanged(const Stamp& stamp, std::int64_t readAtNs);
std::int64_t NowNs();

// Parsed values of files by path, each parsed again only when its file changes.
template <typename T> class ParsedCache {
  public:
    using Parser = std::function<T(const QByteArray&)>;

    // Nullptr when path names no readable regular file.
    const T* Get(const QString& path, const Parser& parse) {
        const std::optional<Stamp> stamp = RegularFileStamp(path);
        auto found = slots_.find(path);
        if (!stamp) {
            if (found != slots_.end()) slots_.erase(found);
            return nullptr;
        }
        if (found != slots_.end() && found->second.stamp == *stamp &&
            !RecentlyChanged(*stamp, found->second.readAtNs))
            return &found->second.value;
        return reread(path, parse);
    }

  private:
    // Many more paths than a real configuration has; beyond it the cache starts afresh.
    static constexpr std::size_t MaxPaths = 4096;

    struct Slot {
        Stamp stamp;
        std::int64_t readAtNs = 0;
        T value;
    };

    const T* reread(const QString& path, const Parser& parse) {
        const std::int64_t readAt = NowNs();
        std::optional<Contents> contents = ReadRegular(path);
        if (!contents) {
            slots_.erase(path);
            return nullptr;
        }
        if (slots_.size() >= MaxPaths) slots_.clear();
        Slot& slot = slots_[path];
        slot = {contents->stamp, readAt, parse(contents->bytes)};
        return &slot.value;
    }

    std::map<QString, Slot> slots_;
};

} // namespace ConfigFile
