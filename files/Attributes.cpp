#include "files/Attributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Extended attributes are copied by hand with the system's own calls: the ACL travels as one of
// them, so this one loop keeps both, and the command-line core needs no library for it.
namespace FileAccess::Internal {
namespace {

// A list or a value that may grow between asking for its size and reading it.
template <typename Call> std::optional<std::string> ReadSized(Call call) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) return std::nullopt;
        std::string buffer(static_cast<std::size_t>(size), '\0');
        const ssize_t got = call(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return std::nullopt;
        buffer.resize(static_cast<std::size_t>(got));
        return buffer;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> AttributeNames(int fd) {
    const std::optional<std::string> list =
        ReadSized([fd](char* out, std::size_t size) { return ::flistxattr(fd, out, size); });
    if (!list) {
        if (errno == ENOTSUP) return std::vector<std::string>{}; // a file system without them
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list->size();) {
        const std::size_t end = std::min(list->find('\0', start), list->size());
        if (end > start) names.push_back(list->substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::optional<std::string> AttributeValue(int fd, const std::string& name) {
    return ReadSized(
        [&](char* out, std::size_t size) { return ::fgetxattr(fd, name.c_str(), out, size); });
}

bool CopyExtendedAttributes(int old, int replacement) {
    const auto oldNames = AttributeNames(old);
    const auto newNames = AttributeNames(replacement);
    if (!oldNames || !newNames) return false;
    // What the new file was given on its own and the old one did not have (an ACL from the
    // folder's default) is taken away again.
    for (const std::string& name : *newNames)
        if (std::find(oldNames->begin(), oldNames->end(), name) == oldNames->end() &&
            ::fremovexattr(replacement, name.c_str()) != 0 && errno != ENODATA)
            return false;
    for (const std::string& name : *oldNames) {
        const std::optional<std::string> value = AttributeValue(old, name);
        if (!value) return false;
        if (AttributeValue(replacement, name) == value) continue; // a label both already carry
        if (::fsetxattr(replacement, name.c_str(), value->data(), value->size(), 0) != 0)
            return false;
    }
    return true;
}

bool CopyOwner(int replacement, const struct stat& old) {
    struct stat now {};
    if (::fstat(replacement, &now) != 0) return false;
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
    return ::fchown(replacement, old.st_uid, old.st_gid) == 0;
}

} // namespace

bool CopyAttributes(int old, const struct stat& oldStatus, int replacement) {
    // The mode comes last: giving a file away clears its set-user-ID and set-group-ID bits.
    return CopyOwner(replacement, oldStatus) && CopyExtendedAttributes(old, replacement) &&
           ::fchmod(replacement, oldStatus.st_mode & 07777) == 0;
}

mode_t NewFileMode() {
    // The kernel tells the umask without changing it (Linux 4.7 and later): setting it to read
    // it would change the mode of files other threads are making at that moment.
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return 0666 & ~static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace FileAccess::Internal
