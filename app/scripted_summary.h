// What a scripted flight reports when it ends.
#pragma once

#include <string>
#include <vector>

namespace flyover {

struct FrameTimes {
    double median = 0.0, p99 = 0.0;   // milliseconds
};

// Median and 99th percentile (nearest rank) of the frames' times; zeros for none.
FrameTimes summariseFrameTimes(std::vector<double> milliseconds);

// "frames=N triangles=T ground_m=G at=COL,ROW frame_ms_median=A frame_ms_p99=B"
std::string summaryLine(int frames, long triangles, double ground, double column, double row,
                        const FrameTimes& times);

}  // namespace flyover
