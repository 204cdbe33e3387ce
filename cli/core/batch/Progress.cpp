#include "cli/core/batch/Progress.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);
constexpr int BarWidth = 30;

std::string Clock(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

Progress::Progress(std::size_t total, bool showBar)
    : total_(total), showBar_(showBar), start_(std::chrono::steady_clock::now()),
      lastDraw_(start_ - RedrawInterval) {}

void Progress::RowDone() {
    ++done_;
    if (!showBar_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < RedrawInterval && (total_ == 0 || done_ < total_)) return;
    lastDraw_ = now;
    draw();
}

void Progress::Report(const std::string& line) {
    clear();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (showBar_) draw();
}

void Progress::Finish() {
    clear();
}

double Progress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::BarText(std::size_t done, std::size_t total, double seconds, int width) {
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char numbers[128];
    if (total == 0) {
        std::snprintf(numbers, sizeof numbers, "%zu rows  %.0f rows/s", done, rate);
        return numbers;
    }
    const std::size_t filled = std::min(done, total) * static_cast<std::size_t>(width) / total;
    const std::string left =
        rate > 0 ? Clock(static_cast<double>(total - done) / rate) + " left" : "-:-- left";
    std::snprintf(numbers, sizeof numbers, "] %zu/%zu  %.0f rows/s  %s", done, total, rate,
                  left.c_str());
    return '[' + std::string(filled, '#') + std::string(width - filled, '-') + numbers;
}

void Progress::draw() {
    std::fprintf(stderr, "\r%s\x1b[K", BarText(done_, total_, Seconds(), BarWidth).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\x1b[K");
    drawn_ = false;
}
