#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// The progress bar on standard error (only when it is a terminal) and the lines that must
// not be torn by it.
class Progress {
  public:
    // total 0: not known (rows from a pipe).
    Progress(std::size_t total, bool showBar);

    void RowDone();
    // A whole line on standard error, with the bar cleared first and drawn again after.
    void Report(const std::string& line);
    // Clears the bar for good.
    void Finish();
    double Seconds() const;

    // "[#####-----] 50/100  123.4 rows/s  0:03 left", or "50 rows  123.4 rows/s" when the
    // total is not known.
    static std::string BarText(std::size_t done, std::size_t total, double seconds, int width);

  private:
    void draw();
    void clear();

    std::size_t total_;
    std::size_t done_ = 0;
    bool showBar_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};
