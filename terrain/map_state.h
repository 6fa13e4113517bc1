// The current map and the refinement parameters: the engine's module-level state that
// every stage reads, one set per sample type. Internal to the kalde library.
//
// Not thread safe: every engine function works on the one state of its sample type,
// so calls for one sample type must not overlap.
#pragma once

#include "terrain/kalde.h"

namespace kalde {

// Fog map bytes run from 0 (no fog) to this.
constexpr float kMaxFogValue = 255.0f;

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

template <class Sample>
struct EngineState {
    MapState<Sample> map;
    RefinementParams params;
};

// The one state of a sample type. Constant-initialised, so reaching it costs no guard.
template <class Sample>
EngineState<Sample>& state() {
    static EngineState<Sample> st;
    return st;
}

}  // namespace kalde
