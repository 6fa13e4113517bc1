#include "interface_cost.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "stats.h"
#include "terrain/terrain.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// Both sides sum the world coordinates of every vertex, so that none is optimised away.
struct SummingSink {
    double sum = 0.0;
    long fans = 0, vertices = 0;
    void beginFan() { ++fans; }
    void vertex(float x, float y, float z) {
        sum += static_cast<double>(x) + y + z;
        ++vertices;
    }
    long triangles() const { return vertices - 2 * fans; }
};

// The plain callbacks carry no context: the sink and the grid-to-world mapping of the
// bound map are module-level.
SummingSink plainSink;
float plainHalf = 0.0f, plainCell = 0.0f, plainHeightScale = 0.0f;
void plainBegin() { plainSink.beginFan(); }
void plainVertex(float i, float y, float j) {
    plainSink.vertex((i - plainHalf) * plainCell, y * plainHeightScale,
                     (plainHalf - j) * plainCell);
}

double millisecondsOf(const std::function<void()>& run) {
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

enum Side { kPlain, kDraw, kMesh, kSides };

}  // namespace

void interfaceCost(Report& r, const BenchTerrain& t, const DrawParams& draw, int frames,
                   int flights) {
    const EngineMap<std::int16_t> plainMap(t.samples16, t.width, t.cellSize, t.heightScale);
    auto drawn = kalde::Terrain<std::int16_t>::fromGrid(t.samples16.data(), t.width, t.cellSize,
                                                        t.heightScale);
    auto meshed = kalde::Terrain<std::int16_t>::fromGrid(t.samples16.data(), t.width, t.cellSize,
                                                         t.heightScale);
    const float extent = static_cast<float>(plainMap.size() - 1) * plainMap.cell();
    const std::vector<CameraPose> path =
        flightPath(extent, frames, [&](float x, float z) { return plainMap.groundAt(x, z); });
    plainHalf = static_cast<float>(plainMap.size() / 2);
    plainCell = plainMap.cell();
    plainHeightScale = t.heightScale;

    std::vector<double> best[kSides];
    std::vector<long> triangles[kSides];
    for (auto& b : best) b.assign(path.size(), 1e30);
    for (auto& n : triangles) n.assign(path.size(), 0);
    for (int flight = 0; flight < flights; ++flight)
        for (std::size_t f = 0; f < path.size(); ++f) {
            const CameraPose& p = path[f];
            kalde::View view;
            view.eye = {p.ex, p.ey, p.ez};
            view.direction = {p.dx, p.dy, p.dz};
            view.fovyDegrees = draw.fovyDegrees;
            view.aspect = draw.aspect;
            view.nearDist = draw.nearDist;
            view.farDist = draw.farDist;
            view.resolution = draw.res;
            // The sides take turns at going first.
            for (int k = 0; k < kSides; ++k) {
                const int side = (k + static_cast<int>(f) + flight) % kSides;
                long count = 0;
                double ms = 0.0;
                if (side == kPlain) {
                    plainSink = SummingSink{};
                    ms = millisecondsOf([&] {
                        plainMap.bind();
                        kalde::runLandscapePass<std::int16_t>(
                            draw.res, p.ex, p.ey, p.ez, p.ex, p.ey, p.ez, p.dx, p.dy, p.dz, 0.0f,
                            1.0f, 0.0f, draw.fovyDegrees, draw.aspect, draw.nearDist,
                            draw.farDist, plainBegin, plainVertex, nullptr, nullptr, 0);
                    });
                    count = plainSink.triangles();
                } else if (side == kDraw) {
                    SummingSink sink;
                    ms = millisecondsOf([&] { drawn.draw(view, sink); });
                    count = sink.triangles();
                } else {
                    kalde::Mesh mesh;
                    ms = millisecondsOf([&] { mesh = meshed.mesh(view); });
                    count = static_cast<long>(mesh.indices.size() / 3);
                }
                best[side][f] = std::min(best[side][f], ms);
                triangles[side][f] = count;
            }
        }

    std::vector<double> ns[kSides], drawRatio, meshRatio;
    int mismatches = 0;
    for (std::size_t f = 0; f < path.size(); ++f) {
        mismatches += triangles[kDraw][f] != triangles[kPlain][f] ||
                      triangles[kMesh][f] != triangles[kPlain][f];
        if (triangles[kPlain][f] == 0) continue;
        for (int side = 0; side < kSides; ++side)
            ns[side].push_back(best[side][f] * 1e6 / static_cast<double>(triangles[kPlain][f]));
        drawRatio.push_back(best[kDraw][f] / best[kPlain][f]);
        meshRatio.push_back(best[kMesh][f] / best[kPlain][f]);
    }
    r.figure(t.name, "plain callbacks: median ns/triangle", median(ns[kPlain]), "ns");
    r.figure(t.name, "Terrain::draw, inlined sink: ns/triangle", median(ns[kDraw]), "ns");
    r.figure(t.name, "Terrain::mesh: median ns/triangle", median(ns[kMesh]), "ns");
    r.figure(t.name, "draw/plain per frame: median", median(drawRatio), "x");
    r.figure(t.name, "mesh/plain per frame: median", median(meshRatio), "x");
    r.figure(t.name, "frames whose triangles differ (check)", mismatches, "");
}

}  // namespace bench
