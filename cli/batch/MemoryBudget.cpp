#include "MemoryBudget.h"

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

} // namespace

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
