#include "cli/core/batch/NameRegister.h"

#include "cli/core/batch/Sha256.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t FirstSlots = 1024;

bool SameHash(const std::uint32_t (&a)[4], const std::uint32_t (&b)[4]) {
    return std::equal(a, a + 4, b);
}

// A number the way rows are named by theirs: digits without a leading zero.
std::optional<int> RowNumberNamed(const std::string& name, int below) {
    if (name.empty() || name.size() > 10 || name.front() == '0') return {};
    long long number = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') return {};
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number >= below) return {};
    return int(number);
}

} // namespace

// Open addressing with linear probing, at most three quarters full.
std::size_t NameRegister::place(const Slot& key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = key.hash[0] & mask;
    while (slots_[i].row != 0 && !SameHash(slots_[i].hash, key.hash)) i = (i + 1) & mask;
    return i;
}

void NameRegister::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max(FirstSlots, old.size() * 2), Slot{});
    for (const Slot& slot : old)
        if (slot.row != 0) slots_[place(slot)] = slot;
}

int NameRegister::Claim(const std::string& name, int row) {
    if (name == std::to_string(row)) {
        // Only a name given out earlier can be in the way: an explicit one, in the hashes.
        if (const int first = claimHashed(name, row, false); first != 0) return first;
        if (ownNumber_.size() <= std::size_t(row)) ownNumber_.resize(std::size_t(row) * 2 + 2);
        ownNumber_[std::size_t(row)] = true;
        return 0;
    }
    if (const std::optional<int> number = RowNumberNamed(name, row);
        number && std::size_t(*number) < ownNumber_.size() && ownNumber_[std::size_t(*number)])
        return *number;
    return claimHashed(name, row, true);
}

int NameRegister::claimHashed(const std::string& name, int row, bool insert) {
    if (slots_.empty() && !insert) return 0;
    if (insert && (used_ + 1) * 4 > slots_.size() * 3) grow();
    Slot key;
    const std::array<std::uint8_t, 32> digest = Sha256(name);
    std::memcpy(key.hash, digest.data(), sizeof key.hash);
    Slot& slot = slots_[place(key)];
    if (slot.row != 0) return slot.row;
    if (!insert) return 0;
    key.row = row;
    slot = key;
    ++used_;
    return 0;
}
