#include "dem_conversion.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace sample_terrain {
namespace {

// Share of the height range above sea level still drawn as water: samples of a sea held at
// exactly 0 meet the coast through resampled values just above it.
constexpr float kSeaMargin = 0.002f;
// Water levels that put no sample under water, or every sample.
constexpr float kNoWater = -1.0f;
constexpr float kAllWater = 2.0f;

std::string squaring(const GreyImage& image, Fit fit, float padHeight) {
    std::ostringstream line;
    const int side = std::min(image.width, image.height);
    if (image.width == image.height) {
        line << "already square, " << side << " x " << side;
    } else if (fit == Fit::Crop) {
        const bool wide = image.width > image.height;
        const int first = ((wide ? image.width : image.height) - side) / 2;
        line << "cropped to the centred " << side << " x " << side << " square (" << (wide ? "columns " : "rows ")
             << first << ".." << first + side - 1 << ")";
    } else {
        const int padded = std::max(image.width, image.height);
        line << "padded to a centred " << padded << " x " << padded << " square with the lowest height, " << padHeight;
    }
    return line.str();
}

}  // namespace

std::string rasterSizeProblem(int width, int height, Fit fit) {
    const std::uint64_t side = static_cast<std::uint64_t>(std::max(width, height));
    const std::uint64_t held = fit == Fit::Pad ? side * side
                                               : static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (held <= kMaxRasterSamples) return {};
    const std::string limit = "at most " + std::to_string(kMaxRasterSamples / kSamplesPerMillion) +
                              " million samples (about " + std::to_string(kMaxRasterMegabytes) +
                              " MB of memory) are converted";
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (fit == Fit::Pad && static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxRasterSamples)
        return "has " + size + " samples, which --fit pad makes a square of " + std::to_string(side) + " x " +
               std::to_string(side) + "; " + limit + "; use --fit crop or cut it into tiles first";
    return "has " + size + " samples; " + limit + "; cut it into tiles first";
}

void placeSeaLevel(ConversionReport& report) {
    std::ostringstream line;
    if (report.lowest > 0.0f) {
        report.waterLevel = kNoWater;
        line << "none, every height lies above sea level (0)";
    } else if (report.highest <= 0.0f) {
        report.waterLevel = kAllWater;
        line << "everywhere, no height lies above sea level (0)";
    } else {
        // Halves: the range between heights near the float range's ends (±3e38) overflows a
        // float, and halving changes no ratio.
        const float range = report.highest * 0.5f - report.lowest * 0.5f;
        report.waterLevel = -report.lowest * 0.5f / range + kSeaMargin;
        line << "at heights up to " << kSeaMargin * range * 2.0 << " (sea level 0 and a margin of " << kSeaMargin * 100.0f
             << "% of the range)";
    }
    report.water = line.str();
}

bool convertHeights(GreyImage heights, HoleMask holes, Fit fit, int size, HeightField& field,
                    ConversionReport& report, std::string& problem) {
    report = ConversionReport{};
    report.strayMarkers = markStrayExtremes(heights, holes);
    report.holes = static_cast<std::size_t>(std::count_if(holes.begin(), holes.end(), [](std::uint8_t h) { return h != 0; }));
    if (report.holes == heights.values.size()) {
        problem = report.strayMarkers > 0 ? "holds only no-data samples and fill markers" : "holds only no-data samples";
        return false;
    }

    bool first = true;
    for (std::size_t i = 0; i < heights.values.size(); ++i) {
        if (holes[i]) continue;
        const float h = heights.values[i];
        report.lowest = first ? h : std::min(report.lowest, h);
        report.highest = first ? h : std::max(report.highest, h);
        first = false;
    }
    fillHoles(heights, holes);
    placeSeaLevel(report);
    // Heights near the float range's ends (±3e38) span more than a float holds, which the
    // resampling and stretching below must subtract: halved, they do not, and the stretched
    // result is the same.
    float padHeight = report.lowest;
    if (!std::isfinite(report.highest - report.lowest)) {
        for (float& h : heights.values) h *= 0.5f;
        padHeight *= 0.5f;
    }

    report.squaring = squaring(heights, fit, report.lowest);
    if (fit == Fit::Pad) heights = paddedToSquare(heights, padHeight);
    // A square image passes the centred crop unchanged.
    field = heightFieldFromImage(heights, size);
    return true;
}

}  // namespace sample_terrain
