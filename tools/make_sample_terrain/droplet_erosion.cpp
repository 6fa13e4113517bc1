#include "tools/make_sample_terrain/droplet_erosion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/flyover_files/value_noise.h"

namespace sample_terrain {
namespace {

constexpr int kReferenceSize = 256;
constexpr int kReferenceRadius = 3;
constexpr int kMaxRadius = 4;
constexpr float kDropletsPerCell = 1.2f;
constexpr float kInitialSpeed = 1.0f;
constexpr float kInitialWater = 1.0f;
constexpr float kStillEpsilon = 1e-9f;
constexpr float kErosionRelief = 0.15f;

struct Slope {
    float height, gx, gy;
};

// Bilinear height and gradient inside the cell containing (x, y); caller keeps (x, y) inside the map.
Slope slopeAt(const HeightField& f, float x, float y) {
    const int cx = static_cast<int>(x);
    const int cy = static_cast<int>(y);
    const float u = x - static_cast<float>(cx);
    const float v = y - static_cast<float>(cy);
    const float h00 = f.at(cx, cy);
    const float h10 = f.at(cx + 1, cy);
    const float h01 = f.at(cx, cy + 1);
    const float h11 = f.at(cx + 1, cy + 1);
    return {h00 * (1 - u) * (1 - v) + h10 * u * (1 - v) + h01 * (1 - u) * v + h11 * u * v,
            (h10 - h00) * (1 - v) + (h11 - h01) * v, (h01 - h00) * (1 - u) + (h11 - h10) * u};
}

struct BrushCell {
    int dx, dy;
    float weight;
};

std::vector<BrushCell> makeBrush(int radius) {
    std::vector<BrushCell> brush;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const float w = static_cast<float>(radius) - std::sqrt(static_cast<float>(dx * dx + dy * dy));
            if (w > 0.0f) brush.push_back({dx, dy, w});
        }
    }
    return brush;
}

void erodeAround(HeightField& f, const std::vector<BrushCell>& brush, int cx, int cy, float amount,
                 float& sediment) {
    float total = 0.0f;
    for (const BrushCell& b : brush) {
        const int x = cx + b.dx;
        const int y = cy + b.dy;
        if (x >= 0 && y >= 0 && x < f.size && y < f.size) total += b.weight;
    }
    for (const BrushCell& b : brush) {
        const int x = cx + b.dx;
        const int y = cy + b.dy;
        if (x < 0 || y < 0 || x >= f.size || y >= f.size) continue;
        const float take = amount * b.weight / total;
        f.at(x, y) -= take;
        sediment += take;
    }
}

void depositAt(HeightField& f, float x, float y, float amount) {
    const int cx = static_cast<int>(x);
    const int cy = static_cast<int>(y);
    const float u = x - static_cast<float>(cx);
    const float v = y - static_cast<float>(cy);
    f.at(cx, cy) += amount * (1 - u) * (1 - v);
    f.at(cx + 1, cy) += amount * u * (1 - v);
    f.at(cx, cy + 1) += amount * (1 - u) * v;
    f.at(cx + 1, cy + 1) += amount * u * v;
}

}  // namespace

ErosionParams erosionParamsFor(int size) {
    ErosionParams p;
    p.droplets = static_cast<int>(static_cast<float>(size) * static_cast<float>(size) * kDropletsPerCell);
    p.radius = std::clamp(kReferenceRadius * size / kReferenceSize, 1, kMaxRadius);
    return p;
}

void erodeHydraulic(HeightField& field, std::uint32_t seed, const ErosionParams& params) {
    if (field.size < 2) return;
    // The droplet rules assume gentle per-cell slopes; steeper ones let single droplets level
    // whole ridges. Scaling with size keeps the slope per cell alike at every resolution.
    const float relief = kErosionRelief * static_cast<float>(field.size) / kReferenceSize;
    for (float& h : field.heights) h *= relief;

    const std::vector<BrushCell> brush = makeBrush(params.radius);
    const float limit = static_cast<float>(field.size - 1);
    for (int d = 0; d < params.droplets; ++d) {
        float x = hashUnit(d, 1, seed) * limit;
        float y = hashUnit(d, 2, seed) * limit;
        float dirX = 0.0f, dirY = 0.0f;
        float speed = kInitialSpeed, water = kInitialWater, sediment = 0.0f;
        for (int step = 0; step < params.maxSteps; ++step) {
            const int cx = static_cast<int>(x);
            const int cy = static_cast<int>(y);
            const Slope here = slopeAt(field, x, y);
            dirX = dirX * params.inertia - here.gx * (1 - params.inertia);
            dirY = dirY * params.inertia - here.gy * (1 - params.inertia);
            const float len = std::sqrt(dirX * dirX + dirY * dirY);
            if (len < kStillEpsilon) break;
            dirX /= len;
            dirY /= len;
            const float oldX = x, oldY = y;
            x += dirX;
            y += dirY;
            if (x < 0.0f || y < 0.0f || x >= limit || y >= limit) break;

            const float drop = here.height - slopeAt(field, x, y).height;  // positive downhill
            const float capacity = std::max(drop * speed * water * params.capacityFactor, params.minCapacity);
            if (drop < 0.0f || sediment > capacity) {
                // Uphill, fill the pit behind up to the level that lets the droplet pass;
                // overloaded, drop part of the excess.
                const float amount = drop < 0.0f ? std::min(-drop, sediment) : (sediment - capacity) * params.depositRate;
                sediment -= amount;
                depositAt(field, oldX, oldY, amount);
            } else {
                const float amount = std::min((capacity - sediment) * params.erodeRate, drop);
                erodeAround(field, brush, cx, cy, amount, sediment);
            }
            speed = std::sqrt(std::max(0.0f, speed * speed + drop * params.gravity));
            water *= 1.0f - params.evaporation;
        }
    }

    for (float& h : field.heights) h /= relief;
}

}  // namespace sample_terrain
