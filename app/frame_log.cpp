#include "app/frame_log.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <iomanip>

namespace flyover {

namespace {

constexpr double kBytesPerMegabyte = 1 << 20;
constexpr double kMillisecondsPerSecond = 1e3, kNanosecondsPerMillisecond = 1e6, kNanosecondsPerSecond = 1e9;

// Field 22 of /proc/self/stat: when the process started, in clock ticks since boot.
constexpr int kStartTimeField = 22;

// Seconds from the process's start (before the dynamic loader ran) to when this is
// called, or a negative number where the system does not say.
double secondsSinceExec() {
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (!stat) return -1.0;
    char text[1024] = {};
    const std::size_t length = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    // The command name, in parentheses, may hold spaces: count fields after its end.
    const char* field = std::strrchr(text, ')');
    unsigned long long ticks = 0;
    for (int f = 2; field && f < kStartTimeField; ++f) field = std::strchr(field + 1, ' ');
    timespec now{};
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!field || length == 0 || std::sscanf(field, " %llu", &ticks) != 1 || ticksPerSecond <= 0 ||
        clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1.0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / kNanosecondsPerSecond -
           static_cast<double>(ticks) / static_cast<double>(ticksPerSecond);
}

// Taken while the program is being set up, before main runs; with how long it ran before.
const std::chrono::steady_clock::time_point kProgramStart = std::chrono::steady_clock::now();
const double kSecondsBeforeMain = std::max(0.0, secondsSinceExec());

}  // namespace

double secondsSinceStart() {
    return kSecondsBeforeMain + std::chrono::duration<double>(std::chrono::steady_clock::now() - kProgramStart).count();
}

double threadCpuMilliseconds() {
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0.0;
    return static_cast<double>(now.tv_sec) * kMillisecondsPerSecond +
           static_cast<double>(now.tv_nsec) / kNanosecondsPerMillisecond;
}

std::size_t residentBytes() {
    // The second number of statm: resident pages.
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    unsigned long total = 0, resident = 0;
    const bool read = std::fscanf(statm, "%lu %lu", &total, &resident) == 2;
    std::fclose(statm);
    const long page = sysconf(_SC_PAGESIZE);
    return read && page > 0 ? resident * static_cast<std::size_t>(page) : 0;
}

std::string FrameLog::open(const std::string& path) {
    path_ = path;
    out_.open(path, std::ios::out | std::ios::trunc);
    if (!out_) return "cannot write the frame log '" + path + "'; check the folder exists and is writable";
    out_ << "frame,seconds,frame_ms,cpu_ms,triangles,resident_mb,tiles_held,tiles_loaded,tile_mb\n" << std::fixed;
    return {};
}

void FrameLog::add(const FrameRecord& record) {
    out_ << frames_++ << ',' << std::setprecision(4) << secondsSinceStart() << ',' << record.milliseconds << ','
         << record.cpuMilliseconds << ',' << record.triangles << ',' << std::setprecision(1) << residentBytes() / kBytesPerMegabyte << ','
         << record.tilesHeld << ',' << record.tilesLoaded << ',' << record.tileBytes / kBytesPerMegabyte << '\n';
}

std::string FrameLog::close() {
    if (!out_.is_open()) return {};
    out_.close();
    if (!out_) return "the frame log '" + path_ + "' could not be written in full (is the disk full?)";
    return {};
}

}  // namespace flyover
