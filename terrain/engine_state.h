// The engine's module-level state, one set per sample type, and the table of fatal
// check numbers that tells the two variants apart. Internal to the kalde library
// (tests include it to look at the state).
//
// Not thread safe: every engine function works on the one state of its sample type,
// so calls for one sample type must not overlap.
#pragma once

#include <cstdint>
#include <type_traits>

#include "terrain/kalde.h"

namespace kalde {

// The current map. bindMapState writes every field; buildMap leaves a new map here.
template <class Sample>
struct MapState {
    Sample** columns = nullptr;     // S+1 columns of S samples; column S is maxDiff
    Sample* maxDiff = nullptr;      // indexed by node size: height bound in sample units
    NodeMap nodeMap = nullptr;      // S-1 columns of S-1 bytes: roughness and weights
    int size = 0;                   // S = 2^k+1; 0 while no map is current
    float cellX = 0.0f;
    float heightScale = 0.0f;
    int textureId = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    float cellZ = 0.0f;
    float cellAvg = 0.0f;
    float centerX = 0.0f;
    float centerY = 0.0f;
    float centerZ = 0.0f;
    NodeMap neighbourMaps[4] = {};  // west, east, south, north
    int neighbourSizes[4] = {};
    FogMap fogMap = nullptr;        // S columns of S bytes, or null
    float fogScale = 0.0f;
    float fogOffset = 0.0f;
    float prismDrawParam = 0.0f;
    float fogExtra1 = 0.0f;
    float fogExtra2 = 0.0f;
    float fogExtra3 = 0.0f;
};

// Shared by every map of a sample type; buildMap installs the defaults unless
// setRefinementParams ran before the first map existed.
struct RefinementParams {
    static constexpr float kDefaultMinRefineFactor = 9.0f;
    static constexpr float kDefaultMaxRoughness = 100.0f;
    static constexpr float kDefaultSlopeWeight = 0.5f;
    static constexpr int kDefaultCullDepth = 8;

    float minRefineFactor = kDefaultMinRefineFactor;
    float maxRoughness = kDefaultMaxRoughness;
    float slopeWeight = kDefaultSlopeWeight;
    int cullDepth = kDefaultCullDepth;
    int paramsSetCount = 0;         // calls made while no map existed
};

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Per-pass view quantities; positions are relative to the map centre.
struct ViewState {
    Vec3 viewDir;
    float nearDist = 0.0f;
    float farDist = 0.0f;
    float resFactor = 0.0f;
    Vec3 eyePos;
    Vec3 lodPos;
    unsigned char orthographic = 0;
    float dirExtentXZ = 0.0f;
    float dirExtentY = 0.0f;
    Vec3 planeNormal[4];
    float planeExtentXZ[4] = {};
    float planeExtentY[4] = {};
    float lodHeight2 = 0.0f;
    Vec3 orthoRight;
    Vec3 orthoUp;
    float orthoRightExtentXZ = 0.0f;
    float orthoRightExtentY = 0.0f;
    float orthoUpExtentXZ = 0.0f;
    float orthoUpExtentY = 0.0f;
    float orthoHalfWidth = 0.0f;
    float orthoHalfHeight = 0.0f;
    FanBeginFn storedFanBegin = nullptr;
    FanVertexFn storedFanVertex = nullptr;
    NotifyFn storedNotify = nullptr;
    PrismEdgeFn storedPrismEdge = nullptr;
};

// One fan triangle with fog, lifted into a vertical prism: corners A (fan centre),
// B (previous vertex), C (current vertex), each x, y, yTop, z in world units.
struct FogPrism {
    float ax, ay, aTop, az;
    float bx, by, bTop, bz;
    float cx, cy, cTop, cz;
};

// A fan vertex with its fog value, as the fog-aware emission tracks it.
struct TrackedVertex {
    int i = 0;
    float elevation = 0.0f;
    float fog = 0.0f;
    int j = 0;
};

// The centre and the previous vertex of the fan being emitted.
struct FanTracker {
    TrackedVertex centre;
    TrackedVertex previous;
};

template <class Sample>
struct EngineState {
    MapState<Sample> map;
    RefinementParams params;
    ViewState view;
    // Fog prisms collected by the fan phase, consumed by the prism phase; the memory
    // stays allocated from frame to frame.
    FogPrism* prismList = nullptr;
    int prismCount = 0;
    int prismCapacity = 0;
    // Fog-aware emission: one tracker per path, and the vertex count of the current
    // fan (saturating at 2) that both share.
    FanTracker callbackTracker;
    FanTracker builtInTracker;
    int fanVertexCount = 0;
};

// The one state of a sample type. Constant-initialised, so reaching it costs no guard.
template <class Sample>
EngineState<Sample>& state() {
    static EngineState<Sample> st;
    return st;
}

// The number each fatal check reports; the two variants carry numbers of their own.
// 0 marks a check the variant does not have.
struct FatalLines {
    // map construction
    int refinementParamsRange;
    int maxDiffOverflow;
    int buildMapArguments;
    int columnArrayAlloc;
    int columnAlloc;
    int noElevationSource;
    int nodeMapArrayAlloc;
    int nodeMapColumnAlloc;
    int setTextureNoMap;
    int setTextureSize;
    // roughness
    int roughnessAboveOne;
    int propagationTooFar;
    // fog map
    int fogHeightScaleZero;
    int fogBoundOverflow;
    int fogNoMap;
    int fogImageSize;
    int fogParameters;
    int fogWeight;
    int fogAlreadyBuilt;
    int fogArrayAlloc;
    int fogColumnAlloc;
    // fog prism list
    int prismListAlloc;
    int prismListGrow;
    // landscape pass
    int passNoMap;
    int passView;
    int passViewDirection;
    int perspectiveRight;
    int perspectiveUp;
    int perspectivePlane[4];
    int orthoRight;
    int orthoUp;
    // queries and release
    int sampleHeightNoMap;
    int sampleHeightRange;
    int heightNoMap;
    int fogThicknessNoMap;
    int normalNoMap;
    int normalZeroLength;
    int releaseNoMap;
};

template <class Sample> struct Variant;

template <>
struct Variant<std::int16_t> {
    static constexpr FatalLines lines = {
        12, 82, 181, 193, 195, 200, 206, 208, 232, 238,
        88, 114,
        300, 305, 364, 368, 369, 370, 372, 373, 375,
        738, 745,
        1897, 1900, 1904, 1941, 1946, {1955, 1967, 1979, 1991}, 2003, 2008,
        2108, 2110, 2122, 2180, 2245, 2321, 2332,
    };
};

template <>
struct Variant<float> {
    static constexpr FatalLines lines = {
        2366, 0, 2535, 2547, 2549, 2554, 2560, 2562, 2586, 2592,
        2442, 2468,
        2652, 0, 2711, 2715, 2716, 2717, 2719, 2720, 2722,
        3085, 3092,
        4244, 4247, 4251, 4288, 4293, {4302, 4314, 4326, 4338}, 4350, 4355,
        4455, 4457, 4469, 4527, 4592, 4668, 4679,
    };
};

template <class Sample>
constexpr const FatalLines& fatalLines() {
    return Variant<Sample>::lines;
}

// Sample (i, j): element j of column i.
template <class Sample>
inline Sample sampleAt(const MapState<Sample>& map, int i, int j) {
    return map.columns[i][j];
}

}  // namespace kalde
