#include "files/TemporaryFiles.h"

#include "files/FileAccess.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace FileAccess {

namespace {

// More than any number of jobs writes at once; a write beyond that is still made, only not
// removed by a signal.
constexpr int SlotCount = 1024;

enum SlotState : int { Free, Filling, Live };

struct Slot {
    std::atomic<int> state{Free};
    int folder = AT_FDCWD;
    char name[Internal::TemporaryFile::MaxNameBytes + 1] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the states");

Slot slots[SlotCount];
std::atomic<unsigned> nextSlot{0};

int Claim() {
    const unsigned start = nextSlot.fetch_add(1, std::memory_order_relaxed);
    for (int i = 0; i < SlotCount; ++i) {
        const int slot = static_cast<int>((start + static_cast<unsigned>(i)) % SlotCount);
        int expected = Free;
        if (slots[slot].state.compare_exchange_strong(expected, Filling)) return slot;
    }
    return -1;
}

} // namespace

namespace Internal {

TemporaryFile::TemporaryFile(int folder, const std::string& name) {
    if (name.size() > MaxNameBytes) return;
    slot_ = Claim();
    if (slot_ < 0) return;
    Slot& slot = slots[slot_];
    slot.folder = folder;
    std::memcpy(slot.name, name.c_str(), name.size() + 1);
    slot.state.store(Live, std::memory_order_release);
}

void TemporaryFile::Forget() noexcept {
    if (slot_ < 0) return;
    slots[slot_].state.store(Free, std::memory_order_release);
    slot_ = -1;
}

} // namespace Internal

void RemoveTemporaryFiles() noexcept {
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == Live)
            ::unlinkat(slot.folder, slot.name, 0);
}

namespace {

void RemoveAndDie(int number) {
    RemoveTemporaryFiles();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

} // namespace

void RemoveTemporaryFilesOnStopSignals() {
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        if (::sigaction(number, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
        action.sa_handler = RemoveAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(number, &action, nullptr);
    }
}

std::size_t TemporaryFilesInFlight() noexcept {
    std::size_t count = 0;
    for (const Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == Live) ++count;
    return count;
}

} // namespace FileAccess
