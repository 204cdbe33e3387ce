#pragma once

#include <cstddef>
#include <string>

// The temporary files of replacements in progress, in a fixed table that a signal handler can
// walk without allocating or locking.
namespace FileAccess::Internal {

// Holds a table entry for one temporary file from creation until it is renamed or removed.
class TemporaryFile {
  public:
    // Names longer than MaxNameBytes are not registered (and are never made: see Replacing).
    static constexpr std::size_t MaxNameBytes = 255;

    TemporaryFile(int folder, const std::string& name);
    ~TemporaryFile() { Forget(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // The file no longer exists under its temporary name.
    void Forget() noexcept;

  private:
    int slot_ = -1;
};

} // namespace FileAccess::Internal
