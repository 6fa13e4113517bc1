#include "elevation/relief_shading.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iterator>

#include "elevation/parallel_rows.h"

namespace elevation {

namespace {

struct Colour {
    double r, g, b;
};

struct Tint {
    double metres;
    Colour colour;
};

// Lowland green through dry grass, brown and rock to snow.
constexpr Tint kTints[] = {
    {0.0, {72, 122, 62}},     {400.0, {104, 146, 78}},   {900.0, {148, 150, 96}},  {1500.0, {142, 122, 92}},
    {2200.0, {130, 120, 112}}, {3000.0, {178, 176, 172}}, {kSnowHeight, {240, 242, 246}},
};
constexpr Colour kShallowWater{64, 112, 150};
constexpr Colour kDeepWater{24, 54, 98};
constexpr double kDeepWaterMetres = 100.0;

// Light from the north-west, 45 degrees up: towards it is west (-x), north (-y) and up.
constexpr double kLightEast = -0.5, kLightSouth = -0.5, kLightUp = 0.70710678;
// Slopes are lit as if twice as steep: at true scale most ground is gentle, and its
// relief would hardly show.
constexpr double kShadingRelief = 2.0;
constexpr double kAmbient = 0.45;
constexpr double kMaxBrightness = 1.3;
constexpr double kChannelMax = 255.0;

Colour mix(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour tint(double metres) {
    if (metres <= 0.0) return mix(kShallowWater, kDeepWater, std::min(-metres / kDeepWaterMetres, 1.0));
    for (std::size_t k = 1; k < std::size(kTints); ++k) {
        if (metres > kTints[k].metres) continue;
        const Tint& lower = kTints[k - 1];
        const Tint& upper = kTints[k];
        return mix(lower.colour, upper.colour, (metres - lower.metres) / (upper.metres - lower.metres));
    }
    return kTints[std::size(kTints) - 1].colour;
}

std::uint8_t channel(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, kChannelMax) + 0.5); }

// Bilinear height at a fractional position of a grid of at least 2 x 2, clamped to it.
double heightAt(const HeightGrid& grid, double x, double y) {
    x = std::clamp(x, 0.0, static_cast<double>(grid.width - 1));
    y = std::clamp(y, 0.0, static_cast<double>(grid.height - 1));
    const int x0 = std::min(static_cast<int>(x), grid.width - 2);
    const int y0 = std::min(static_cast<int>(y), grid.height - 2);
    const double tx = x - x0, ty = y - y0;
    const double top = grid.at(x0, y0) + (grid.at(x0 + 1, y0) - grid.at(x0, y0)) * tx;
    const double bottom = grid.at(x0, y0 + 1) + (grid.at(x0 + 1, y0 + 1) - grid.at(x0, y0 + 1)) * tx;
    return top + (bottom - top) * ty;
}

}  // namespace

RgbImage shadeRelief(const HeightGrid& heights, const ReliefLook& look, int width, int height, Progress* progress) {
    RgbImage image{width, height, std::vector<Rgb>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))};
    if (heights.width < 2 || heights.height < 2) return image;
    const double xPerPixel = static_cast<double>(heights.width - 1) / width;
    const double yPerPixel = static_cast<double>(heights.height - 1) / height;
    std::atomic<int> rowsDone{0};
    forEachRow(height, [&](int py) {
        const double y = (py + 0.5) * yPerPixel;
        Rgb* out = image.row(py);
        for (int px = 0; px < width; ++px) {
            const double x = (px + 0.5) * xPerPixel;
            const double h = heightAt(heights, x, y);
            // Slopes over one sample either way, in height per ground distance.
            const double east = kShadingRelief * look.exaggeration * (heightAt(heights, x + 1, y) - heightAt(heights, x - 1, y)) /
                                (2.0 * look.columnSpacing);
            const double south = kShadingRelief * look.exaggeration * (heightAt(heights, x, y + 1) - heightAt(heights, x, y - 1)) /
                                 (2.0 * look.rowSpacing);
            const Colour base = tint(h * look.metresPerUnit);
            double brightness = 1.0;
            if (h > 0.0) {
                // Lambert against flat ground, so that flat land shows its plain tint.
                const double lambert = std::max(0.0, (-east * kLightEast - south * kLightSouth + kLightUp) /
                                                         std::sqrt(east * east + south * south + 1.0));
                brightness = std::min(kAmbient + (1.0 - kAmbient) * lambert / kLightUp, kMaxBrightness);
            }
            out[px] = {channel(base.r * brightness), channel(base.g * brightness), channel(base.b * brightness)};
        }
        if (progress) progress->advance(static_cast<std::uint64_t>(++rowsDone), static_cast<std::uint64_t>(height));
    });
    return image;
}

}  // namespace elevation
