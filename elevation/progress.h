// Progress of a slow task on the console: nothing for a task that ends within a second,
// then a line each second (the share done, where it is known) and how long it took.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

namespace elevation {

class Progress {
public:
    using Interval = std::chrono::milliseconds;
    static constexpr Interval kSecond{1000};

    // Starts the clock for `task` ("reading N48E009.hgt"); lines go to `out` every `interval`.
    Progress(std::ostream& out, std::string task, Interval interval = kSecond);
    // Says how long the task took, if it said anything before.
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `done` of `total` steps are finished; may be called from any thread.
    void advance(std::uint64_t done, std::uint64_t total);

private:
    void report();

    std::ostream& out_;
    const std::string task_;
    const Interval interval_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<std::uint64_t> done_{0}, total_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    bool spoke_ = false;
    std::thread reporter_;
};

}  // namespace elevation
