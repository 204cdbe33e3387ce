#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// quorlik-qr run with arguments as raw bytes (names that are not UTF-8), optionally as an
// ordinary user, with standard output captured, closed or on /dev/full, and with the running
// process at hand to be signalled.
struct ByteRun {
    int status = -1; // exit status; -1 when ended by a signal
    int signal = 0;  // the signal that ended it
    std::string out;
    std::string err;
};

enum class StandardOutput { Captured, Closed, Full };

struct ByteSetup {
    bool ordinaryUser = false; // run as "nobody" when the tests run as root
    StandardOutput output = StandardOutput::Captured;
    std::string workingDirectory;
};

class RunningTool {
  public:
    RunningTool(const std::vector<std::string>& arguments, const ByteSetup& setup = {});
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    pid_t pid() const { return pid_; }
    // Waits for the end and collects what was written.
    ByteRun Finish();

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

ByteRun RunBytes(const std::vector<std::string>& arguments, const ByteSetup& setup = {});
