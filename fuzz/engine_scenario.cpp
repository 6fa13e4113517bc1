#include "fuzz/engine_scenario.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "terrain/map_state.h"

namespace enginefuzz {

namespace {

// Small grids keep a run fast; 65 still enlarges to S = 129.
constexpr int kMinGrid = 2;
constexpr int kMaxGrid = 65;
constexpr int kMaxViews = 4;
constexpr int kMaxQueries = 16;
constexpr int kMaxSampleQueries = 4;
// Cell sizes and aspects well inside float range: the normal's y component
// (cellX * cellZ) cannot underflow to zero, which would trip the zero-normal check.
constexpr float kMinCellSize = 0.01f;
constexpr float kMaxCellSize = 1000.0f;
// Roughness propagates to nodes up to 1.5 node sizes away along one axis and half a size
// along the other; the engine's checks hold while minRefineFactor * (cellX + cellZ) is at
// least twice that distance: with factors from 2.5 for aspects between about 0.21 and
// 4.9, and with factors above 3 for any aspect.
constexpr float kMinAspect = 0.25f;
constexpr float kMaxAspect = 4.0f;
constexpr float kAnyAspectRefineFactor = 3.01f;
constexpr float kMinAnyAspect = 0.01f;
constexpr float kMaxAnyAspect = 100.0f;
constexpr float kMinHeightScale = 1e-4f;
constexpr float kMaxHeightScale = 1000.0f;
constexpr float kMinRefineFactor = 2.5f;
constexpr float kMaxRefineFactor = 100.0f;
constexpr float kMinMaxRoughness = 1e-3f;
constexpr float kMaxMaxRoughness = 1e4f;
constexpr float kMaxSlopeWeight = 10.0f;
constexpr int kMaxCullDepth = 40;   // past the width of int, to reach the engine's guard

// 16-bit samples: no two may differ by 32768 or more, or the bound check fires.
constexpr int kMaxInt16Spread = 32767;
// The raised 16-bit bounds must stay below 32767 after the engine rounds them up.
constexpr double kMaxFogBound = 32766.0;
using kalde::kMaxFogValue;
// A fan elevation is ((a + b) * (255 - w) + 2w * y) / 510: samples up to this size
// cannot overflow it.
constexpr float kBlendSafeLimit = FLT_MAX / 2048.0f;
constexpr float kMaxScaledBase = 1e4f;
constexpr float kMaxSampleStep = 100.0f;

constexpr int kMinFogImage = 2;
constexpr int kMaxFogImage = 65;
constexpr float kMinFogScale = 1e-3f;
constexpr float kMaxFogScale = 100.0f;
constexpr float kMaxFogOffset = 1000.0f;
constexpr float kMaxPrismDrawParam = 10.0f;
constexpr float kMaxFogWeight = 100.0f;

constexpr float kMaxCentre = 1e4f;
// Neighbour maps are node maps of other maps, whose sizes are 2^k+1 (below 3: absent).
constexpr int kNeighbourSizes[] = {0, 2, 3, 5, 9, 17, 33, 65, 129};
constexpr std::size_t kMaxPatternBytes = 256;

// Views: direction and up are drawn from the unit cube, and views whose direction or
// right vector (up x direction) is this short are skipped as degenerate.
constexpr float kMinViewVector = 1e-3f;
constexpr float kMinFovy = 0.5f;
constexpr float kMaxFovy = 179.5f;
constexpr float kMinOrthoHeight = 1e-3f;
constexpr float kMaxOrthoHeight = 1e4f;
constexpr float kMinAspectRatio = 0.01f;
constexpr float kMaxAspectRatio = 100.0f;
constexpr float kMaxNear = 100.0f;
constexpr float kMinDepthRange = 1e-3f;
constexpr float kMaxDepthRange = 1e5f;
constexpr float kMaxRes = 1e6f;
constexpr int kMinPhase = -1;   // phases outside 0..3 do nothing
constexpr int kMaxPhase = 4;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kSpecialValues[] = {
    std::numeric_limits<float>::quiet_NaN(),  kInf, -kInf, FLT_MAX, -FLT_MAX, 0.0f, -0.0f, FLT_MIN,
    std::numeric_limits<float>::denorm_min(),
};

enum class FloatSamples { kScaled, kAnyFinite, kAnyBits, kCount };

// n bytes from the input, repeated when it holds fewer (zeros when it holds none).
std::vector<unsigned char> tiledBytes(FuzzedDataProvider& in, std::size_t n, std::size_t budget) {
    std::vector<unsigned char> pattern = in.ConsumeBytes<unsigned char>(std::min(n, budget));
    std::vector<unsigned char> out(n, 0);
    if (!pattern.empty())
        for (std::size_t k = 0; k < n; ++k) out[k] = pattern[k % pattern.size()];
    return out;
}

float anyValue(FuzzedDataProvider& in, float reach) {
    switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return in.ConsumeFloatingPoint<float>();
        case 1:
            return in.PickValueInArray(kSpecialValues);
        default:
            return in.ConsumeFloatingPointInRange(-reach, reach);
    }
}

std::array<float, 3> unitCubeVector(FuzzedDataProvider& in) {
    return {in.ConsumeFloatingPointInRange(-1.0f, 1.0f),
            in.ConsumeFloatingPointInRange(-1.0f, 1.0f),
            in.ConsumeFloatingPointInRange(-1.0f, 1.0f)};
}

float length(const std::array<float, 3>& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void decodeInt16Grid(FuzzedDataProvider& in, Scenario* s) {
    const int spread = in.ConsumeIntegralInRange(0, kMaxInt16Spread);
    const int base = in.ConsumeIntegralInRange(-32768, 32767 - spread);
    const std::size_t count = static_cast<std::size_t>(s->n) * s->n;
    const std::vector<unsigned char> bytes = tiledBytes(in, 2 * count, 2 * count);
    s->int16Grid.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned raw = bytes[2 * k] | (bytes[2 * k + 1] << 8);
        s->int16Grid[k] = static_cast<std::int16_t>(base + static_cast<int>(raw % (spread + 1u)));
    }
}

void decodeFloatGrid(FuzzedDataProvider& in, Scenario* s) {
    const auto mode = static_cast<FloatSamples>(
        in.ConsumeIntegralInRange(0, static_cast<int>(FloatSamples::kCount) - 1));
    const std::size_t count = static_cast<std::size_t>(s->n) * s->n;
    s->floatGrid.resize(count);
    if (mode == FloatSamples::kScaled) {
        const float base = in.ConsumeFloatingPointInRange(-kMaxScaledBase, kMaxScaledBase);
        const float step = in.ConsumeFloatingPointInRange(0.0f, kMaxSampleStep);
        const std::vector<unsigned char> bytes = tiledBytes(in, 2 * count, 2 * count);
        for (std::size_t k = 0; k < count; ++k) {
            const auto raw = static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
            s->floatGrid[k] = base + step * static_cast<float>(raw);
        }
        return;
    }
    const std::vector<unsigned char> bytes = tiledBytes(in, 4 * count, 4 * count);
    for (std::size_t k = 0; k < count; ++k) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b)
            bits = (bits << 8) | bytes[4 * k + static_cast<std::size_t>(b)];
        float v;
        static_assert(sizeof v == sizeof bits);
        __builtin_memcpy(&v, &bits, sizeof v);
        if (mode == FloatSamples::kAnyFinite && !std::isfinite(v)) v = std::copysign(FLT_MAX, v);
        s->floatGrid[k] = v;
    }
}

