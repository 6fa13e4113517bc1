#include "world/world_pass.h"

#include <cstdint>

namespace world {

namespace {

enum Phase { kRefinement = 1, kTessellation = 2 };

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
float tileHeightAt(const TileMap<Sample>& tile, float x, float z) {
    bindTile(tile, nullptr, nullptr);
    return kalde::heightAt<Sample>(x, z);
}

#define WORLD_INSTANTIATE(Sample)                                                                              \
    template void drawTiles<Sample>(const std::vector<const TileMap<Sample>*>&, const PassView&, TileStitching&, \
                                    kalde::FanBeginFn, kalde::FanVertexFn,                                     \
                                    const std::function<void(std::size_t)>&);                                  \
    template float tileHeightAt<Sample>(const TileMap<Sample>&, float, float);
WORLD_INSTANTIATE(std::int16_t)
WORLD_INSTANTIATE(float)
#undef WORLD_INSTANTIATE

}  // namespace world
