#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <semaphore>

class clsQRCode;

// At most `jobs` rows compute at once; more threads than that may be waiting on the disk
// (each written file is flushed before it is renamed, which takes milliseconds on real disks).
class ComputeGate {
  public:
    explicit ComputeGate(int count) : slots_(count) {}
    void Enter() { slots_.acquire(); }
    void Leave() { slots_.release(); }

  private:
    std::counting_semaphore<> slots_;
};

// Holds a compute slot for its lifetime.
class ComputeTurn {
  public:
    explicit ComputeTurn(ComputeGate& gate) : gate_(gate) { gate_.Enter(); }
    ~ComputeTurn() { gate_.Leave(); }
    ComputeTurn(const ComputeTurn&) = delete;
    ComputeTurn& operator=(const ComputeTurn&) = delete;

  private:
    ComputeGate& gate_;
};

// Makes one row; returns its error, empty on success. Each thread passes its own encoder, which
// is never shared between threads; the task holds a ComputeTurn while it computes.
using RowTask = std::function<QString(clsQRCode& encoder, ComputeGate& gate, std::size_t row)>;
// Told about every row exactly once, in row order whatever order the rows finish in, one call
// at a time.
using RowFinished = std::function<void(std::size_t row, const QString& error)>;

// Threads per compute slot: enough to keep the processors busy while others wait on the disk.
constexpr int ThreadsPerJob = 4;

// Runs rows 0 … count-1 with `jobs` (at least one) computing at once.
void RunRows(std::size_t count, int jobs, const RowTask& task, const RowFinished& finished);