void summariseSamples(Scenario* s) {
    bool finite = true;
    float lo = kInf, hi = -kInf;
    const auto visit = [&](float v) {
        if (!std::isfinite(v)) {
            finite = false;
            return;
        }
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    for (std::int16_t v : s->int16Grid) visit(v);
    for (float v : s->floatGrid) visit(v);
    s->minSample = lo;
    s->maxSample = hi;
    s->blendSafe = finite && lo >= -kBlendSafeLimit && hi <= kBlendSafeLimit;
}

// 255 * scale + offset above the highest sample, in 16-bit sample units, must leave the
// raised bounds below 32767 (the engine's check 305).
bool fogFitsInt16(const Scenario& s, const Fog& fog) {
    const float top = kMaxFogValue * fog.scale + fog.offset;
    const double spread = static_cast<double>(s.maxSample) - s.minSample;
    return spread + static_cast<double>(top) / s.heightScale < kMaxFogBound;
}

void decodeFog(FuzzedDataProvider& in, Scenario* s) {
    if (!in.ConsumeBool()) return;
    Fog fog;
    fog.n = in.ConsumeIntegralInRange(kMinFogImage, kMaxFogImage);
    const auto pixels = static_cast<std::size_t>(fog.n) * fog.n;
    fog.image = tiledBytes(in, pixels, pixels);
    fog.scale = in.ConsumeFloatingPointInRange(kMinFogScale, kMaxFogScale);
    fog.offset = in.ConsumeBool() ? 0.0f : in.ConsumeFloatingPointInRange(0.0f, kMaxFogOffset);
    fog.drawParam =
        in.ConsumeBool() ? 0.0f : in.ConsumeFloatingPointInRange(0.0f, kMaxPrismDrawParam);
    fog.weight = in.ConsumeFloatingPointInRange(0.0f, kMaxFogWeight);
    for (float& e : fog.extra) e = in.ConsumeFloatingPoint<float>();
    // Fog needs heights to stand on (check 300), and 16-bit bounds room for its roof.
    if (s->heightScale == 0.0f) return;
    if (!s->isFloat && !fogFitsInt16(*s, fog)) return;
    s->fog = std::move(fog);
}

void decodeNeighbours(FuzzedDataProvider& in, Scenario* s) {
    s->rebind = in.ConsumeBool();
    if (!s->rebind) return;
    for (float& c : s->centre) c = in.ConsumeFloatingPointInRange(-kMaxCentre, kMaxCentre);
    for (Neighbour& nb : s->neighbours) {
        nb.size = in.PickValueInArray(kNeighbourSizes);
        const int side = std::max(nb.size - 1, 0);
        nb.bytes = tiledBytes(in, static_cast<std::size_t>(side) * side, kMaxPatternBytes);
    }
}

bool decodeView(FuzzedDataProvider& in, float reach, View* v) {
    v->dir = unitCubeVector(in);
    v->up = unitCubeVector(in);
    const float dirLength = length(v->dir);
    if (dirLength < kMinViewVector) return false;   // zero direction: check 1904 / 4251
    const std::array<float, 3> d{v->dir[0] / dirLength, v->dir[1] / dirLength,
                                 v->dir[2] / dirLength};
    const std::array<float, 3> right{v->up[1] * d[2] - v->up[2] * d[1],
                                     v->up[2] * d[0] - v->up[0] * d[2],
                                     v->up[0] * d[1] - v->up[1] * d[0]};
    if (length(right) < kMinViewVector) return false;   // up along the direction: degenerate
    v->fovy = in.ConsumeBool() ? -in.ConsumeFloatingPointInRange(kMinOrthoHeight, kMaxOrthoHeight)
                               : in.ConsumeFloatingPointInRange(kMinFovy, kMaxFovy);
    v->aspect = in.ConsumeFloatingPointInRange(kMinAspectRatio, kMaxAspectRatio);
    v->nearDist = in.ConsumeBool() ? 0.0f : in.ConsumeFloatingPointInRange(0.0f, kMaxNear);
    v->farDist = in.ConsumeBool()
                     ? kInf
                     : v->nearDist + in.ConsumeFloatingPointInRange(kMinDepthRange, kMaxDepthRange);
    if (!(v->farDist > v->nearDist)) return false;   // check 1900 / 4247
    v->res =
        in.ConsumeBool() ? in.ConsumeFloatingPointInRange(0.0f, kMaxRes) : anyValue(in, kMaxRes);
    for (float& c : v->eye) c = anyValue(in, reach);
    if (in.ConsumeBool())
        v->lod = v->eye;
    else
        for (float& c : v->lod) c = anyValue(in, reach);
    v->phase = in.ConsumeIntegralInRange(kMinPhase, kMaxPhase);
    v->fanCallbacks = in.ConsumeBool();
    v->notify = in.ConsumeBool();
    v->prismEdges = in.ConsumeBool();
    return true;
}

}  // namespace

