// Running landscape passes in tests: views, and a log of what the pass emitted.
#pragma once

#include <string>
#include <vector>

#include "engine_test_support.h"

namespace kalde::test {

struct FanVertex {
    float i, y, j;
    bool operator==(const FanVertex& o) const { return i == o.i && y == o.y && j == o.j; }
};

struct Triangle {
    FanVertex a, b, c;
};

// Everything the callbacks of the last pass received, in order.
struct PassLog {
    std::vector<std::vector<FanVertex>> fans;
    std::vector<std::string> events;   // "notify i j s", "begin", "vertex i j"

    void clear() {
        fans.clear();
        events.clear();
    }
    std::vector<Triangle> triangles() const {
        std::vector<Triangle> out;
        for (const auto& fan : fans)
            for (std::size_t k = 2; k < fan.size(); ++k) out.push_back({fan[0], fan[k - 1], fan[k]});
        return out;
    }
};

inline PassLog& passLog() {
    static PassLog log;
    return log;
}

inline void logFanBegin() {
    passLog().fans.emplace_back();
    passLog().events.push_back("begin");
}
inline void logFanVertex(float i, float y, float j) {
    passLog().fans.back().push_back({i, y, j});
    passLog().events.push_back("vertex " + std::to_string(int(i)) + " " + std::to_string(int(j)));
}
inline void logNotify(int i, int j, int s) {
    passLog().events.push_back("notify " + std::to_string(i) + " " + std::to_string(j) + " " +
                               std::to_string(s));
}

struct View {
    float res = 1000.0f;
    float ex = 0.0f, ey = 100.0f, ez = 0.0f;
    float dx = 0.0f, dy = -1.0f, dz = -0.01f;
    float ux = 0.0f, uy = 1.0f, uz = 0.0f;
    float fovy = 90.0f, aspect = 1.0f, nearDist = 0.1f, farDist = 1e6f;
};

// One pass of the given phases with the logging callbacks; the log holds its output.
template <class Sample>
void runPass(const View& v, int phase = 0) {
    passLog().clear();
    runLandscapePass<Sample>(v.res, v.ex, v.ey, v.ez, v.ex, v.ey, v.ez, v.dx, v.dy, v.dz, v.ux,
                             v.uy, v.uz, v.fovy, v.aspect, v.nearDist, v.farDist, logFanBegin,
                             logFanVertex, logNotify, nullptr, phase);
}

// Sets the refinement weight of every node centre of a map of size S.
inline void setAllWeights(NodeMap nodeMap, int S, unsigned char weight) {
    for (int s = 2; s < S; s *= 2)
        for (int i = s / 2; i < S; i += s)
            for (int j = s / 2; j < S; j += s) nodeMap[i][j] = weight;
}

}  // namespace kalde::test
