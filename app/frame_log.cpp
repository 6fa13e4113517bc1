#include "app/frame_log.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <iomanip>

namespace flyover {

namespace {

// Taken while the program is being set up, before main runs.
const std::chrono::steady_clock::time_point kProgramStart = std::chrono::steady_clock::now();

constexpr double kBytesPerMegabyte = 1 << 20;
constexpr double kMillisecondsPerSecond = 1e3, kNanosecondsPerMillisecond = 1e6;

}  // namespace

double secondsSinceStart() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kProgramStart).count();
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
