#pragma once

#include <QString>

#include <cstddef>
#include <functional>

class clsQRCode;

// Makes one row, all of it: encoding, drawing, checking and writing the file; returns its error,
// empty on success. Each thread passes its own encoder, which is never shared between threads.
using RowTask = std::function<QString(clsQRCode& encoder, std::size_t row)>;
// Told about every row exactly once, in row order whatever order the rows finish in, one call
// at a time.
using RowFinished = std::function<void(std::size_t row, const QString& error)>;

// Runs rows 0 … count-1 on `jobs` (at least one) threads. A row's picture may take a gigabyte
// to draw and encode, so no more rows than that are ever in hand at once.
void RunRows(std::size_t count, int jobs, const RowTask& task, const RowFinished& finished);