void decodeScenario(FuzzedDataProvider& in, Scenario* s) {
    s->isFloat = in.ConsumeBool();
    s->n = in.ConsumeIntegralInRange(kMinGrid, kMaxGrid);
    if (s->isFloat)
        decodeFloatGrid(in, s);
    else
        decodeInt16Grid(in, s);
    summariseSamples(s);
    s->fromCallback = in.ConsumeBool();

    s->cellSize = in.ConsumeFloatingPointInRange(kMinCellSize, kMaxCellSize);
    s->heightScale =
        in.ConsumeBool() ? 0.0f : in.ConsumeFloatingPointInRange(kMinHeightScale, kMaxHeightScale);
    if (in.ConsumeBool()) {
        // The engine's own defaults.
        s->minRefineFactor = kalde::RefinementParams::kDefaultMinRefineFactor;
        s->maxRoughness = kalde::RefinementParams::kDefaultMaxRoughness;
        s->slopeWeight = kalde::RefinementParams::kDefaultSlopeWeight;
        s->cullDepth = kalde::RefinementParams::kDefaultCullDepth;
    } else {
        s->minRefineFactor = in.ConsumeFloatingPointInRange(kMinRefineFactor, kMaxRefineFactor);
        s->maxRoughness = in.ConsumeFloatingPointInRange(kMinMaxRoughness, kMaxMaxRoughness);
        s->slopeWeight = in.ConsumeFloatingPointInRange(0.0f, kMaxSlopeWeight);
        s->cullDepth = in.ConsumeIntegralInRange(0, kMaxCullDepth);
    }
    s->cellAspect = s->minRefineFactor >= kAnyAspectRefineFactor
                        ? in.ConsumeFloatingPointInRange(kMinAnyAspect, kMaxAnyAspect)
                        : in.ConsumeFloatingPointInRange(kMinAspect, kMaxAspect);
    decodeFog(in, s);
    decodeNeighbours(in, s);

    // Eyes and query points mostly fall around the map, at most twice its extent away.
    const float reach =
        2.0f * static_cast<float>(s->n) * s->cellSize * std::max(1.0f, s->cellAspect) +
        std::abs(s->centre[0]) + std::abs(s->centre[2]);
    const int views = in.ConsumeIntegralInRange(0, kMaxViews);
    for (int k = 0; k < views; ++k) {
        View v;
        if (decodeView(in, reach, &v)) s->views.push_back(v);
    }
    const int queries = in.ConsumeIntegralInRange(0, kMaxQueries);
    for (int k = 0; k < queries; ++k)
        s->queries.push_back({anyValue(in, reach), anyValue(in, reach)});
    const int sampleQueries = in.ConsumeIntegralInRange(0, kMaxSampleQueries);
    for (int k = 0; k < sampleQueries; ++k)
        s->sampleQueries.push_back(
            {in.ConsumeIntegral<std::uint16_t>(), in.ConsumeIntegral<std::uint16_t>()});
}

}  // namespace enginefuzz
