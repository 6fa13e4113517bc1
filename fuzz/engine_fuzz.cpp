// libFuzzer target: the kalde engine, both sample types, on fuzzed maps, fog layers,
// neighbour maps, views and query points. Inputs that would trip one of the engine's
// documented fatal checks are never run (see engine_scenario.h), so a trap, a sanitizer
// report or an exit from inside the engine is a finding.
//
// What the engine must survive: any finite samples, and for float maps also NaN and
// infinite samples; query points anywhere, NaN and infinities included; eyes and
// level-of-detail points anywhere. With non-finite samples the emitted elevations may be
// non-finite, but the grid coordinates, fan sizes and prism positions are still checked.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz/engine_scenario.h"
#include "fuzz/fan_checks.h"
#include "terrain/kalde.h"
#include "terrain/map_build.h"
#include "terrain/map_state.h"

namespace {

using enginefuzz::Scenario;
using enginefuzz::View;

using kalde::kMaxFogValue;
// Heights (sample * heightScale) up to this size leave the queries' results exact
// enough to be range-checked; larger ones only have to not crash.
constexpr double kMaxCheckedHeight = 1e12;
constexpr float kRelativeSlack = 1e-5f;
constexpr float kAbsoluteSlack = 1e-3f;
constexpr float kUnitSlack = 1e-3f;

// The grid the elevation callback reads; ElevationFn carries no context.
const void* callbackGrid = nullptr;
int callbackGridSize = 0;
int expectedMapSize = 0;

template <class Sample>
Sample elevationFromGrid(int i, int j, int S) {
    if (S != expectedMapSize || i < 0 || i >= S || j < 0 || j >= S)
        fuzzcheck::fail("elevation callback asked for a point off the map");
    const int n = callbackGridSize;
    const auto* grid = static_cast<const Sample*>(callbackGrid);
    return grid[i * (n - 1) / (S - 1) + n * (j * (n - 1) / (S - 1))];
}

float slack(double a, double b) {
    return static_cast<float>(kRelativeSlack * (std::abs(a) + std::abs(b))) + kAbsoluteSlack;
}

// The node maps of the neighbours, kept alive while the map is bound.
struct NeighbourMaps {
    std::vector<std::vector<unsigned char>> columns[4];
    std::vector<unsigned char*> pointers[4];
    kalde::NodeMap maps[4] = {};
    int sizes[4] = {};

