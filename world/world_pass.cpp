#include "world/world_pass.h"

#include <cmath>
#include <cstdint>

namespace world {

namespace {

enum Phase { kRefinement = 1, kTessellation = 2 };

constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;
// The view tested is this much wider and taller than the camera's, for what the engine's
// geomorphing and the window's rounding may add at its edges.
constexpr double kViewMargin = 1.1;

template <class Sample>
void bindTile(const TileMap<Sample>& tile, const kalde::NodeMap* neighbourMaps, const int* neighbourSizes) {
    const kalde::MapArrays<Sample>& a = tile.arrays;
    kalde::bindMapState<Sample>(a.columns, a.nodeMap, a.size, a.cellSize, tile.heightScale, 0, 0, 0, tile.cellAspect,
                                tile.centerX, 0.0f, tile.centerZ, neighbourMaps, neighbourSizes, nullptr, 0.0f,
                                0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
}

template <class Sample>
void runPhase(const PassView& v, kalde::FanBeginFn fanBegin, kalde::FanVertexFn fanVertex, int phase) {
    // The eye is also the level-of-detail viewpoint.
    kalde::runLandscapePass<Sample>(v.resolution, v.eye[0], v.eye[1], v.eye[2], v.eye[0], v.eye[1], v.eye[2],
                                    v.direction[0], v.direction[1], v.direction[2], v.up[0], v.up[1], v.up[2],
                                    v.fovDegrees, v.aspect, v.nearDistance, v.farDistance, fanBegin, fanVertex,
                                    nullptr, nullptr, phase);
}

}  // namespace

template <class Sample>
void drawTiles(const std::vector<const TileMap<Sample>*>& tiles, const PassView& view, TileStitching& stitching,
               kalde::FanBeginFn fanBegin, kalde::FanVertexFn fanVertex,
               const std::function<void(std::size_t)>& beforeFans) {
    if (tiles.empty()) return;
    std::vector<TileKey> keys;
    std::vector<kalde::NodeMap> nodeMaps;
    for (const TileMap<Sample>* tile : tiles) {
        keys.push_back(tile->key);
        nodeMaps.push_back(tile->arrays.nodeMap);
    }
    stitching.arrange(keys, tiles.front()->arrays.size);
    for (const TileMap<Sample>* tile : tiles) {
        bindTile(*tile, nullptr, nullptr);
        runPhase<Sample>(view, fanBegin, fanVertex, kRefinement);
    }
    stitching.stitch(nodeMaps);
    for (std::size_t t = 0; t < tiles.size(); ++t) {
        const int index = static_cast<int>(t);
        bindTile(*tiles[t], stitching.neighbourMaps(index), stitching.neighbourSizes(index));
        if (beforeFans) beforeFans(t);
        runPhase<Sample>(view, fanBegin, fanVertex, kTessellation);
    }
}

template <class Sample>
bool tileInView(const TileMap<Sample>& tile, const PassView& view, float lowest, float highest) {
    double eye[3], forward[3], up[3], right[3];
    for (int k = 0; k < 3; ++k) eye[k] = view.eye[k], forward[k] = view.direction[k], up[k] = view.up[k];
    const auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const auto normalise = [&](double* a) {
        const double length = std::sqrt(dot(a, a));
        if (!(length > 0.0)) return false;
        for (int k = 0; k < 3; ++k) a[k] /= length;
        return true;
    };
    right[0] = forward[1] * up[2] - forward[2] * up[1];
    right[1] = forward[2] * up[0] - forward[0] * up[2];
    right[2] = forward[0] * up[1] - forward[1] * up[0];
    if (!normalise(forward) || !normalise(right)) return true;   // no view to test against
    up[0] = right[1] * forward[2] - right[2] * forward[1];
    up[1] = right[2] * forward[0] - right[0] * forward[2];
    up[2] = right[0] * forward[1] - right[1] * forward[0];
    const double tanUp = std::tan(kDegreesToRadians * view.fovDegrees / 2.0) * kViewMargin;
    const double tanSide = tanUp * view.aspect;

    const double halfX = (tile.arrays.size - 1) / 2.0 * tile.arrays.cellSize;
    const double halfZ = halfX * tile.cellAspect;
    // For each side of the view, whether all eight corners lie beyond it.
    bool beyond[6] = {true, true, true, true, true, true};
    for (int c = 0; c < 8; ++c) {
        const double corner[3] = {tile.centerX + (c & 1 ? halfX : -halfX), c & 2 ? highest : lowest,
                                  tile.centerZ + (c & 4 ? halfZ : -halfZ)};
        const double d[3] = {corner[0] - eye[0], corner[1] - eye[1], corner[2] - eye[2]};
        const double ahead = dot(d, forward), across = dot(d, right), above = dot(d, up);
        beyond[0] = beyond[0] && ahead < 0.0;
        beyond[1] = beyond[1] && ahead > view.farDistance;
        beyond[2] = beyond[2] && across > ahead * tanSide;
        beyond[3] = beyond[3] && -across > ahead * tanSide;
        beyond[4] = beyond[4] && above > ahead * tanUp;
        beyond[5] = beyond[5] && -above > ahead * tanUp;
    }
    for (bool b : beyond)
        if (b) return false;
    return true;
}

template <class Sample>
float tileHeightAt(const TileMap<Sample>& tile, float x, float z) {
    bindTile(tile, nullptr, nullptr);
    return kalde::heightAt<Sample>(x, z);
}

#define WORLD_INSTANTIATE(Sample)                                                                              \
    template void drawTiles<Sample>(const std::vector<const TileMap<Sample>*>&, const PassView&, TileStitching&, \
                                    kalde::FanBeginFn, kalde::FanVertexFn,                                     \
                                    const std::function<void(std::size_t)>&);                                  \
    template float tileHeightAt<Sample>(const TileMap<Sample>&, float, float);                                  \
    template bool tileInView<Sample>(const TileMap<Sample>&, const PassView&, float, float);
WORLD_INSTANTIATE(std::int16_t)
WORLD_INSTANTIATE(float)
#undef WORLD_INSTANTIATE

}  // namespace world
