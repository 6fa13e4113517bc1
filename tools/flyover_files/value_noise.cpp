#include "tools/flyover_files/value_noise.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sample_terrain {
namespace {

constexpr int kGradientCount = 256;
constexpr float kTwoPi = 6.28318530718f;
// Plain 2D gradient noise peaks near 0.7; this brings it to about [-1, 1].
constexpr float kGradientNoiseScale = 1.4f;
// Each octave is rotated so the axis-aligned lattice does not show as a grid.
constexpr float kOctaveRotation = 0.61f;
// Ridged octaves are weighted by the previous one so detail gathers on the crests.
constexpr float kRidgeSharpness = 2.0f;
// Mixed into octave seeds so octaves of one layer are independent of each other.
constexpr std::int32_t kOctaveSalt = 0x5EED;

struct Vec2 {
    float x, y;
};

const std::array<Vec2, kGradientCount>& gradients() {
    static const std::array<Vec2, kGradientCount> table = [] {
        std::array<Vec2, kGradientCount> t{};
        for (int i = 0; i < kGradientCount; ++i) {
            const float a = kTwoPi * static_cast<float>(i) / kGradientCount;
            t[i] = {std::cos(a), std::sin(a)};
        }
        return t;
    }();
    return table;
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

// Scales and rotates the sample point for the next, finer octave.
void nextOctave(float& x, float& y, float lacunarity) {
    static const float c = std::cos(kOctaveRotation);
    static const float s = std::sin(kOctaveRotation);
    const float rx = (c * x - s * y) * lacunarity;
    y = (s * x + c * y) * lacunarity;
    x = rx;
}

std::uint32_t octaveSeed(std::uint32_t seed, int octave) {
    return hashCoords(octave, kOctaveSalt, seed);
}

}  // namespace

std::uint32_t hashCoords(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    // Large odd multipliers spread neighbouring inputs; the murmur finaliser mixes the bits.
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8DA6B343u + static_cast<std::uint32_t>(y) * 0xD8163841u +
                      seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

float hashUnit(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    constexpr float kInv24 = 1.0f / 16777216.0f;
    return static_cast<float>(hashCoords(x, y, seed) >> 8) * kInv24;
}

float gradientNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx);
    const auto iy = static_cast<std::int32_t>(fy);
    const float ox = x - fx;
    const float oy = y - fy;
    const auto& table = gradients();
    const Vec2 ga = table[hashCoords(ix, iy, seed) >> 24];
    const Vec2 gb = table[hashCoords(ix + 1, iy, seed) >> 24];
    const Vec2 gc = table[hashCoords(ix, iy + 1, seed) >> 24];
    const Vec2 gd = table[hashCoords(ix + 1, iy + 1, seed) >> 24];
    const float a = ga.x * ox + ga.y * oy;
    const float b = gb.x * (ox - 1.0f) + gb.y * oy;
    const float c = gc.x * ox + gc.y * (oy - 1.0f);
    const float d = gd.x * (ox - 1.0f) + gd.y * (oy - 1.0f);
    const float u = fade(ox);
    const float v = fade(oy);
    const float top = a + (b - a) * u;
    const float bottom = c + (d - c) * u;
    return kGradientNoiseScale * (top + (bottom - top) * v);
}

float fbm(float x, float y, std::uint32_t seed, const FractalParams& params) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < params.octaves; ++i) {
        sum += amplitude * gradientNoise(x, y, octaveSeed(seed, i));
        total += amplitude;
        amplitude *= params.gain;
        nextOctave(x, y, params.lacunarity);
    }
    return total > 0.0f ? sum / total : 0.0f;
}

float ridged(float x, float y, std::uint32_t seed, const FractalParams& params) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    float weight = 1.0f;
    for (int i = 0; i < params.octaves; ++i) {
        float n = 1.0f - std::fabs(gradientNoise(x, y, octaveSeed(seed, i)));
        n *= n;
        n *= weight;
        weight = std::clamp(n * kRidgeSharpness, 0.0f, 1.0f);
        sum += amplitude * n;
        total += amplitude;
        amplitude *= params.gain;
        nextOctave(x, y, params.lacunarity);
    }
    return total > 0.0f ? sum / total : 0.0f;
}

}  // namespace sample_terrain
