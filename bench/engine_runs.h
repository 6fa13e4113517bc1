// Running the engine for the benchmark: a built map that can be bound again, the
// landscape pass through counting callbacks, the brute-force limit, and recording a
// frame's fans.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "bench_terrains.h"
#include "camera_path.h"
#include "screen_error.h"
#include "terrain/kalde.h"

namespace bench {

// The fly-over's own draw parameters.
struct DrawParams {
    float res = 1000.0f;
    float fovyDegrees = 72.0f * 2.4f;   // the camera's 72 degrees, widened for refinement
    float aspect = 4.0f / 3.0f;
    float nearDist = 1.0f;
    float farDist = 3000.0f;
};

// A map of one sample type, built once and bound before each use.
template <class Sample>
class EngineMap {
public:
    EngineMap(const std::vector<Sample>& samples, int width, float cellSize, float heightScale);
    ~EngineMap();
    EngineMap(const EngineMap&) = delete;
    EngineMap& operator=(const EngineMap&) = delete;

    void bind() const;
    int size() const { return size_; }
    Sample* const* columns() const { return columns_; }
    float cell() const { return cell_; }
    GridPlacement placement() const { return {size_, cell_}; }
    float groundAt(float x, float z) const;
    float worldHeight(int i, int j) const { return static_cast<float>(columns_[i][j]) * heightScale_; }
    // All world heights, element (i, j) at i + j * S.
    std::vector<float> worldHeights() const;
    double buildMilliseconds() const { return buildMs_; }
    long long bytes() const { return bytes_; }

private:
    Sample** columns_ = nullptr;
    kalde::NodeMap nodeMap_ = nullptr;
    int size_ = 0;
    float cell_ = 0.0f;
    float heightScale_ = 0.0f;
    double buildMs_ = 0.0;
    long long bytes_ = 0;
};

struct PassFigures {
    double milliseconds = 0.0;
    long triangles = 0;
    long vertices = 0;
    long fans = 0;
    long allocations = 0;
};

// One landscape pass (all phases) of the bound map through counting callbacks.
template <class Sample>
PassFigures countingPass(const CameraPose& pose, const DrawParams& draw);

// One flight of the map, frame by frame.
template <class Sample>
std::vector<PassFigures> countingFlight(const EngineMap<Sample>& map,
                                        const std::vector<CameraPose>& path, const DrawParams& draw);

// The brute force: the full fan (centre, the four corners and the four edge midpoints)
// of every size-2 node of the map's first nodes x nodes block, through the same
// callbacks. It is what emission alone costs, without refinement or culling.
template <class Sample>
PassFigures bruteForcePass(const EngineMap<Sample>& map, int nodes);

// One frame of a flight timed against the brute force: the fastest of its flights.
struct FrameTiming {
    double engineMs = 0.0;
    double bruteMs = 0.0;
    long triangles = 0;        // the engine's
    long bruteTriangles = 0;
    double ratio() const {
        return triangles > 0 ? engineMs / triangles / (bruteMs / bruteTriangles) : 0.0;
    }
};

// A flight timed against the brute force, flight after flight, each frame after the one
// before it as in a real flight; every frame keeps its fastest time. Engine and brute
// force alternate frame by frame, and the brute force emits about as many triangles as
// the frame, so that both sides run equally long under the same load.
template <class Sample>
class BruteForceComparison {
public:
    BruteForceComparison(const EngineMap<Sample>& map, std::vector<CameraPose> path, DrawParams draw)
        : map_(map), path_(std::move(path)), draw_(draw), frames_(path_.size()) {}
    void fly();
    const std::vector<FrameTiming>& frames() const { return frames_; }

private:
    const EngineMap<Sample>& map_;
    std::vector<CameraPose> path_;
    DrawParams draw_;
    std::vector<FrameTiming> frames_;
    int flights_ = 0;
};

// The fans of one pass, as emitted.
struct FanStream {
    std::vector<int> fanStarts;   // index of each fan's first vertex
    std::vector<float> vertices;  // i, y, j per vertex
};
template <class Sample>
FanStream recordPass(const CameraPose& pose, const DrawParams& draw);

// The triangles of a recorded pass onto a raster, heights in world units.
void rasterizeFans(const FanStream& fans, float heightScale, SampleRaster* raster);

}  // namespace bench
