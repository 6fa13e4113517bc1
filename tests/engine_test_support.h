// Helpers for the engine tests: small maps built by hand, the expected fatal lines
// of each sample type, and a clean engine state per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "terrain/fog_fan_emission.h"
#include "terrain/kalde.h"
#include "terrain/map_state.h"
#include "terrain/view.h"

namespace kalde::test {

using SampleTypes = ::testing::Types<std::int16_t, float>;

// The number of every fatal check of the engine, per sample type, written down
// independently of the engine (0: the variant has no such check).
template <class Sample> struct Expected;
template <> struct Expected<std::int16_t> {
    // map construction and roughness
    static constexpr int refinementParamsRange = 12, maxDiffOverflow = 82,
                         buildMapArguments = 181, columnArrayAlloc = 193, columnAlloc = 195,
                         noElevationSource = 200, nodeMapArrayAlloc = 206,
                         nodeMapColumnAlloc = 208, setTextureNoMap = 232, setTextureSize = 238,
                         roughnessAboveOne = 88, propagationTooFar = 114;
    // fog map and prism list
    static constexpr int fogHeightScaleZero = 300, fogBoundOverflow = 305, fogNoMap = 364,
                         fogImageSize = 368, fogParameters = 369, fogWeight = 370,
                         fogAlreadyBuilt = 372, fogArrayAlloc = 373, fogColumnAlloc = 375,
                         prismListAlloc = 738, prismListGrow = 745;
    // landscape pass
    static constexpr int passNoMap = 1897, passView = 1900, passViewDirection = 1904,
                         perspectiveRight = 1941, perspectiveUp = 1946,
                         perspectivePlane[4] = {1955, 1967, 1979, 1991}, orthoRight = 2003,
                         orthoUp = 2008;
    // queries and release
    static constexpr int sampleHeightNoMap = 2108, sampleHeightRange = 2110, heightNoMap = 2122,
                         fogThicknessNoMap = 2180, normalNoMap = 2245, normalZeroLength = 2321,
                         releaseNoMap = 2332;
};
template <> struct Expected<float> {
    static constexpr int refinementParamsRange = 2366, maxDiffOverflow = 0,
                         buildMapArguments = 2535, columnArrayAlloc = 2547, columnAlloc = 2549,
                         noElevationSource = 2554, nodeMapArrayAlloc = 2560,
                         nodeMapColumnAlloc = 2562, setTextureNoMap = 2586, setTextureSize = 2592,
                         roughnessAboveOne = 2442, propagationTooFar = 2468;
    static constexpr int fogHeightScaleZero = 2652, fogBoundOverflow = 0, fogNoMap = 2711,
                         fogImageSize = 2715, fogParameters = 2716, fogWeight = 2717,
                         fogAlreadyBuilt = 2719, fogArrayAlloc = 2720, fogColumnAlloc = 2722,
                         prismListAlloc = 3085, prismListGrow = 3092;
    static constexpr int passNoMap = 4244, passView = 4247, passViewDirection = 4251,
                         perspectiveRight = 4288, perspectiveUp = 4293,
                         perspectivePlane[4] = {4302, 4314, 4326, 4338}, orthoRight = 4350,
                         orthoUp = 4355;
    static constexpr int sampleHeightNoMap = 4455, sampleHeightRange = 4457, heightNoMap = 4469,
                         fogThicknessNoMap = 4527, normalNoMap = 4592, normalZeroLength = 4668,
                         releaseNoMap = 4679;
};

// The whole of standard error of a fatal report, for EXPECT_EXIT.
inline std::string fatalReport(const char* module, int line) {
    return "^fatal error in <" + std::string(module) + "> at line " + std::to_string(line) +
           "!\n$";
}
inline std::string engineFatal(int line) { return fatalReport("kalde", line); }

// Puts a sample type's engine back to its state at program start: no map, no
// parameters set, no view, no prisms. Only for maps the test has released (or never
// built).
template <class Sample>
void resetEngine() {
    state<Sample>() = EngineState<Sample>{};
    viewState<Sample>() = ViewState{};
    releasePrismList<Sample>();
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
