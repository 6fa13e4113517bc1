// Heights made into a colour image: tinted by absolute height, water at and below sea level,
// and hill shading from the north-west, so that a map of any size or place looks the same
// wherever it is cut.
#pragma once

#include "elevation/height_grid.h"
#include "elevation/progress.h"
#include "elevation/rgb_image.h"

namespace elevation {

struct ReliefLook {
    // Ground distance between neighbouring columns and rows, in the heights' units.
    double columnSpacing = 1.0, rowSpacing = 1.0;
    // The relief as it is drawn: the light falls on slopes this many times as steep.
    double exaggeration = 1.0;
    // Metres per height unit for the tints: 1 for heights in metres.
    double metresPerUnit = 1.0;
};

// The height at which the tints reach snow; a range of unknown units is stretched to it.
constexpr double kSnowHeight = 3500.0;

// A width x height image of `heights` north up, from its first sample to its last: pixel
// (x, y) shows the ground at grid position ((x + 0.5) / width * (columns - 1), likewise y);
// a grid smaller than 2 x 2 gives a black image.
// Reports its rows to `progress` when given.
RgbImage shadeRelief(const HeightGrid& heights, const ReliefLook& look, int width, int height,
                     Progress* progress = nullptr);

}  // namespace elevation
