// The engine fuzz target's input, decoded: a map, its settings, an optional fog layer,
// the views to draw and the points to query. Everything that would trip one of the
// engine's documented fatal checks is left out while decoding, so that a run ends in
// the engine only through a fault.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <vector>

namespace enginefuzz {

struct View {
    float res = 0.0f;
    std::array<float, 3> eye{}, lod{}, dir{}, up{};
    float fovy = 0.0f, aspect = 0.0f, nearDist = 0.0f, farDist = 0.0f;
    int phase = 0;
    bool fanCallbacks = false;
    bool notify = false;
    bool prismEdges = false;
};

struct Fog {
    int n = 0;                          // 0: no fog
    std::vector<unsigned char> image;   // n x n
    float scale = 0.0f, offset = 0.0f, drawParam = 0.0f, weight = 0.0f;
    std::array<float, 3> extra{};
};

struct Neighbour {
    int size = 0;                       // of the neighbour's map; below 3: absent
    std::vector<unsigned char> bytes;   // (size-1) x (size-1) node map bytes
};

struct Scenario {
    bool isFloat = false;
    int n = 0;   // grid size N
    std::vector<std::int16_t> int16Grid;
    std::vector<float> floatGrid;
    bool fromCallback = false;   // build through the elevation callback
    float cellSize = 0.0f, heightScale = 0.0f, cellAspect = 0.0f;
    float minRefineFactor = 0.0f, maxRoughness = 0.0f, slopeWeight = 0.0f;
    int cullDepth = 0;
    Fog fog;
    bool rebind = false;   // bind again with a centre and neighbours
    std::array<float, 3> centre{};
    std::array<Neighbour, 4> neighbours;
    std::vector<View> views;
    std::vector<std::array<float, 2>> queries;
    std::vector<std::array<int, 2>> sampleQueries;   // grid points, made valid for S
    // Sample range of the grid; blendSafe when every sample is finite and small enough
    // that the engine's blends cannot overflow.
    float minSample = 0.0f, maxSample = 0.0f;
    bool blendSafe = false;
};

// Decodes a scenario; any input makes one (missing bytes read as zeros).
void decodeScenario(FuzzedDataProvider& in, Scenario* out);

}  // namespace enginefuzz
