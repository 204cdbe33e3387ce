#pragma once

#include <QString>

#include <optional>
#include <utility>

// A descriptor this program opened, closed on every way out.
class OwnedDescriptor {
  public:
    explicit OwnedDescriptor(int fd = -1) : fd_(fd) {}
    ~OwnedDescriptor();
    OwnedDescriptor(OwnedDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int get() const { return fd_; }
    // Hands the descriptor on (to a QFile that closes it).
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

struct OpenedFile {
    OwnedDescriptor descriptor;
    QString error; // empty when opened
};

// The CSV: a regular file or a pipe (a FIFO, process substitution, /dev/stdin from a pipe).
// Devices, folders and sockets are refused before they are read.
OpenedFile OpenCsvInput(const QString& path);

// The output folder, opened once; every row is placed relative to this descriptor. Refused when
// it is not a folder or when a file cannot be created in it (read-only, no permission).
OpenedFile OpenOutputFolder(const QString& path);

// A regular file, for inputs read whole (the logo); empty when it is one.
QString ProblemWithRegularFile(const QString& path);
