// Helpers for the engine tests: small maps built by hand, the expected fatal lines
// of each sample type, and a clean engine state per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "terrain/engine_state.h"
#include "terrain/kalde.h"

namespace kalde::test {

using SampleTypes = ::testing::Types<std::int16_t, float>;

// The fatal line numbers a test expects, written down independently of the engine.
template <class Sample> struct Expected;
template <> struct Expected<std::int16_t> {
    static constexpr int refinementParams = 12, maxDiffOverflow = 82, buildMapArguments = 181,
                         columnArrayAlloc = 193, columnAlloc = 195, noElevationSource = 200,
                         nodeMapArrayAlloc = 206, nodeMapColumnAlloc = 208, setTextureNoMap = 232,
                         setTextureSize = 238, roughnessAboveOne = 88, propagationTooFar = 114,
                         sampleHeightNoMap = 2108, sampleHeightRange = 2110, heightNoMap = 2122,
                         fogThicknessNoMap = 2180, normalNoMap = 2245, normalZeroLength = 2321,
                         releaseNoMap = 2332;
};
template <> struct Expected<float> {
    static constexpr int refinementParams = 2366, maxDiffOverflow = 0, buildMapArguments = 2535,
                         columnArrayAlloc = 2547, columnAlloc = 2549, noElevationSource = 2554,
                         nodeMapArrayAlloc = 2560, nodeMapColumnAlloc = 2562,
                         setTextureNoMap = 2586, setTextureSize = 2592, roughnessAboveOne = 2442,
                         propagationTooFar = 2468, sampleHeightNoMap = 4455,
                         sampleHeightRange = 4457, heightNoMap = 4469, fogThicknessNoMap = 4527,
                         normalNoMap = 4592, normalZeroLength = 4668, releaseNoMap = 4679;
};

// The whole of standard error of a fatal report, for EXPECT_EXIT.
inline std::string fatalReport(const char* module, int line) {
    return "^fatal error in <" + std::string(module) + "> at line " + std::to_string(line) +
           "!\n$";
}
inline std::string engineFatal(int line) { return fatalReport("kalde", line); }

// Puts a sample type's engine back to its state at program start: no map, no
// parameters set. Only for maps the test has released (or never built).
template <class Sample>
void resetEngine() {
    state<Sample>() = EngineState<Sample>{};
}

// A grid in the caller's layout (element (c, r) at c + r*n) whose values are given
// in map coordinates: value(i, j) becomes map sample (i, j) when n is 2^k+1.
template <class Sample>
std::vector<Sample> gridFromMap(int n, const std::function<double(int, int)>& value) {
    std::vector<Sample> grid(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            grid[i + static_cast<std::size_t>(n) * (n - 1 - j)] = static_cast<Sample>(value(i, j));
    return grid;
}

// A built map, current in the engine while the object lives; released at the end.
template <class Sample>
struct BuiltMap {
    Sample** columns = nullptr;
    NodeMap nodeMap = nullptr;
    int size = 0;
    float cellSize = 0.0f;

    BuiltMap(const std::vector<Sample>& grid, int n, float cell = 1.0f, float heightScale = 1.0f,
             float aspect = 1.0f)
        : size(n), cellSize(cell) {
        columns = buildMap<Sample>(grid.data(), &nodeMap, &size, &cellSize, heightScale, aspect,
                                   nullptr);
    }
    ~BuiltMap() {
        if (state<Sample>().map.size != 0) releaseMap<Sample>();
    }
    BuiltMap(const BuiltMap&) = delete;
    BuiltMap& operator=(const BuiltMap&) = delete;

    Sample at(int i, int j) const { return columns[i][j]; }
    MapState<Sample>& map() const { return state<Sample>().map; }
};

}  // namespace kalde::test
