#include "cli/core/batch/StopRequest.h"

#include "files/FileAccess.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace StopRequest {

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> stopSignal{0};
std::atomic<bool> diskFull{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "read and written by a signal handler");

void OnStopSignal(int number) {
    int none = 0;
    if (stopSignal.compare_exchange_strong(none, number)) return;
    FileAccess::RemoveTemporaryFiles();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

struct sigaction previous[std::size(StopSignals)];

} // namespace

void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(StopSignals); ++i) {
        ::sigaction(StopSignals[i], nullptr, &previous[i]);
        // A signal ignored by whoever started us (nohup, a background job) stays ignored.
        if (previous[i].sa_handler != SIG_IGN) ::sigaction(StopSignals[i], &action, nullptr);
    }
}

void ReleaseSignals() {
    for (std::size_t i = 0; i < std::size(StopSignals); ++i)
        ::sigaction(StopSignals[i], &previous[i], nullptr);
}

int Signal() {
    return stopSignal.load();
}

bool ForFullDisk() {
    return !diskFull.exchange(true);
}

bool Requested() {
    return stopSignal.load() != 0 || diskFull.load();
}

} // namespace StopRequest
