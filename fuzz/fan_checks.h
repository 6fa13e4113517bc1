// Checking callbacks for the fuzz targets: every value the engine hands out is held
// against what a map of the given size and sample range can produce, and a violation
// ends the run with a trap, which libFuzzer reports as a crash.
#pragma once

namespace fuzzcheck {

// What the next pass may emit.
struct PassLimits {
    int size = 0;                  // the engine's grid size S
    bool checkElevation = false;   // false where samples are not finite (or blends could overflow)
    float minElevation = 0.0f;     // sample range of the map, in sample units
    float maxElevation = 0.0f;
    // Fog prisms: the map's world box in x and z, and the fog roof's greatest height
    // above the prism floor (255 * fogScale).
    float xMin = 0.0f, xMax = 0.0f, zMin = 0.0f, zMax = 0.0f;
    float maxFogDepth = 0.0f;
    bool checkPrismHeights = false;
};

struct Counts {
    long fans = 0;
    long vertices = 0;
    long nodes = 0;
    long prismEdges = 0;
};

// Resets the fan state and the counts for a new pass with these limits.
void beginPass(const PassLimits& limits);
const Counts& counts();

// The callbacks, with kalde's signatures.
void onFanBegin();
void onFanVertex(float i, float y, float j);
void onNotify(int i, int j, int s);
void onPrismEdge(float x, float y, float yTop, float z);

// Prints what went wrong and traps.
[[noreturn]] void fail(const char* what);

}  // namespace fuzzcheck
