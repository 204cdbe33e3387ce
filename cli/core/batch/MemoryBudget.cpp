#include "cli/core/batch/MemoryBudget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// What each job's thread maps of its own: glibc reserves a 64 MB heap arena per thread, and
// the thread's stack takes 8 MB.
constexpr std::size_t PerJobMapping = std::size_t(72) << 20;

std::size_t PageSize() {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// The address space the process maps now (the first field of /proc/self/statm, in pages).
std::size_t MappedBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    unsigned long pages = 0;
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
    return pages * PageSize();
}

// The number a control-group file starts with; nothing for "max", an unreadable file, or a
// value so large that it stands for no limit.
std::optional<std::size_t> NumberInFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return std::nullopt;
    unsigned long long value = 0;
    const bool read = std::fscanf(file, "%llu", &value) == 1;
    std::fclose(file);
    if (!read || value >= (1ULL << 62)) return std::nullopt;
    return static_cast<std::size_t>(value);
}

std::optional<std::size_t> RoomIn(const std::string& folder, const char* limitFile,
                                  const char* usageFile) {
    const std::optional<std::size_t> limit = NumberInFile(folder + '/' + limitFile);
    if (!limit) return std::nullopt;
    const std::size_t used = NumberInFile(folder + '/' + usageFile).value_or(0);
    return *limit > used ? *limit - used : 0;
}

// The path of line "ID:CONTROLLERS:PATH" when its controllers are `controllers` exactly or
// contain "memory" (version 1), for version 2 the line "0::PATH".
std::optional<std::string> GroupPath(const std::string& listing, bool version2) {
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const bool matches = version2
                                 ? line.compare(0, first, "0") == 0 && controllers.empty()
                                 : (',' + controllers + ',').find(",memory,") != std::string::npos;
        if (matches) return line.substr(second + 1);
    }
    return std::nullopt;
}

std::string ReadSmallFile(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file) return {};
    std::string text(8192, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

} // namespace

std::optional<std::size_t> MemoryBudget::ControlGroupRoom(const std::string& listing,
                                                          const std::string& root) {
    if (const std::optional<std::string> path = GroupPath(listing, true))
        if (auto room = RoomIn(root + *path, "memory.max", "memory.current")) return room;
    if (const std::optional<std::string> path = GroupPath(listing, false))
        return RoomIn(root + "/memory" + *path, "memory.limit_in_bytes", "memory.usage_in_bytes");
    return std::nullopt;
}

std::size_t MemoryBudget::ForThisProcess(int jobs) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    std::size_t budget =
        pages > 0 ? static_cast<std::size_t>(pages) * PageSize() / 2 : std::size_t(1) << 30;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::size_t taken = MappedBytes() + std::size_t(std::max(jobs, 1)) * PerJobMapping;
        const std::size_t room = limit.rlim_cur > taken ? limit.rlim_cur - taken : 0;
        budget = std::min(budget, room / 4 * 3);
    }
    const std::optional<std::size_t> group =
        ControlGroupRoom(ReadSmallFile("/proc/self/cgroup"), "/sys/fs/cgroup");
    if (group) budget = std::min(budget, *group / 4 * 3);
    return budget;
}

MemoryBudget::Share::Share(Share&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

MemoryBudget::Share& MemoryBudget::Share::operator=(Share&& other) noexcept {
    if (this != &other) {
        if (budget_) budget_->giveBack(bytes_);
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

MemoryBudget::Share::~Share() {
    if (budget_) budget_->giveBack(bytes_);
}

std::optional<MemoryBudget::Share> MemoryBudget::Take(std::size_t bytes) {
    if (bytes > total_) return std::nullopt;
    std::unique_lock<std::mutex> lock(mutex_);
    released_.wait(lock, [&] { return used_ + bytes <= total_; });
    used_ += bytes;
    return Share(this, bytes);
}

void MemoryBudget::giveBack(std::size_t bytes) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        used_ -= bytes;
    }
    released_.notify_all();
}
