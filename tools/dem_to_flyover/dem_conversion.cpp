#include "tools/dem_to_flyover/dem_conversion.h"

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

std::string squaring(const elevation::HeightGrid& image, Fit fit, float padHeight) {
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

// The image in the middle of a square of side max(width, height), the margins set to `fill`;
// an odd margin puts the extra row or column after the image.
elevation::HeightGrid paddedToSquare(const elevation::HeightGrid& image, float fill) {
    const int side = std::max(image.width, image.height);
    elevation::HeightGrid square{side, side, std::vector<float>(static_cast<std::size_t>(side) * side, fill)};
    const int left = (side - image.width) / 2;
    const int top = (side - image.height) / 2;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            square.values[static_cast<std::size_t>(top + y) * side + left + x] = image.at(x, y);
        }
    }
    return square;
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

void placeSeaLevel(float lowest, float highest, ConversionReport& report) {
    std::ostringstream line;
    if (lowest > 0.0f) {
        report.waterLevel = kNoWater;
        line << "none, every height lies above sea level (0)";
    } else if (highest <= 0.0f) {
        report.waterLevel = kAllWater;
        line << "everywhere, no height lies above sea level (0)";
    } else {
        // Halves: the range between heights near the float range's ends (±3e38) overflows a
        // float, and halving changes no ratio.
        const float range = highest * 0.5f - lowest * 0.5f;
        report.waterLevel = -lowest * 0.5f / range + kSeaMargin;
        line << "at heights up to " << kSeaMargin * range * 2.0 << " (sea level 0 and a margin of " << kSeaMargin * 100.0f
             << "% of the range)";
    }
    report.water = line.str();
}

HeightField convertHeights(elevation::HeightGrid heights, const elevation::HeightSummary& summary, Fit fit,
                           int size, ConversionReport& report) {
    report = ConversionReport{};
    placeSeaLevel(summary.lowest, summary.highest, report);
    // Heights near the float range's ends (±3e38) span more than a float holds, which the
    // resampling and stretching below must subtract: halved, they do not, and the stretched
    // result is the same.
    float padHeight = summary.lowest;
    if (!std::isfinite(summary.highest - summary.lowest)) {
        for (float& h : heights.values) h *= 0.5f;
        padHeight *= 0.5f;
    }
    report.squaring = squaring(heights, fit, summary.lowest);
    if (fit == Fit::Pad) heights = paddedToSquare(heights, padHeight);
    // A square image passes the centred crop unchanged.
    return heightFieldFromImage(heights, size);
}

}  // namespace sample_terrain
