// kaldestub: one terrain as an object over the kalde engine.
//
// A TerrainObject builds its map once, keeps its own copy of everything that defines
// the map, and binds that copy into the engine before every operation, so any number
// of terrains share one engine, one operation at a time (not thread safe: see kalde.h).
// The object owns the map's arrays and releases them when destroyed; it does not own
// the neighbour maps or the callbacks.
//
// Failures end the process with "fatal error in <kaldestub> at line N!" (checks of the
// object) or with the engine's report (checks of kalde.h).
#pragma once

#include <cstdint>

#include "terrain/kalde.h"

namespace kalde {

class TerrainObject {
public:
    // Builds the map from samples (N x N, N = *size) or from elevation when samples is
    // null, then the fog map from fogData (fogSize x fogSize bytes) when non-null.
    // Writes the engine's grid size S to *size and the rescaled cell size to *cellSize.
    // Null fanBegin or fanVertex draws through the built-in renderer; null notify is
    // not called; null prismEdge draws fog prisms through the built-in renderer.
    // neighbourMaps / neighbourSizes: 4 entries (west, east, south, north) or null.
    TerrainObject(const std::int16_t* samples, int* size, float* cellSize,
                  float heightScale, float cellAspect,
                  FanBeginFn fanBegin, FanVertexFn fanVertex, NotifyFn notify,
                  ElevationFn<std::int16_t> elevation,
                  const unsigned char* fogData, int fogSize,
                  float fogScale, float fogOffset, float fogWeight,
                  PrismEdgeFn prismEdge,
                  const NodeMap* neighbourMaps, const int* neighbourSizes);
    TerrainObject(const float* samples, int* size, float* cellSize,
                  float heightScale, float cellAspect,
                  FanBeginFn fanBegin, FanVertexFn fanVertex, NotifyFn notify,
                  ElevationFn<float> elevation,
                  const unsigned char* fogData, int fogSize,
                  float fogScale, float fogOffset, float fogWeight,
                  PrismEdgeFn prismEdge,
                  const NodeMap* neighbourMaps, const int* neighbourSizes);
    ~TerrainObject();
    TerrainObject(const TerrainObject&) = delete;
    TerrainObject& operator=(const TerrainObject&) = delete;

    // Refines and emits the terrain for one view (see runLandscapePass); heights are
    // scaled by heightFactor. Fatal: 131 heightFactor above 1 (or NaN).
    void draw(float res, float ex, float ey, float ez, float dx, float dy, float dz,
              float ux, float uy, float uz, float fovy, float aspect,
              float nearDist, float farDist, float heightFactor);
    float getSampleHeight(int i, int j);
    float getHeight(float x, float z);
    float getFogThickness(float x, float z);
    void  getNormal(float x, float z, float* nx, float* ny, float* nz);

private:
    // The constructors' shared body; isFloatVariant selects the engine variant.
    template <class Sample>
    TerrainObject(int isFloatVariant, const Sample* samples, int* size, float* cellSize,
                  float heightScale, float cellAspect,
                  FanBeginFn fanBegin, FanVertexFn fanVertex, NotifyFn notify,
                  ElevationFn<Sample> elevation,
                  const unsigned char* fogData, int fogSize,
                  float fogScale, float fogOffset, float fogWeight,
                  PrismEdgeFn prismEdge,
                  const NodeMap* neighbourMaps, const int* neighbourSizes);
    template <class Sample> Sample** typedColumns();
    template <class Sample> void bindForQuery(FogMap fog, float fogScaleBound);
    // Calls f with a value of this object's sample type, to select the engine variant.
    template <class F> decltype(auto) dispatch(F&& f);

    union Columns {
        std::int16_t** int16;
        float** float32;
    };

    int isFloat = 0;
    Columns columns{};
    NodeMap nodeMap = nullptr;
    FogMap fogMap = nullptr;
    int size = 0;
    float cellSize = 0.0f;
    float heightScale = 0.0f;
    float cellAspect = 0.0f;
    float fogScale = 0.0f;
    float fogOffset = 0.0f;
    FanBeginFn fanBegin = nullptr;
    FanVertexFn fanVertex = nullptr;
    NotifyFn notify = nullptr;
    PrismEdgeFn prismEdge = nullptr;
    NodeMap neighbourMaps[4] = {};
    int neighbourSizes[4] = {};
};

}  // namespace kalde
