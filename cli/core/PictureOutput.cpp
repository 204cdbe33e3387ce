#include "PictureOutput.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace PictureOutput {
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
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

std::string SystemError(int number) {
    return std::strerror(number);
}

// Every byte, through short writes and interrupted calls; errno is kept on failure.
bool WriteAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= std::size_t(n);
    }
    return true;
}

// A symbolic link at the name is followed one step, as editors do, so that the file it points
// to is the one replaced.
std::string ResolvedName(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length <= 0) return path;
    const std::string link(target, std::size_t(length));
    if (link.front() == '/') return link;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
}

std::string FolderOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

std::string BaseOf(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string TemporaryName(const std::string& name) {
    unsigned long long random = 0;
    if (::getrandom(&random, sizeof random, 0) != sizeof random) random = ::getpid();
    std::string suffix;
    do {
        suffix.insert(suffix.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[random % 36]);
        random /= 36;
    } while (random != 0);
    return '.' + name.substr(0, 200) + '.' + suffix + ".tmp";
}

} // namespace

std::string ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::string cannotCreate = "无法创建文件 " + path + ": ";
    if (path.empty() || path.back() == '/') return "无法创建文件 \"" + path + "\": 名称为空";
    const std::string resolved = ResolvedName(path);
    const Descriptor folder(::open(FolderOf(resolved).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return cannotCreate + SystemError(errno);
    const std::string name = BaseOf(resolved);
    struct stat st {};
    const bool exists = ::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return cannotCreate + "目标已存在且不是普通文件，不会被替换";
    std::string temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = TemporaryName(name);
        file.reset(::openat(folder.get(), temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.valid() && errno != EEXIST) break;
    }
    if (!file.valid()) return cannotCreate + SystemError(errno);
    if (exists) ::fchmod(file.get(), st.st_mode & 07777);
    // One file of a one-shot command is not synced, as no Unix tool syncs it: the rename makes
    // the replacement whole or nothing, and a sync would cost more than the whole run.
    if (!WriteAll(file.get(), bytes)) {
        const int number = errno;
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return "写入文件 " + path + " 失败: " + SystemError(number);
    }
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
        const int number = errno;
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return "无法完成文件 " + path + ": " + SystemError(number);
    }
    return {};
}

std::string WriteStandardOutput(const std::string& bytes) {
    if (!WriteAll(STDOUT_FILENO, bytes)) return "写入标准输出失败: " + SystemError(errno);
    return {};
}

} // namespace PictureOutput
