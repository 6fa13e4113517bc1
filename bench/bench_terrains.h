// The terrains the benchmark flies over, as sample grids in the fly-over's layout
// (element (c, r) at c + r*N, grid row 0 = bottom image row).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BenchTerrain {
    std::string name;
    int width = 0;              // N; the engine enlarges it to S = 2^k+1
    float cellSize = 1.0f;      // world units per sample
    float heightScale = 1.0f;   // world units per 16-bit sample unit
    std::vector<std::int16_t> samples16;
    // The float variant's samples and scale, where the source has finer heights.
    std::vector<float> samplesFloat;
    float heightScaleFloat = 1.0f;
};

// The fly-over's own sample terrain: the generator's 256-pixel height image (0..255),
// enlarged by the engine to 257.
BenchTerrain sampleTerrain();

// A generated terrain of width 2^k+1, shaped like the sample terrain, heights scaled
// with the extent so that its relief looks the same.
BenchTerrain generatedTerrain(int width);

// The Puget Sound DEM (16-bit PNG, 0.1 m units, about 160 m per sample), world units of
// one sample spacing: the float variant in metres, the 16-bit variant halved so that
// every difference stays below 32768. Returns false with a reason when the file is
// absent or unreadable.
bool pugetSound(const std::string& path, BenchTerrain* out, std::string* why);

}  // namespace bench
