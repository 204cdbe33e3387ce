#include "cli/batch/JobRunner.h"

#include "encoder/clsQRCode.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Collects results as they come and hands them on in row order.
class InOrderReport {
  public:
    InOrderReport(std::size_t count, const RowFinished& finished)
        : results_(count), finished_(finished) {}

    void Add(std::size_t row, QString error) {
        const std::lock_guard<std::mutex> lock(mutex_);
        results_[row] = std::move(error);
        while (next_ < results_.size() && results_[next_]) {
            finished_(next_, *results_[next_]);
            results_[next_].reset();
            ++next_;
        }
    }

  private:
    std::mutex mutex_;
    std::vector<std::optional<QString>> results_;
    std::size_t next_ = 0;
    const RowFinished& finished_;
};

} // namespace

void RunRows(std::size_t count, int jobs, const RowTask& task, const RowFinished& finished) {
    InOrderReport report(count, finished);
    std::atomic<std::size_t> nextRow{0};
    const auto work = [&] {
        clsQRCode encoder;
        for (std::size_t row = nextRow++; row < count; row = nextRow++)
            report.Add(row, task(encoder, row));
    };
    const std::size_t threads = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)),
                                                        1, std::max<std::size_t>(count, 1));
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
}
