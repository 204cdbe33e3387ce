#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file names a batch has given out, and the row that took each first, in memory that does
// not depend on how long the names are. A row named by its own number (the usual case: no file
// column) is one bit. Any other name is kept as a 128-bit hash (the first half of its SHA-256),
// some 20 to 40 bytes whatever it holds; two different names agree on all 128 bits with a chance of
// about 10^-27 in a run of a million.
class NameRegister {
  public:
    // The row that took `name` earlier, or 0 after giving it to `row` (at least 1, rows in
    // increasing order).
    int Claim(const std::string& name, int row);

  private:
    int claimHashed(const std::string& name, int row, bool insert);

    struct Slot {
        std::uint32_t hash[4] = {};
        std::int32_t row = 0; // 0: empty
    };
    void grow();
    std::size_t place(const Slot& key) const;

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::vector<bool> ownNumber_; // [row]: the row took its own number as its name
};
