#pragma once

#include <cstddef>
#include <string>

#include "dem_holes.h"
#include "dem_options.h"
#include "height_field.h"
#include "height_import.h"

namespace sample_terrain {

// What a conversion found and did, for the summary the tool prints.
struct ConversionReport {
    float lowest = 0.0f, highest = 0.0f;  // range of the valid heights, in the file's units
    std::size_t holes = 0;                // samples filled, stray markers included
    std::size_t strayMarkers = 0;         // of those, undeclared fill markers
    std::string squaring;                 // one line: how the raster became square
    float waterLevel = 0.0f;              // for shadeTerrain, on the field's 0..1 scale
    std::string water;                    // one line: where the texture shows water
};

// Why a raster of width x height samples is too large to convert by `fit` within
// kMaxRasterSamples, or an empty string; checked before a sample is read.
std::string rasterSizeProblem(int width, int height, Fit fit);

// Water for a real terrain: what lies at or below sea level, height 0 in any unit, rather
// than a fixed share of the range, which would flood coastal lowlands. Sets both water fields.
void placeSeaLevel(ConversionReport& report);

// Turns decoded heights with their holes into the fly-over's N x N field on 0..1: stray fill
// markers become holes, holes are filled, the raster is made square by `fit` and resampled
// bilinearly; water goes where placeSeaLevel puts it. Returns false, with `problem` a clause like "holds only no-data samples",
// when no sample carries a height.
bool convertHeights(GreyImage heights, HoleMask holes, Fit fit, int size, HeightField& field,
                    ConversionReport& report, std::string& problem);

}  // namespace sample_terrain
