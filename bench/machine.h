// What a benchmark ran on, printed beside its figures.
#pragma once

#include <fstream>
#include <string>

namespace bench {

inline std::string cpuName() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

// The one-minute load average: how busy the machine was around a run.
inline std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string first;
    return file >> first ? first : "unknown";
}

}  // namespace bench
