// Seeded value and gradient noise for the sample terrain and its texture.
#pragma once

#include <cstdint>

namespace sample_terrain {

// Stateless, seed-driven noise. Lattice values come from an integer hash rather than a
// permutation table, so the noise never repeats and needs no shared state.

std::uint32_t hashCoords(std::int32_t x, std::int32_t y, std::uint32_t seed);

// Uniform value in [0, 1) derived from the hash.
float hashUnit(std::int32_t x, std::int32_t y, std::uint32_t seed);

// Gradient noise, roughly in [-1, 1], zero at lattice points.
float gradientNoise(float x, float y, std::uint32_t seed);

// Frequency step between octaves; slightly off 2 so octave lattices never line up.
constexpr float kLacunarity = 2.03f;

struct FractalParams {
    int octaves = 6;
    float lacunarity = kLacunarity;
    float gain = 0.5f;  // amplitude step between octaves
};

// Fractal Brownian motion: sum of octaves, normalised back to about [-1, 1].
float fbm(float x, float y, std::uint32_t seed, const FractalParams& params);

// Ridged multifractal: sharp crests where the noise crosses zero; about [0, 1].
float ridged(float x, float y, std::uint32_t seed, const FractalParams& params);

}  // namespace sample_terrain
