#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

// The memory the rows in flight may hold together, shared by all jobs: a row takes its share
// before it draws its picture and gives it back once its file is placed, so more jobs never
// mean more memory than the batch may use. A row that needs more than the whole budget fails.
class MemoryBudget {
  public:
    explicit MemoryBudget(std::size_t bytes) : total_(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // For this process running `jobs` rows at once: half the machine's memory, and no more than
    // three quarters of what an address-space limit (ulimit -v) leaves beside what the process
    // already maps and each job's own heap and stack, nor of what the memory limit of its
    // control group (a container's) leaves.
    static std::size_t ForThisProcess(int jobs);

    // The memory limit of the control group named in `listing` (the text of /proc/self/cgroup)
    // less what the group uses, read from the control-group folders under `root`; nothing when
    // the group has no limit or it cannot be read. Version 2 and version 1 layouts.
    static std::optional<std::size_t> ControlGroupRoom(const std::string& listing,
                                                       const std::string& root);

    std::size_t Total() const { return total_; }

    // Gives its bytes back when it ends.
    class Share {
      public:
        Share() = default;
        Share(MemoryBudget* budget, std::size_t bytes) : budget_(budget), bytes_(bytes) {}
        Share(Share&& other) noexcept;
        Share& operator=(Share&& other) noexcept;
        ~Share();

      private:
        MemoryBudget* budget_ = nullptr;
        std::size_t bytes_ = 0;
    };

    // Waits until `bytes` fit beside the shares of the other rows; nothing when they exceed
    // the whole budget and never can.
    std::optional<Share> Take(std::size_t bytes);

  private:
    void giveBack(std::size_t bytes);

    const std::size_t total_;
    std::size_t used_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
};
