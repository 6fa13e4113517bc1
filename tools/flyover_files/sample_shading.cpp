#include "tools/flyover_files/sample_shading.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "elevation/parallel_rows.h"
#include "tools/flyover_files/smooth_ramps.h"
#include "tools/flyover_files/value_noise.h"

namespace sample_terrain {
namespace {

constexpr int kTextureDetail = 4;
constexpr int kMaxTextureSide = 4096;

// Height range of the field as a fraction of the map side; turns height steps into slopes.
constexpr float kReliefFraction = 0.2f;

// Zone borders on the 0..1 height scale.
constexpr float kForestLow = 0.12f, kForestHigh = 0.55f;
constexpr float kTreeLine = 0.62f;
constexpr float kRockLine = 0.72f;
constexpr float kSnowLine = 0.8f;
constexpr float kZoneJitter = 0.05f;
constexpr float kZoneBlend = 0.05f;  // half-width of the soft border between zones
constexpr float kSnowBlend = 0.035f;
constexpr float kLushSpread = 0.4f;  // zone-noise range over which lush grass turns to plain grass
constexpr float kDryness = 0.6f;  // how far high meadows fade towards dry grass
// Forest noise levels above which woods grow, on the lowland and on the slopes.
constexpr float kLowlandWoods = 0.3f, kSlopeWoods = -0.05f;
constexpr float kWoodsEdge = 0.25f;
constexpr float kCanopyContrast = 0.5f;
// Beaches: a strip along the water, as a fraction of the map side, on ground no higher than
// kBeachTop. Deciding by distance rather than height keeps low flats away from water green.
constexpr float kBeachWidth = 0.01f;
constexpr float kBeachTop = 0.06f;
constexpr float kFarFromWater = 1e9f;
constexpr float kDiagonalStep = 1.41421356f;
constexpr float kWaterDepthForDark = 0.03f;

// Slopes (rise over run) where bare rock takes over and snow no longer holds.
constexpr float kRockSlopeStart = 0.7f, kRockSlopeFull = 1.2f;
constexpr float kSnowSlopeStart = 0.8f, kSnowSlopeLimit = 1.5f;
constexpr float kSandSlopeStart = 0.3f, kSandSlopeLimit = 0.6f;

// Sun from the north-west (top left of the image), fairly low for readable relief.
constexpr float kLightX = -0.55f, kLightY = -0.55f, kLightZ = 0.63f;
constexpr float kAmbient = 0.35f;
constexpr float kMaxBrightness = 1.35f;

// Noise frequencies in map widths.
constexpr float kZoneNoiseFrequency = 9.0f;
constexpr float kForestNoiseFrequency = 7.0f;
constexpr float kGrainFrequency = 160.0f;
constexpr float kGrainStrength = 0.07f;

enum Layer : std::uint32_t { kZoneLayer = 11, kForestLayer, kGrainLayer };

struct Colour {
    float r, g, b;
};

constexpr Colour kDeepWater{22, 50, 92};
constexpr Colour kShallowWater{52, 98, 124};
constexpr Colour kSand{190, 176, 130};
constexpr Colour kGrass{88, 122, 56};
constexpr Colour kLushGrass{70, 112, 48};
constexpr Colour kDryGrass{148, 146, 92};
constexpr Colour kForest{34, 58, 30};
constexpr Colour kForestLight{70, 98, 50};
constexpr Colour kScrub{112, 110, 78};
constexpr Colour kRock{124, 114, 104};
constexpr Colour kSnow{236, 240, 246};

Colour mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb toRgb(const Colour& c, float brightness) {
    auto channel = [brightness](float v) {
        return static_cast<std::uint8_t>(std::clamp(v * brightness, 0.0f, 255.0f) + 0.5f);
    };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

// Vegetation and rock for land above the beach. `forest` in [-1, 1] places woods in patches:
// sparse groves on the lowland, denser on the slopes below the tree line.
Colour landColour(float h, float slope, float variation, float forest, float grain) {
    Colour c = mix(kLushGrass, kGrass, smoothstep(-kLushSpread, kLushSpread, variation));
    c = mix(c, kDryGrass, smoothstep(kForestLow, kForestHigh, h) * kDryness);
    const float onSlopes = smoothstep(kForestLow - kZoneBlend, kForestLow + kZoneBlend, h);
    const float threshold = kLowlandWoods + (kSlopeWoods - kLowlandWoods) * onSlopes;
    const float woods = smoothstep(threshold, threshold + kWoodsEdge, forest) * (1.0f - smoothstep(kForestHigh, kTreeLine, h));
    // Canopies are much rougher than meadow, so woods get a stronger grain.
    c = mix(c, mix(kForest, kForestLight, kCanopyContrast * (grain + 1.0f)), woods);
    c = mix(c, kScrub, smoothstep(kForestHigh, kTreeLine, h));
    c = mix(c, kRock, smoothstep(kTreeLine, kRockLine, h));
    c = mix(c, kRock, smoothstep(kRockSlopeStart, kRockSlopeFull, slope));
    const float snow = smoothstep(kSnowLine - kSnowBlend, kSnowLine + kSnowBlend, h) *
                       (1.0f - smoothstep(kSnowSlopeStart, kSnowSlopeLimit, slope));
    return mix(c, kSnow, snow);
}

// `shore` is 1 on the waterline, falling to 0 at the far side of the beach strip.
Colour albedo(float height, float waterLevel, float slope, float variation, float forest, float grain, float shore) {
    const float h = height + kZoneJitter * variation;
    if (height < waterLevel) {
        return mix(kShallowWater, kDeepWater, std::clamp((waterLevel - height) / kWaterDepthForDark, 0.0f, 1.0f));
    }
    const float beach = shore * (1.0f - smoothstep(kBeachTop * 0.5f, kBeachTop, height));
    const float sandHolds = 1.0f - smoothstep(kSandSlopeStart, kSandSlopeLimit, slope);
    return mix(landColour(h, slope, variation, forest, grain), kSand, beach * sandHolds);
}

// Distance in cells from each node to the nearest node under water, by two chamfer sweeps.
HeightField waterDistance(const HeightField& f, float waterLevel) {
    HeightField d(f.size);
    for (std::size_t i = 0; i < f.heights.size(); ++i) d.heights[i] = f.heights[i] < waterLevel ? 0.0f : kFarFromWater;
    auto relax = [&d](int x, int y, int dx, int dy, float cost) {
        const int nx = x + dx, ny = y + dy;
        if (nx >= 0 && ny >= 0 && nx < d.size && ny < d.size) d.at(x, y) = std::min(d.at(x, y), d.at(nx, ny) + cost);
    };
    for (int y = 0; y < d.size; ++y) {
        for (int x = 0; x < d.size; ++x) {
            relax(x, y, -1, 0, 1.0f), relax(x, y, 0, -1, 1.0f);
            relax(x, y, -1, -1, kDiagonalStep), relax(x, y, 1, -1, kDiagonalStep);
        }
    }
    for (int y = d.size - 1; y >= 0; --y) {
        for (int x = d.size - 1; x >= 0; --x) {
            relax(x, y, 1, 0, 1.0f), relax(x, y, 0, 1, 1.0f);
            relax(x, y, 1, 1, kDiagonalStep), relax(x, y, -1, 1, kDiagonalStep);
        }
    }
    return d;
}

// Central-difference gradient at a grid node, in height units per cell.
void nodeGradient(const HeightField& f, int x, int y, float& gx, float& gy) {
    gx = 0.5f * (f.clamped(x + 1, y) - f.clamped(x - 1, y));
    gy = 0.5f * (f.clamped(x, y + 1) - f.clamped(x, y - 1));
}

// Bilinear blend of the four surrounding node gradients, so lighting is smooth between samples.
void gradientAt(const HeightField& f, float x, float y, float& gx, float& gy) {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const float u = x - static_cast<float>(x0);
    const float v = y - static_cast<float>(y0);
    float g[4][2];
    nodeGradient(f, x0, y0, g[0][0], g[0][1]);
    nodeGradient(f, x0 + 1, y0, g[1][0], g[1][1]);
    nodeGradient(f, x0, y0 + 1, g[2][0], g[2][1]);
    nodeGradient(f, x0 + 1, y0 + 1, g[3][0], g[3][1]);
    for (int i = 0; i < 2; ++i) {
        const float top = g[0][i] + (g[1][i] - g[0][i]) * u;
        const float bottom = g[2][i] + (g[3][i] - g[2][i]) * u;
        (i == 0 ? gx : gy) = top + (bottom - top) * v;
    }
}

}  // namespace

int textureSizeFor(int heightFieldSize) {
    return std::max(heightFieldSize, std::min(heightFieldSize * kTextureDetail, kMaxTextureSide));
}

RgbImage shadeTerrain(const HeightField& field, int textureSize, std::uint32_t seed, float waterLevel,
                      elevation::Progress* progress) {
    RgbImage image;
    image.width = image.height = textureSize;
    image.pixels.resize(static_cast<std::size_t>(textureSize) * textureSize);
    if (field.size < 1 || textureSize < 1) return image;

    const float cells = static_cast<float>(std::max(field.size - 1, 1));
    // Height units per cell -> rise over run, with the map side as the unit of distance.
    const float slopeScale = kReliefFraction * cells;
    const FractalParams zoneParams{3, kLacunarity, 0.5f};
    const FractalParams forestParams{4, kLacunarity, 0.55f};
    const FractalParams grainParams{2, kLacunarity, 0.5f};
    const std::uint32_t zoneSeed = hashCoords(kZoneLayer, 0, seed);
    const std::uint32_t forestSeed = hashCoords(kForestLayer, 0, seed);
    const std::uint32_t grainSeed = hashCoords(kGrainLayer, 0, seed);
    const HeightField toWater = waterDistance(field, waterLevel);
    const float beachCells = kBeachWidth * cells;

    std::atomic<int> rowsDone{0};
    elevation::forEachRow(textureSize, [&](int ty) {
        const float v = (static_cast<float>(ty) + 0.5f) / static_cast<float>(textureSize);
        for (int tx = 0; tx < textureSize; ++tx) {
            const float u = (static_cast<float>(tx) + 0.5f) / static_cast<float>(textureSize);
            const float fx = u * cells;
            const float fy = v * cells;
            const float height = field.sample(fx, fy);
            float gx = 0.0f, gy = 0.0f;
            gradientAt(field, fx, fy, gx, gy);
            gx *= slopeScale;
            gy *= slopeScale;
            const float slope = std::sqrt(gx * gx + gy * gy);

            const float variation = fbm(u * kZoneNoiseFrequency, v * kZoneNoiseFrequency, zoneSeed, zoneParams);
            const float forest = fbm(u * kForestNoiseFrequency, v * kForestNoiseFrequency, forestSeed, forestParams);
            const float grain = fbm(u * kGrainFrequency, v * kGrainFrequency, grainSeed, grainParams);
            const float shore = 1.0f - smoothstep(0.5f * beachCells, beachCells, toWater.sample(fx, fy));
            const Colour base = albedo(height, waterLevel, slope, variation, forest, grain, shore);

            float brightness = 1.0f;
            if (height >= waterLevel) {
                // Lambert term relative to flat ground, so flat land shows its plain colour.
                const float nLen = std::sqrt(gx * gx + gy * gy + 1.0f);
                const float lambert = std::max(0.0f, (-gx * kLightX - gy * kLightY + kLightZ) / nLen);
                brightness = std::min(kAmbient + (1.0f - kAmbient) * lambert / kLightZ, kMaxBrightness);
                brightness *= 1.0f + kGrainStrength * grain;
            }
            image.pixels[static_cast<std::size_t>(ty) * textureSize + tx] = toRgb(base, brightness);
        }
        if (progress) progress->advance(static_cast<std::uint64_t>(++rowsDone), static_cast<std::uint64_t>(textureSize));
    });
    return image;
}

RgbImage turnedHalfWay(const RgbImage& image) {
    RgbImage turned = image;
    const std::size_t count = image.pixels.size();
    for (std::size_t k = 0; k < count; ++k) turned.pixels[k] = image.pixels[count - 1 - k];
    return turned;
}

}  // namespace sample_terrain
