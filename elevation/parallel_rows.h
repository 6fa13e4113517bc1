// Spreading independent rows of work over the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace elevation {

// Calls body(row) once for every row in [0, rows), spread over the machine's cores.
// Rows must be independent; each one is computed alone, so results do not depend on timing.
template <typename Body>
void forEachRow(int rows, const Body& body) {
    const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::max(rows, 1));
    std::atomic<int> next{0};
    auto work = [&] {
        for (int row = next++; row < rows; row = next++) body(row);
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
}

}  // namespace elevation
