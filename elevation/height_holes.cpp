#include "elevation/height_holes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace elevation {
namespace {

// Fewest distinct heights that must remain for an extreme to count as a stray marker.
constexpr std::size_t kMinDistinctHeights = 16;
// Most marker values stripped from one raster; files use one or two.
constexpr int kMaxStrayLevels = 8;
// Jacobi passes over the filled samples; softens the ridges that ring-by-ring filling leaves.
constexpr int kSmoothingPasses = 10;
constexpr float kDiagonalWeight = 0.70710678f;  // 1 / sqrt(2): diagonal neighbours are further away

constexpr double kFloatMax = std::numeric_limits<float>::max();

struct Extremes {
    double lowest = std::numeric_limits<double>::infinity();
    double secondLowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    double secondHighest = -std::numeric_limits<double>::infinity();
};

// The two lowest and two highest distinct heights among the known samples.
Extremes findExtremes(const HeightGrid& image, const HoleMask& holes) {
    Extremes e;
    for (std::size_t i = 0; i < image.values.size(); ++i) {
        if (holes[i]) continue;
        const double v = image.values[i];
        if (v < e.lowest) {
            e.secondLowest = e.lowest;
            e.lowest = v;
        } else if (v > e.lowest && v < e.secondLowest) {
            e.secondLowest = v;
        }
        if (v > e.highest) {
            e.secondHighest = e.highest;
            e.highest = v;
        } else if (v < e.highest && v > e.secondHighest) {
            e.secondHighest = v;
        }
    }
    return e;
}

std::size_t countDistinct(const HeightGrid& image, const HoleMask& holes, std::size_t enough) {
    std::set<float> seen;
    for (std::size_t i = 0; i < image.values.size() && seen.size() < enough; ++i) {
        if (!holes[i]) seen.insert(image.values[i]);
    }
    return seen.size();
}

// Calls visit(neighbourIndex, weight) for each of the up to eight neighbours of (x, y).
template <typename Visit>
void forNeighbours(const HeightGrid& image, int x, int y, const Visit& visit) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            visit(static_cast<std::size_t>(ny) * image.width + nx, dx != 0 && dy != 0 ? kDiagonalWeight : 1.0f);
        }
    }
}

enum State : std::uint8_t { kUnknown, kQueued, kKnown };

// Weighted mean of the neighbours of sample `i` that `use` accepts.
template <typename Use>
float neighbourMean(const HeightGrid& image, std::size_t i, const Use& use) {
    const int x = static_cast<int>(i % image.width), y = static_cast<int>(i / image.width);
    double sum = 0.0, weights = 0.0;
    forNeighbours(image, x, y, [&](std::size_t n, float weight) {
        if (!use(n)) return;
        sum += weight * image.values[n];
        weights += weight;
    });
    return static_cast<float>(sum / weights);
}

}  // namespace

bool decodeSample(double raw, const BandEncoding& encoding, float& height) {
    if (!std::isfinite(raw)) return false;
    if (encoding.hasNoData) {
        if (raw == encoding.noData) return false;
        const bool bothFloats = std::fabs(raw) <= kFloatMax && std::fabs(encoding.noData) <= kFloatMax;
        if (bothFloats && static_cast<float>(raw) == static_cast<float>(encoding.noData)) return false;
    }
    const double scaled = raw * encoding.scale + encoding.offset;
    if (!(std::fabs(scaled) <= kFloatMax)) return false;
    height = static_cast<float>(scaled);
    return true;
}

std::size_t markStrayExtremes(const HeightGrid& image, HoleMask& holes) {
    std::size_t distinct = countDistinct(image, holes, kMinDistinctHeights + kMaxStrayLevels);
    std::size_t marked = 0;
    for (int level = 0; level < kMaxStrayLevels && distinct > kMinDistinctHeights; ++level, --distinct) {
        const Extremes e = findExtremes(image, holes);
        double stray = 0.0;
        if (e.secondLowest - e.lowest > e.highest - e.secondLowest) {
            stray = e.lowest;
        } else if (e.highest - e.secondHighest > e.secondHighest - e.lowest) {
            stray = e.highest;
        } else {
            break;
        }
        for (std::size_t i = 0; i < image.values.size(); ++i) {
            if (!holes[i] && image.values[i] == stray) {
                holes[i] = 1;
                ++marked;
            }
        }
    }
    return marked;
}

bool fillHoles(HeightGrid& image, const HoleMask& holes) {
    const std::size_t count = image.values.size();
    std::vector<std::uint8_t> state(count);
    std::vector<std::size_t> holeIndices;
    for (std::size_t i = 0; i < count; ++i) {
        state[i] = holes[i] ? kUnknown : kKnown;
        if (holes[i]) holeIndices.push_back(i);
    }
    if (holeIndices.size() == count) return false;
    if (holeIndices.empty()) return true;

    auto isKnown = [&](std::size_t n) { return state[n] == kKnown; };
    auto queueUnknownNeighbours = [&](std::size_t i, std::vector<std::size_t>& queue) {
        forNeighbours(image, static_cast<int>(i % image.width), static_cast<int>(i / image.width),
                      [&](std::size_t n, float) {
                          if (state[n] != kUnknown) return;
                          state[n] = kQueued;
                          queue.push_back(n);
                      });
    };

    // The first ring: holes touching a valid sample.
    std::vector<std::size_t> ring;
    for (std::size_t i = 0; i < count; ++i) {
        if (!holes[i]) queueUnknownNeighbours(i, ring);
    }
    std::vector<float> values;
    while (!ring.empty()) {
        // All of a ring is computed before any of it counts as known, so the result does not
        // depend on the order of the samples within it.
        values.resize(ring.size());
        for (std::size_t k = 0; k < ring.size(); ++k) values[k] = neighbourMean(image, ring[k], isKnown);
        for (std::size_t k = 0; k < ring.size(); ++k) {
            image.values[ring[k]] = values[k];
            state[ring[k]] = kKnown;
        }
        std::vector<std::size_t> next;
        for (std::size_t i : ring) queueUnknownNeighbours(i, next);
        ring.swap(next);
    }

    values.resize(holeIndices.size());
    for (int pass = 0; pass < kSmoothingPasses; ++pass) {
        for (std::size_t k = 0; k < holeIndices.size(); ++k) {
            values[k] = neighbourMean(image, holeIndices[k], [](std::size_t) { return true; });
        }
        for (std::size_t k = 0; k < holeIndices.size(); ++k) image.values[holeIndices[k]] = values[k];
    }
    return true;
}

bool repairHeights(HeightGrid& heights, HoleMask& holes, HeightSummary& summary, std::string& problem) {
    summary = HeightSummary{};
    summary.strayMarkers = markStrayExtremes(heights, holes);
    bool first = true;
    for (std::size_t i = 0; i < heights.values.size(); ++i) {
        if (holes[i]) {
            ++summary.holes;
            continue;
        }
        const float h = heights.values[i];
        summary.lowest = first ? h : std::min(summary.lowest, h);
        summary.highest = first ? h : std::max(summary.highest, h);
        summary.wholeNumbers = summary.wholeNumbers && h == std::nearbyint(h);
        first = false;
    }
    if (first) {
        problem = summary.strayMarkers > 0 ? "holds only no-data samples and fill markers" : "holds only no-data samples";
        return false;
    }
    fillHoles(heights, holes);
    return true;
}

}  // namespace elevation