    explicit NeighbourMaps(const Scenario& s) {
        for (int k = 0; k < 4; ++k) {
            const enginefuzz::Neighbour& nb = s.neighbours[static_cast<std::size_t>(k)];
            sizes[k] = nb.size;
            if (nb.size == 0) continue;   // no neighbour on this side
            const int side = std::max(nb.size - 1, 1);
            for (int c = 0; c < side; ++c) {
                std::vector<unsigned char> column(static_cast<std::size_t>(side), 0);
                for (int r = 0; r < side && !nb.bytes.empty(); ++r)
                    column[static_cast<std::size_t>(r)] =
                        nb.bytes[static_cast<std::size_t>(c * side + r) % nb.bytes.size()];
                columns[k].push_back(std::move(column));
            }
            for (auto& column : columns[k]) pointers[k].push_back(column.data());
            maps[k] = pointers[k].data();
        }
    }
};

struct MapFrame {
    int size;
    float minSample, maxSample;   // of the map, after resampling
    float cellX, cellZ, heightScale;
    float centre[3];   // world position of the map centre
    float fogScale;
    bool hasFog;
};

template <class Sample>
void runQueries(const Scenario& s, const MapFrame& m) {
    const double heightBound =
        std::max(std::abs(double{m.minSample}), std::abs(double{m.maxSample})) * m.heightScale;
    const bool checked = s.blendSafe && heightBound < kMaxCheckedHeight;
    const double lo = double{m.minSample} * m.heightScale + m.centre[1];
    const double hi = double{m.maxSample} * m.heightScale + m.centre[1];
    for (const auto& q : s.queries) {
        const float h = kalde::heightAt<Sample>(q[0], q[1]);
        if (checked && h != kalde::kAbsent && !(h >= lo - slack(lo, hi) && h <= hi + slack(lo, hi)))
            fuzzcheck::fail("heightAt outside the sample range");
        float nx, ny, nz;
        kalde::normalAt<Sample>(q[0], q[1], &nx, &ny, &nz);
        if (checked && !(nx == 0.0f && ny == 0.0f && nz == 0.0f)) {
            const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            if (!(ny > 0.0f) || !(std::abs(len - 1.0f) < kUnitSlack))
                fuzzcheck::fail("normalAt not an upward unit vector");
        }
        const float fog = kalde::fogThicknessAt<Sample>(q[0], q[1]);
        if (!m.hasFog && fog != kalde::kAbsent)
            fuzzcheck::fail("fog thickness on a map without fog");
        const double fogTop = double{kMaxFogValue} * m.fogScale + m.centre[1];
        if (m.hasFog && fog != kalde::kAbsent &&
            !(fog >= m.centre[1] - slack(m.centre[1], 0.0) && fog <= fogTop + slack(fogTop, 0.0)))
            fuzzcheck::fail("fogThicknessAt outside the fog range");
        const float clamped = kalde::heightAtClamped<Sample>(q[0], q[1]);
        if (checked && clamped == kalde::kAbsent) fuzzcheck::fail("heightAtClamped found no map");
    }
    for (const auto& p : s.sampleQueries)
        kalde::sampleHeightAt<Sample>(p[0] % m.size, p[1] % m.size);
}

fuzzcheck::PassLimits passLimits(const Scenario& s, const MapFrame& m) {
    fuzzcheck::PassLimits l;
    const int half = m.size / 2;
    l.size = m.size;
    l.checkElevation = s.blendSafe;
    l.minElevation = m.minSample;
    l.maxElevation = m.maxSample;
    l.xMin = m.centre[0] - static_cast<float>(half) * m.cellX;
    l.xMax = m.centre[0] + static_cast<float>(m.size - 1 - half) * m.cellX;
    l.zMin = m.centre[2] - static_cast<float>(m.size - 1 - half) * m.cellZ;
    l.zMax = m.centre[2] + static_cast<float>(half) * m.cellZ;
    l.maxFogDepth = kMaxFogValue * m.fogScale;
    l.checkPrismHeights = s.blendSafe;
    return l;
}

template <class Sample>
void runView(const View& v, const fuzzcheck::PassLimits& limits) {
    fuzzcheck::beginPass(limits);
    kalde::runLandscapePass<Sample>(
        v.res, v.eye[0], v.eye[1], v.eye[2], v.lod[0], v.lod[1], v.lod[2], v.dir[0], v.dir[1],
        v.dir[2], v.up[0], v.up[1], v.up[2], v.fovy, v.aspect, v.nearDist, v.farDist,
        v.fanCallbacks ? fuzzcheck::onFanBegin : nullptr,
        v.fanCallbacks ? fuzzcheck::onFanVertex : nullptr, v.notify ? fuzzcheck::onNotify : nullptr,
        v.prismEdges ? fuzzcheck::onPrismEdge : nullptr, v.phase);
}

template <class Sample>
void runScenario(const Scenario& s, const std::vector<Sample>& grid) {
    // Set on every run, so that no run depends on the one before.
    kalde::setRefinementParams<Sample>(s.minRefineFactor, s.maxRoughness, s.slopeWeight,
                                       s.cullDepth);
    callbackGrid = grid.data();
    callbackGridSize = s.n;
    expectedMapSize = static_cast<int>(kalde::enlargedSize(s.n));

    int size = s.n;
    float cell = s.cellSize;
    kalde::NodeMap nodeMap = nullptr;
    Sample** columns = kalde::buildMap<Sample>(
        s.fromCallback ? nullptr : grid.data(), &nodeMap, &size, &cell, s.heightScale, s.cellAspect,
        s.fromCallback ? elevationFromGrid<Sample> : nullptr);
    if (!columns || !nodeMap || size != expectedMapSize || !(cell > 0.0f))
        fuzzcheck::fail("buildMap result");

    kalde::FogMap fog = nullptr;
    if (s.fog.n > 0) {
        fog = kalde::buildFogMap<Sample>(s.fog.image.data(), s.fog.n, s.fog.scale, s.fog.offset,
                                         s.fog.drawParam, s.fog.weight, s.fog.extra[0],
                                         s.fog.extra[1], s.fog.extra[2]);
        if (!fog) fuzzcheck::fail("buildFogMap returned no fog map");
    }

    // Resampling (N != S) rounds every sample half up to a whole number.
    const bool resampled = !s.fromCallback && s.n != size;
    const auto mapped = [resampled](float v) { return resampled ? std::floor(v + 0.5f) : v; };
    MapFrame m{};
    m.size = size;
    m.minSample = mapped(s.minSample);
    m.maxSample = mapped(s.maxSample);
    m.cellX = cell;
    m.cellZ = cell * s.cellAspect;
    m.heightScale = s.heightScale;
    m.fogScale = s.fog.scale;
    m.hasFog = fog != nullptr;
    NeighbourMaps neighbours(s);
    if (s.rebind) {
        for (int k = 0; k < 3; ++k) m.centre[k] = s.centre[static_cast<std::size_t>(k)];
        kalde::bindMapState<Sample>(
            columns, nodeMap, size, cell, s.heightScale, 0, 0, 0, s.cellAspect, m.centre[0],
            m.centre[1], m.centre[2], neighbours.maps, neighbours.sizes, fog, s.fog.scale,
            s.fog.offset, s.fog.drawParam, s.fog.extra[0], s.fog.extra[1], s.fog.extra[2]);
    }

    runQueries<Sample>(s, m);
    const fuzzcheck::PassLimits limits = passLimits(s, m);
    for (const View& v : s.views) runView<Sample>(v, limits);
    runQueries<Sample>(s, m);
    kalde::releaseMap<Sample>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Scenario s;
    enginefuzz::decodeScenario(in, &s);
    if (s.isFloat)
        runScenario<float>(s, s.floatGrid);
    else
        runScenario<std::int16_t>(s, s.int16Grid);
    return 0;
}
