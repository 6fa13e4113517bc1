#include "fuzz/fan_checks.h"

#include <cmath>
#include <cstdio>

namespace fuzzcheck {

namespace {

// A fan around a node centre: the centre, at most eight edge points and the closing vertex.
constexpr int kMaxFanVertices = 10;
// Blends and world positions are rounded in single precision; this much slack (relative
// to the magnitudes involved) is not a fault.
constexpr float kRelativeSlack = 1e-5f;
constexpr float kAbsoluteSlack = 1e-3f;

PassLimits limits;
Counts tally;
int fanVertices = -1;   // -1: no fan begun in this pass

float slack(float a, float b) {
    return kRelativeSlack * (std::abs(a) + std::abs(b)) + kAbsoluteSlack;
}

bool isGridCoordinate(float v) {
    return std::floor(v) == v && v >= 0.0f && v <= static_cast<float>(limits.size - 1);
}

bool isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

}  // namespace

void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

void beginPass(const PassLimits& l) {
    limits = l;
    tally = Counts{};
    fanVertices = -1;
}

const Counts& counts() { return tally; }

void onFanBegin() {
    fanVertices = 0;
    ++tally.fans;
}

void onFanVertex(float i, float y, float j) {
    if (fanVertices < 0) fail("fan vertex before any fan began");
    if (++fanVertices > kMaxFanVertices) fail("fan with more than 10 vertices");
    ++tally.vertices;
    if (!isGridCoordinate(i) || !isGridCoordinate(j)) fail("fan vertex off the grid");
    if (!limits.checkElevation) return;
    if (!std::isfinite(y)) fail("fan vertex elevation not finite");
    const float s = slack(limits.minElevation, limits.maxElevation);
    if (y < limits.minElevation - s || y > limits.maxElevation + s)
        fail("fan vertex elevation outside the sample range");
}

void onNotify(int i, int j, int s) {
    ++tally.nodes;
    const int h = s / 2;
    if (!isPowerOfTwo(s) || s < 2 || s > limits.size - 1) fail("node of impossible size");
    if (i - h < 0 || i + h > limits.size - 1 || j - h < 0 || j + h > limits.size - 1 ||
        i % s != h || j % s != h)
        fail("node off the grid");
}

void onPrismEdge(float x, float y, float yTop, float z) {
    ++tally.prismEdges;
    if (!(x >= limits.xMin - slack(limits.xMin, 0.0f) &&
          x <= limits.xMax + slack(limits.xMax, 0.0f)))
        fail("prism edge x outside the map");
    if (!(z >= limits.zMin - slack(limits.zMin, 0.0f) &&
          z <= limits.zMax + slack(limits.zMax, 0.0f)))
        fail("prism edge z outside the map");
    if (!limits.checkPrismHeights) return;
    if (!(y <= yTop)) fail("prism edge roof below its floor");
    if (std::isfinite(y) && std::isfinite(yTop) &&
        yTop - y > limits.maxFogDepth + slack(y, yTop) + slack(limits.maxFogDepth, 0.0f))
        fail("prism edge roof higher than the thickest fog");
}

}  // namespace fuzzcheck
