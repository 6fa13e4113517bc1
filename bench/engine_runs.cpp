#include "engine_runs.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "alloc_count.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The counting callbacks: fans and vertices.
long fanCount = 0;
long vertexCount = 0;
void countFan() { ++fanCount; }
void countVertex(float, float, float) { ++vertexCount; }

FanStream* recording = nullptr;
void recordFan() { recording->fanStarts.push_back(static_cast<int>(recording->vertices.size() / 3)); }
void recordVertex(float i, float y, float j) { recording->vertices.insert(recording->vertices.end(), {i, y, j}); }

template <class Sample>
void runPass(const CameraPose& p, const DrawParams& d, kalde::FanBeginFn begin,
             kalde::FanVertexFn vertex) {
    kalde::runLandscapePass<Sample>(d.res, p.ex, p.ey, p.ez, p.ex, p.ey, p.ez, p.dx, p.dy, p.dz,
                                    0.0f, 1.0f, 0.0f, d.fovyDegrees, d.aspect, d.nearDist,
                                    d.farDist, begin, vertex, nullptr, nullptr, 0);
}

}  // namespace

template <class Sample>
EngineMap<Sample>::EngineMap(const std::vector<Sample>& samples, int width, float cellSize,
                             float heightScale)
    : size_(width), cell_(cellSize), heightScale_(heightScale) {
    startCountingAllocations();
    const auto start = Clock::now();
    columns_ = kalde::buildMap<Sample>(samples.data(), &nodeMap_, &size_, &cell_, heightScale,
                                       1.0f, nullptr);
    buildMs_ = millisecondsSince(start);
    stopCountingAllocations();
    bytes_ = countedBytes();
}

template <class Sample>
EngineMap<Sample>::~EngineMap() {
    bind();
    kalde::releaseMap<Sample>();
}

template <class Sample>
void EngineMap<Sample>::bind() const {
    kalde::bindMapState<Sample>(columns_, nodeMap_, size_, cell_, heightScale_, 0, 0, 0, 1.0f,
                                0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr, 0.0f, 0.0f, 0.0f,
                                1.0f, 1.0f, 1.0f);
}

template <class Sample>
float EngineMap<Sample>::groundAt(float x, float z) const {
    bind();
    return kalde::heightAt<Sample>(x, z);
}

template <class Sample>
std::vector<float> EngineMap<Sample>::worldHeights() const {
    std::vector<float> heights(static_cast<std::size_t>(size_) * size_);
    for (int j = 0; j < size_; ++j)
        for (int i = 0; i < size_; ++i) heights[i + static_cast<std::size_t>(j) * size_] = worldHeight(i, j);
    return heights;
}

template <class Sample>
PassFigures countingPass(const CameraPose& pose, const DrawParams& draw) {
    fanCount = vertexCount = 0;
    startCountingAllocations();
    const auto start = Clock::now();
    runPass<Sample>(pose, draw, countFan, countVertex);
    PassFigures f;
    f.milliseconds = millisecondsSince(start);
    f.allocations = stopCountingAllocations();
    f.fans = fanCount;
    f.vertices = vertexCount;
    f.triangles = vertexCount - 2 * fanCount;
    return f;
}

template <class Sample>
PassFigures bruteForcePass(const EngineMap<Sample>& map, int nodes) {
    // Called through pointers, as the engine calls its callbacks, so nothing is inlined.
    kalde::FanBeginFn volatile begin = countFan;
    kalde::FanVertexFn volatile vertex = countVertex;
    fanCount = vertexCount = 0;
    const int last = std::min(2 * nodes, map.size() - 1);
    Sample* const* columns = map.columns();
    const auto start = Clock::now();
    for (int i = 1; i < last; i += 2) {
        const Sample* west = columns[i - 1];
        const Sample* centre = columns[i];
        const Sample* east = columns[i + 1];
        const float fw = static_cast<float>(i - 1), fi = static_cast<float>(i),
                    fe = static_cast<float>(i + 1);
        for (int j = 1; j < last; j += 2) {
            const float fs = static_cast<float>(j - 1), fj = static_cast<float>(j),
                        fn = static_cast<float>(j + 1);
            const float eastMid = static_cast<float>(east[j]);
            begin();
            vertex(fi, static_cast<float>(centre[j]), fj);
            vertex(fe, eastMid, fj);
            vertex(fe, static_cast<float>(east[j + 1]), fn);
            vertex(fi, static_cast<float>(centre[j + 1]), fn);
            vertex(fw, static_cast<float>(west[j + 1]), fn);
            vertex(fw, static_cast<float>(west[j]), fj);
            vertex(fw, static_cast<float>(west[j - 1]), fs);
            vertex(fi, static_cast<float>(centre[j - 1]), fs);
            vertex(fe, static_cast<float>(east[j - 1]), fs);
            vertex(fe, eastMid, fj);
        }
    }
    PassFigures f;
    f.milliseconds = millisecondsSince(start);
    f.fans = fanCount;
    f.vertices = vertexCount;
    f.triangles = vertexCount - 2 * fanCount;
    return f;
}

