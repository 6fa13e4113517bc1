// Making a saved map current, and releasing the current map.
#include "terrain/fatal.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/heap.h"
#include "terrain/kalde.h"
#include "terrain/map_state.h"
#include "terrain/render_hooks.h"

namespace kalde {

template <class Sample>
void bindMapState(Sample** columns, NodeMap nodeMap, int size, float cellX, float heightScale,
                  int textureId, int textureWidth, int textureHeight, float cellAspect,
                  float centerX, float centerY, float centerZ, const NodeMap* neighbourMaps,
                  const int* neighbourSizes, FogMap fogMap, float fogScale, float fogOffset,
                  float prismDrawParam, float fogExtra1, float fogExtra2, float fogExtra3) {
    auto& map = state<Sample>().map;
    map.columns = columns;
    map.maxDiff = columns ? columns[size] : nullptr;
    map.nodeMap = nodeMap;
    map.size = size;
    map.cellX = cellX;
    map.heightScale = heightScale;
    map.textureId = textureId;
    map.textureWidth = textureWidth;
    map.textureHeight = textureHeight;
    map.cellZ = cellX * cellAspect;
    map.cellAvg = (cellX * cellAspect + cellX) * 0.5f;
    map.centerX = centerX;
    map.centerY = centerY;
    map.centerZ = centerZ;
    for (int k = 0; k < 4; ++k) {
        if (neighbourMaps) {
            map.neighbourMaps[k] = neighbourMaps[k];
            map.neighbourSizes[k] = neighbourSizes ? neighbourSizes[k] : 0;
        } else {
            map.neighbourMaps[k] = nullptr;   // the sizes are only read beside a map
        }
    }
    map.fogMap = fogMap;
    map.fogScale = fogScale;
    map.fogOffset = fogOffset;
    map.prismDrawParam = prismDrawParam;
    map.fogExtra1 = fogExtra1;
    map.fogExtra2 = fogExtra2;
    map.fogExtra3 = fogExtra3;
}

template <class Sample>
void releaseMap() {
    auto& map = state<Sample>().map;
    if (map.size == 0) failEngineCheck(fatalLines<Sample>().releaseNoMap);
    const int S = map.size;
    for (int i = 0; i <= S; ++i) freeBlock(map.columns[i]);
    for (int i = 0; i < S - 1; ++i) freeBlock(map.nodeMap[i]);
    freeBlock(map.columns);
    freeBlock(map.nodeMap);
    if (map.fogMap) {
        for (int i = 0; i < S; ++i) freeBlock(map.fogMap[i]);
        freeBlock(map.fogMap);
    }
    if (map.textureId != 0) renderHooks().deleteTexture(map.textureId);
    releasePrismList<Sample>();
    map.columns = nullptr;
    map.maxDiff = nullptr;
    map.nodeMap = nullptr;
    map.fogMap = nullptr;
    map.size = 0;
}

#define KALDE_INSTANTIATE(Sample)                                                             \
    template void bindMapState<Sample>(Sample**, NodeMap, int, float, float, int, int, int,   \
                                       float, float, float, float, const NodeMap*, const int*, \
                                       FogMap, float, float, float, float, float, float);      \
    template void releaseMap<Sample>();
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
