#include "terrain/kaldestub.h"

#include <type_traits>

#include "terrain/fatal.h"

namespace kalde {

namespace {

constexpr float kMaxHeightFactor = 1.0f;
// The object gives its maps no texture, no centre offset and no prism drawing mode;
// the three spare fog values are passed as 1.
constexpr float kFogExtra = 1.0f;
constexpr int kAllPhases = 0;

}  // namespace

template <class Sample>
TerrainObject::TerrainObject(int isFloatVariant, const Sample* samples, int* size,
                             float* cellSize, float heightScale, float cellAspect,
                             FanBeginFn fanBegin, FanVertexFn fanVertex, NotifyFn notify,
                             ElevationFn<Sample> elevation, const unsigned char* fogData,
                             int fogSize, float fogScale, float fogOffset, float fogWeight,
                             PrismEdgeFn prismEdge, const NodeMap* neighbourMaps,
                             const int* neighbourSizes)
    : isFloat(isFloatVariant), heightScale(heightScale), cellAspect(cellAspect),
      fogScale(fogScale), fogOffset(fogOffset), fanBegin(fanBegin), fanVertex(fanVertex),
      notify(notify), prismEdge(prismEdge) {
    Sample** built =
        buildMap<Sample>(samples, &nodeMap, size, cellSize, heightScale, cellAspect, elevation);
    if constexpr (std::is_same_v<Sample, float>)
        columns.float32 = built;
    else
        columns.int16 = built;
    fogMap = buildFogMap<Sample>(fogData, fogSize, fogScale, fogOffset, 0.0f, fogWeight,
                                 kFogExtra, kFogExtra, kFogExtra);
    this->size = *size;
    this->cellSize = *cellSize;
    for (int k = 0; k < 4 && neighbourMaps; ++k) {
        this->neighbourMaps[k] = neighbourMaps[k];
        this->neighbourSizes[k] = neighbourSizes ? neighbourSizes[k] : 0;
    }
}

TerrainObject::TerrainObject(const std::int16_t* samples, int* size, float* cellSize,
                             float heightScale, float cellAspect, FanBeginFn fanBegin,
                             FanVertexFn fanVertex, NotifyFn notify,
                             ElevationFn<std::int16_t> elevation, const unsigned char* fogData,
                             int fogSize, float fogScale, float fogOffset, float fogWeight,
                             PrismEdgeFn prismEdge, const NodeMap* neighbourMaps,
                             const int* neighbourSizes)
    : TerrainObject(0, samples, size, cellSize, heightScale, cellAspect, fanBegin, fanVertex,
                    notify, elevation, fogData, fogSize, fogScale, fogOffset, fogWeight,
                    prismEdge, neighbourMaps, neighbourSizes) {}

TerrainObject::TerrainObject(const float* samples, int* size, float* cellSize,
                             float heightScale, float cellAspect, FanBeginFn fanBegin,
                             FanVertexFn fanVertex, NotifyFn notify, ElevationFn<float> elevation,
                             const unsigned char* fogData, int fogSize, float fogScale,
                             float fogOffset, float fogWeight, PrismEdgeFn prismEdge,
                             const NodeMap* neighbourMaps, const int* neighbourSizes)
    : TerrainObject(1, samples, size, cellSize, heightScale, cellAspect, fanBegin, fanVertex,
                    notify, elevation, fogData, fogSize, fogScale, fogOffset, fogWeight,
                    prismEdge, neighbourMaps, neighbourSizes) {}

template <class F>
decltype(auto) TerrainObject::dispatch(F&& f) {
    if (isFloat) return f(float{});
    return f(std::int16_t{});
}

template <class Sample>
Sample** TerrainObject::typedColumns() {
    if constexpr (std::is_same_v<Sample, float>)
        return columns.float32;
    else
        return columns.int16;
}

// Queries and release see the unscaled heights and no neighbours.
template <class Sample>
void TerrainObject::bindForQuery(FogMap fog, float fogScaleBound) {
    bindMapState<Sample>(typedColumns<Sample>(), nodeMap, size, cellSize, heightScale, 0, 0, 0,
                         cellAspect, 0.0f, 0.0f, 0.0f, nullptr, nullptr, fog, fogScaleBound, 0.0f,
                         0.0f, kFogExtra, kFogExtra, kFogExtra);
}

TerrainObject::~TerrainObject() {
    dispatch([&](auto tag) {
        using Sample = decltype(tag);
        bindForQuery<Sample>(fogMap, 0.0f);
        releaseMap<Sample>();
    });
}

void TerrainObject::draw(float res, float ex, float ey, float ez, float dx, float dy, float dz,
                         float ux, float uy, float uz, float fovy, float aspect, float nearDist,
                         float farDist, float heightFactor) {
    // A NaN factor would turn every height into NaN; it is refused like one above 1.
    if (!(heightFactor <= kMaxHeightFactor)) fatalError(kTerrainObjectModule, kHeightFactorLine);
    dispatch([&](auto tag) {
        using Sample = decltype(tag);
        bindMapState<Sample>(typedColumns<Sample>(), nodeMap, size, cellSize,
                             heightScale * heightFactor, 0, 0, 0, cellAspect, 0.0f, 0.0f, 0.0f,
                             neighbourMaps, neighbourSizes, fogMap, fogScale, fogOffset, 0.0f,
                             kFogExtra, kFogExtra, kFogExtra);
        // The eye is also the level-of-detail viewpoint.
        runLandscapePass<Sample>(res, ex, ey, ez, ex, ey, ez, dx, dy, dz, ux, uy, uz, fovy,
                                 aspect, nearDist, farDist, fanBegin, fanVertex, notify, prismEdge,
                                 kAllPhases);
    });
}

float TerrainObject::getSampleHeight(int i, int j) {
    return dispatch([&](auto tag) {
        bindForQuery<decltype(tag)>(nullptr, 0.0f);
        return sampleHeightAt<decltype(tag)>(i, j);
    });
}

float TerrainObject::getHeight(float x, float z) {
    return dispatch([&](auto tag) {
        bindForQuery<decltype(tag)>(nullptr, 0.0f);
        return heightAt<decltype(tag)>(x, z);
    });
}

float TerrainObject::getFogThickness(float x, float z) {
    return dispatch([&](auto tag) {
        bindForQuery<decltype(tag)>(fogMap, fogScale);
        return fogThicknessAt<decltype(tag)>(x, z);
    });
}

void TerrainObject::getNormal(float x, float z, float* nx, float* ny, float* nz) {
    dispatch([&](auto tag) {
        bindForQuery<decltype(tag)>(nullptr, 0.0f);
        normalAt<decltype(tag)>(x, z, nx, ny, nz);
    });
}

}  // namespace kalde
