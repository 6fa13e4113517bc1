#pragma once

#include <cstdint>

#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

// Particle ("droplet") hydraulic erosion: each droplet runs downhill, picks up material where
// it speeds up and drops it where it slows, which carves branching gullies and fills valley
// floors, the features pure noise lacks. Heights are expected on a 0..1 scale.
struct ErosionParams {
    int droplets = 0;
    int maxSteps = 48;
    float inertia = 0.05f;         // how much a droplet keeps its direction versus following the slope
    float capacityFactor = 4.0f;   // sediment a fast, full droplet can carry per unit of drop
    float minCapacity = 0.01f;     // lets droplets keep eroding on gentle slopes
    float erodeRate = 0.3f;
    float depositRate = 0.3f;
    float evaporation = 0.015f;
    float gravity = 4.0f;
    int radius = 3;                // erosion brush radius in cells; wider gives smoother gullies
};

// Parameters for a grid of the given side; tuned for sides of 256 to 512, where droplet
// steps and gullies have a sensible size relative to the landscape.
ErosionParams erosionParamsFor(int size);

void erodeHydraulic(HeightField& field, std::uint32_t seed, const ErosionParams& params);

}  // namespace sample_terrain
