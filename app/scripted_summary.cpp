#include "app/scripted_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace flyover {

namespace {
constexpr double kRank = 0.99;
constexpr int kLineSize = 256;
}  // namespace

FrameTimes summariseFrameTimes(std::vector<double> ms) {
    FrameTimes times;
    if (ms.empty()) return times;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    times.median = n % 2 ? ms[n / 2] : 0.5 * (ms[n / 2 - 1] + ms[n / 2]);
    times.p99 = ms[static_cast<std::size_t>(std::ceil(kRank * static_cast<double>(n))) - 1];
    return times;
}

std::string summaryLine(int frames, long triangles, double ground, double column, double row,
                        const FrameTimes& times) {
    char line[kLineSize];
    std::snprintf(line, sizeof line, "frames=%d triangles=%ld ground_m=%.2f at=%.2f,%.2f frame_ms_median=%.3f frame_ms_p99=%.3f",
                  frames, triangles, ground, column, row, times.median, times.p99);
    return line;
}

}  // namespace flyover