template <class Sample>
std::vector<PassFigures> countingFlight(const EngineMap<Sample>& map,
                                        const std::vector<CameraPose>& path, const DrawParams& draw) {
    std::vector<PassFigures> frames;
    map.bind();
    for (const CameraPose& pose : path) frames.push_back(countingPass<Sample>(pose, draw));
    return frames;
}

template <class Sample>
void BruteForceComparison<Sample>::fly() {
    constexpr int kTrianglesPerNode = 8;
    map_.bind();
    for (std::size_t f = 0; f < path_.size(); ++f) {
        FrameTiming& t = frames_[f];
        const PassFigures ours = countingPass<Sample>(path_[f], draw_);
        const int side = std::max(
            1, static_cast<int>(std::lround(std::sqrt(double(ours.triangles) / kTrianglesPerNode))));
        const PassFigures brute = bruteForcePass(map_, side);
        if (flights_ == 0 || ours.milliseconds < t.engineMs) t.engineMs = ours.milliseconds;
        if (flights_ == 0 || brute.milliseconds < t.bruteMs) t.bruteMs = brute.milliseconds;
        t.triangles = ours.triangles;
        t.bruteTriangles = brute.triangles;
    }
    ++flights_;
}

template <class Sample>
FanStream recordPass(const CameraPose& pose, const DrawParams& draw) {
    FanStream stream;
    recording = &stream;
    runPass<Sample>(pose, draw, recordFan, recordVertex);
    recording = nullptr;
    return stream;
}

void rasterizeFans(const FanStream& fans, float heightScale, SampleRaster* raster) {
    const std::size_t total = fans.vertices.size() / 3;
    for (std::size_t f = 0; f < fans.fanStarts.size(); ++f) {
        const std::size_t first = static_cast<std::size_t>(fans.fanStarts[f]);
        const std::size_t end = f + 1 < fans.fanStarts.size()
                                    ? static_cast<std::size_t>(fans.fanStarts[f + 1])
                                    : total;
        const float* c = &fans.vertices[3 * first];
        for (std::size_t k = first + 2; k < end; ++k) {
            const float* b = &fans.vertices[3 * (k - 1)];
            const float* a = &fans.vertices[3 * k];
            raster->addTriangle(c[0], c[1] * heightScale, c[2], b[0], b[1] * heightScale, b[2],
                                a[0], a[1] * heightScale, a[2]);
        }
    }
}

template class EngineMap<std::int16_t>;
template class EngineMap<float>;
template PassFigures countingPass<std::int16_t>(const CameraPose&, const DrawParams&);
template PassFigures countingPass<float>(const CameraPose&, const DrawParams&);
template std::vector<PassFigures> countingFlight<std::int16_t>(
    const EngineMap<std::int16_t>&, const std::vector<CameraPose>&, const DrawParams&);
template std::vector<PassFigures> countingFlight<float>(const EngineMap<float>&,
                                                        const std::vector<CameraPose>&,
                                                        const DrawParams&);
template PassFigures bruteForcePass<std::int16_t>(const EngineMap<std::int16_t>&, int);
template PassFigures bruteForcePass<float>(const EngineMap<float>&, int);
template class BruteForceComparison<std::int16_t>;
template class BruteForceComparison<float>;
template FanStream recordPass<std::int16_t>(const CameraPose&, const DrawParams&);
template FanStream recordPass<float>(const CameraPose&, const DrawParams&);

}  // namespace bench
