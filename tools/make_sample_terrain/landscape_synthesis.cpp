#include "tools/make_sample_terrain/landscape_synthesis.h"

#include <algorithm>
#include <cmath>

#include "elevation/parallel_rows.h"
#include "tools/flyover_files/smooth_ramps.h"
#include "tools/flyover_files/value_noise.h"
#include "tools/make_sample_terrain/droplet_erosion.h"

namespace sample_terrain {
namespace {

// Horizontal distances are in noise cells; the whole map spans kFeatureScale of them, so the
// layout is the same at every size and only the finest detail grows with the size.
constexpr float kFeatureScale = 3.0f;
// Octaves finer than this many height samples per wavelength would only alias into grit.
constexpr float kFinestWavelength = 2.5f;
constexpr int kMaxOctaves = 12;
// The warp, the region border and the plain swells must stay smooth at any size.
constexpr int kSmoothOctaves = 4;
constexpr int kRegionOctaves = 3;

constexpr float kWarpFrequency = 0.6f;
constexpr float kWarpStrength = 0.55f;
constexpr float kRegionFrequency = 0.45f;
constexpr float kRegionNoise = 0.45f;  // how much the mountain/plain border meanders
constexpr float kRegionSpread = 2.0f;  // region value change across the map
constexpr float kTwoPi = 6.28318530718f;

// Where the mountains rise and the plain settles, along the region value.
constexpr float kMountainStart = 0.0f, kMountainFull = 0.65f;
constexpr float kPlainFull = -0.85f, kPlainEnd = -0.45f;
// The land tilts up towards the mountains, so valleys drain onto the plain.
constexpr float kTiltLow = 0.12f, kTiltHigh = 0.38f;
constexpr float kHillWeight = 0.3f;
// Low ridges outside the mountains give the hills crests and valleys instead of pure bumps.
constexpr float kFoothillWeight = 0.15f;
constexpr float kFoothillFrequency = 1.3f;
constexpr float kFoothillMean = 0.3f;  // about the ridged noise average, so the level is kept
constexpr float kMountainWeight = 0.75f;
constexpr float kRidgeFrequency = 1.7f;  // relative to the hills: several crests per massif
constexpr float kRidgeBase = 0.4f;       // share of ridge height independent of the hills
constexpr float kPlainLevel = 0.1f;
constexpr float kPlainRelief = 0.05f;
// The deepest swell hollows sink a little further and become lakes.
constexpr float kLakeDepth = 0.05f;
constexpr float kLakeStart = 0.3f, kLakeFull = 0.5f;

// Droplet erosion only behaves within a band of grid sizes: on coarse grids each droplet
// step spans too much land and scores straight trenches, on fine ones the cost explodes.
// Smaller maps are built at the lower bound and shrunk; larger ones get the change that
// erosion makes at the upper bound, scaled up onto their full-resolution field.
constexpr int kMinErosionSize = 256;
constexpr int kMaxErosionSize = 512;

// Per-layer seeds, so the layers are independent noise fields.
enum Layer : std::uint32_t { kWarpX = 1, kWarpY, kRegion, kHills, kRidges, kFoothills, kPlainSwell, kAngle, kErosion };

std::uint32_t layerSeed(std::uint32_t seed, Layer layer) { return hashCoords(static_cast<std::int32_t>(layer), 0, seed); }

// Enough octaves to reach the finest wavelength the grid can show, at a given base frequency.
int octavesFor(int size, float frequency) {
    const float samplesPerWavelength = static_cast<float>(size) / (kFeatureScale * frequency);
    const int octaves = static_cast<int>(std::ceil(std::log(samplesPerWavelength / kFinestWavelength) / std::log(kLacunarity)));
    return std::clamp(octaves, 1, kMaxOctaves);
}

}  // namespace

struct Layout {
    std::uint32_t seed;
    float dirX, dirY;  // direction in which the land climbs from plain to mountains
    FractalParams warp, hills, ridges, foothills, region, swell;
};

namespace {

Layout makeLayout(int size, std::uint32_t seed) {
    const float angle = kTwoPi * hashUnit(0, 0, layerSeed(seed, kAngle));
    Layout l{seed, std::cos(angle), std::sin(angle), {}, {}, {}, {}, {}, {}};
    l.warp = {std::min(kSmoothOctaves, octavesFor(size, kWarpFrequency)), kLacunarity, 0.5f};
    l.hills = {octavesFor(size, 1.0f), kLacunarity, 0.5f};
    l.ridges = {octavesFor(size, kRidgeFrequency), kLacunarity, 0.5f};
    l.foothills = {octavesFor(size, kFoothillFrequency), kLacunarity, 0.5f};
    l.region = {kRegionOctaves, kLacunarity, 0.5f};
    l.swell = {std::min(kSmoothOctaves, octavesFor(size, 1.0f)), kLacunarity, 0.45f};
    return l;
}

// Height at map position (u, v) in [0, 1]^2, before erosion; roughly within 0..1.
float elevation(const Layout& l, float u, float v) {
    const float px = u * kFeatureScale;
    const float py = v * kFeatureScale;
    // Warping the domain bends ridges and valleys so they meander instead of looking stamped.
    const float wx = fbm(px * kWarpFrequency, py * kWarpFrequency, layerSeed(l.seed, kWarpX), l.warp);
    const float wy = fbm(px * kWarpFrequency, py * kWarpFrequency, layerSeed(l.seed, kWarpY), l.warp);
    const float qx = px + kWarpStrength * wx;
    const float qy = py + kWarpStrength * wy;

    const float region = kRegionSpread * ((u - 0.5f) * l.dirX + (v - 0.5f) * l.dirY) +
                         kRegionNoise * fbm(px * kRegionFrequency, py * kRegionFrequency, layerSeed(l.seed, kRegion), l.region);
    const float mountainMask = smoothstep(kMountainStart, kMountainFull, region);
    const float plainMask = 1.0f - smoothstep(kPlainFull, kPlainEnd, region);

    const float hills = 0.5f + 0.5f * fbm(qx, qy, layerSeed(l.seed, kHills), l.hills);
    const float ridges = ridged(qx * kRidgeFrequency, qy * kRidgeFrequency, layerSeed(l.seed, kRidges), l.ridges);
    const float foothills =
        ridged(qx * kFoothillFrequency, qy * kFoothillFrequency, layerSeed(l.seed, kFoothills), l.foothills) - kFoothillMean;
    const float tilt = lerp(kTiltLow, kTiltHigh, smoothstep(kPlainEnd, kMountainFull, region));
    const float land = tilt + kHillWeight * (hills - 0.5f) + kFoothillWeight * (1.0f - mountainMask) * foothills +
                       kMountainWeight * mountainMask * ridges * lerp(kRidgeBase, 1.0f, hills);

    const float swell = fbm(px, py, layerSeed(l.seed, kPlainSwell), l.swell);
    const float lake = smoothstep(kLakeStart, kLakeFull, -swell);
    const float plain = kPlainLevel + kPlainRelief * swell - kLakeDepth * lake;
    return lerp(land, plain, plainMask);
}

HeightField uneroded(int size, std::uint32_t seed) {
    HeightField field(size);
    const Layout layout = makeLayout(size, seed);
    const float step = size > 1 ? 1.0f / static_cast<float>(size - 1) : 0.0f;
    elevation::forEachRow(size, [&](int y) {
        for (int x = 0; x < size; ++x) field.at(x, y) = elevation(layout, x * step, y * step);
    });
    return field;
}

}  // namespace

LandscapeRows::LandscapeRows(int size, std::uint32_t seed) : size_(size), layout_(std::make_shared<Layout>(makeLayout(size, seed))) {
    const std::uint32_t erosionSeed = layerSeed(seed, kErosion);
    if (size < kMinErosionSize) {
        HeightField fine = uneroded(kMinErosionSize, seed);
        erodeHydraulic(fine, erosionSeed, erosionParamsFor(kMinErosionSize));
        whole_ = shrunk(fine, size);
    } else if (size <= kMaxErosionSize) {
        whole_ = uneroded(size, seed);
        erodeHydraulic(whole_, erosionSeed, erosionParamsFor(size));
    } else {
        // The change that erosion makes at the largest size it behaves at, scaled up.
        coarse_ = uneroded(kMaxErosionSize, seed);
        eroded_ = coarse_;
        erodeHydraulic(eroded_, erosionSeed, erosionParamsFor(kMaxErosionSize));
    }
}

void LandscapeRows::row(int y, float* out) const {
    if (whole_.size > 0) {
        std::copy_n(whole_.heights.begin() + static_cast<std::ptrdiff_t>(whole_.index(0, y)), size_, out);
        return;
    }
    const float step = 1.0f / static_cast<float>(size_ - 1);
    const float scale = static_cast<float>(kMaxErosionSize - 1) / static_cast<float>(size_ - 1);
    const float cy = static_cast<float>(y) * scale;
    for (int x = 0; x < size_; ++x) {
        const float cx = static_cast<float>(x) * scale;
        out[x] = elevation(*layout_, x * step, y * step) + (eroded_.sample(cx, cy) - coarse_.sample(cx, cy));
    }
}

HeightField synthesizeTerrain(int size, std::uint32_t seed) {
    const LandscapeRows rows(size, seed);
    HeightField field(size);
    elevation::forEachRow(size, [&](int y) { rows.row(y, &field.at(0, y)); });
    normalise(field);
    return field;
}

}  // namespace sample_terrain
