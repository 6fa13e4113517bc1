// A flight's frames, one CSV line each, for benchmarks and for finding stalls: when each
// frame finished, how long it took, what it drew, and the process's memory and the tiles it
// held then.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace flyover {

struct FrameRecord {
    double milliseconds = 0.0;      // the frame's own work, without any wait for the next one
    double cpuMilliseconds = 0.0;   // of it, the time the frame's thread ran (less the machine's turns to others)
    long triangles = 0;
    long tilesHeld = 0, tilesLoaded = 0;   // a world's; 0 for a single map
    std::size_t tileBytes = 0;
};

class FrameLog {
public:
    // Starts the log at `path` with its header line; returns the problem, or an empty string.
    std::string open(const std::string& path);
    bool active() const { return out_.is_open(); }
    // Adds a frame that has just finished.
    void add(const FrameRecord& record);
    // Ends the log; returns the problem if any line was not written.
    std::string close();

private:
    std::ofstream out_;
    std::string path_;
    long frames_ = 0;
};

// The CPU time this thread has used, in milliseconds.
double threadCpuMilliseconds();

// Seconds since the program started (its process, to within the system's clock tick).
double secondsSinceStart();

// The process's resident memory now, 0 where the system does not say.
std::size_t residentBytes();

}  // namespace flyover
