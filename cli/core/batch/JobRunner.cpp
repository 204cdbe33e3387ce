#include "cli/core/batch/JobRunner.h"

#include "encoder/clsQRCode.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Hands rows out in order and tells their results in order. Reading and planning a row happen
// under the lock, which costs little beside making one; a job may run ahead of the oldest row
// still computing by at most `window` rows.
class RowFlow {
  public:
    RowFlow(const RowSource& next, const RowFinished& finished, std::size_t window)
        : next_(next), finished_(finished), window_(window) {}

    // The next row and its place in the order; nothing when the rows have ended.
    std::optional<std::pair<std::size_t, PlannedRow>> Take() {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return ended_ || handedOut_ - told_ < window_; });
        if (ended_) return std::nullopt;
        std::optional<PlannedRow> row = next_();
        if (!row) {
            ended_ = true;
            room_.notify_all();
            return std::nullopt;
        }
        return std::pair{handedOut_++, std::move(*row)};
    }

    void Done(std::size_t place, PlannedRow row, RowResult result) {
        const std::lock_guard lock(mutex_);
        waiting_.emplace(place, std::pair{std::move(row), std::move(result)});
        for (auto first = waiting_.begin(); first != waiting_.end() && first->first == told_;
             first = waiting_.erase(first), ++told_)
            finished_(first->second.first, first->second.second);
        room_.notify_all();
    }

  private:
    const RowSource& next_;
    const RowFinished& finished_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable room_;
    std::size_t handedOut_ = 0;
    std::size_t told_ = 0;
    bool ended_ = false;
    std::map<std::size_t, std::pair<PlannedRow, RowResult>> waiting_;
};

} // namespace

void RunRows(const RowSource& next, int jobs, const RowTask& task, const RowFinished& finished) {
    const std::size_t threads = static_cast<std::size_t>(std::max(jobs, 1));
    RowFlow flow(next, finished, 4 * threads);
    const auto work = [&] {
        clsQRCode encoder;
        while (std::optional<std::pair<std::size_t, PlannedRow>> taken = flow.Take()) {
            RowResult result = task(encoder, taken->second);
            flow.Done(taken->first, std::move(taken->second), std::move(result));
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
}
