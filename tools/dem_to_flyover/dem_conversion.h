// Repaired heights of a real elevation raster made into the fly-over's square field on 0..1.
#pragma once

#include <string>

#include "elevation/height_grid.h"
#include "elevation/height_holes.h"
#include "tools/dem_to_flyover/dem_options.h"
#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

// How the conversion made the field, for the summary the tool prints.
struct ConversionReport {
    std::string squaring;     // one line: how the raster became square
    float waterLevel = 0.0f;  // for shadeTerrain, on the field's 0..1 scale
    std::string water;        // one line: where the texture shows water
};

// Why a raster of width x height samples is too large to convert by `fit` within
// kMaxRasterSamples, or an empty string; checked before a sample is read.
std::string rasterSizeProblem(int width, int height, Fit fit);

// Water for a real terrain: what lies at or below sea level, height 0 in any unit, rather
// than a fixed share of the range, which would flood coastal lowlands. Sets both water
// fields from the valid heights' range.
void placeSeaLevel(float lowest, float highest, ConversionReport& report);

// Turns heights whose holes are filled, with their valid range in `summary`, into the
// fly-over's N x N field on 0..1: made square by `fit` and resampled bilinearly; water goes
// where placeSeaLevel puts it.
HeightField convertHeights(elevation::HeightGrid heights, const elevation::HeightSummary& summary, Fit fit,
                           int size, ConversionReport& report);

}  // namespace sample_terrain
