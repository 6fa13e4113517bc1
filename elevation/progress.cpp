#include "elevation/progress.h"

#include <iomanip>
#include <ostream>
#include <sstream>

namespace elevation {

namespace {
constexpr double kPercent = 100.0;
}

Progress::Progress(std::ostream& out, std::string task, Interval interval)
    : out_(out), task_(std::move(task)), interval_(interval), reporter_([this] { report(); }) {}

Progress::~Progress() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    wake_.notify_one();
    reporter_.join();
    if (spoke_) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start_;
        // Formatted apart so that the caller's stream keeps its own precision.
        std::ostringstream seconds;
        seconds << std::fixed << std::setprecision(1) << took.count();
        out_ << task_ << ": done in " << seconds.str() << " s" << std::endl;
    }
}

void Progress::advance(std::uint64_t done, std::uint64_t total) {
    total_ = total;
    done_ = done;
}

void Progress::report() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return finished_; })) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        const std::uint64_t total = total_, done = done_;
        out_ << task_ << ": ";
        if (total > 0)
            out_ << static_cast<int>(kPercent * static_cast<double>(done) / static_cast<double>(total)) << "%";
        else
            out_ << static_cast<int>(elapsed.count()) << " s";
        out_ << std::endl;
        spoke_ = true;
    }
}

}  // namespace elevation
