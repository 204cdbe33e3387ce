#pragma once

#include <QString>

#include <cstddef>
#include <functional>

class clsQRCode;

// Makes one row; returns its error, empty on success. Each worker thread passes its own encoder,
// which is never shared between threads.
using RowTask = std::function<QString(clsQRCode& encoder, std::size_t row)>;
// Told about every row exactly once, in row order whatever order the rows finish in, one call
// at a time.
using RowFinished = std::function<void(std::size_t row, const QString& error)>;

// Runs rows 0 … count-1 on `jobs` threads (at least one).
void RunRows(std::size_t count, int jobs, const RowTask& task, const RowFinished& finished);
