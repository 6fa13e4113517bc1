// Samples that carry no height: telling them from heights, and filling them.
#pragma once

#include <cstddef>
#include <string>

#include "elevation/height_grid.h"

namespace elevation {

// How a raster band stores its heights: height = raw * scale + offset, and the value it
// declares for "no data", if any.
struct BandEncoding {
    double scale = 1.0;
    double offset = 0.0;
    bool hasNoData = false;
    double noData = 0.0;
};

// Decodes one raw sample. Returns false when it carries no height: NaN or infinite, equal to
// the declared no-data value (also when the declaration has more digits than the float
// samples hold), or beyond what a float can hold once scaled.
bool decodeSample(double raw, const BandEncoding& encoding, float& height);

// Marks fill markers that a file uses without declaring them (-32768, -9999, -3.4e38, ...).
// There is no fixed bound in metres: heights may come in decimetres or feet or as plain
// 16-bit counts, where 43798 is a real peak. Instead the lowest (or highest) remaining
// height is a hole when the gap to the next distinct height exceeds the span of all the
// others, so kept, it would squeeze the real terrain into less than half the output range.
// Repeated for a few levels; skipped where fewer than a handful of distinct heights would
// remain (terraced or synthetic images). Returns how many samples it marked.
std::size_t markStrayExtremes(const HeightGrid& image, HoleMask& holes);

// Fills every hole from the samples around it, ring by ring inwards, each taking the
// weighted mean of its known neighbours, then smooths the filled samples a little. Every
// filled value is a mean of known ones, so it stays within the range of the valid samples
// around its hole. Returns false, changing nothing, when no sample is valid.
bool fillHoles(HeightGrid& image, const HoleMask& holes);

// What repairHeights found among the samples.
struct HeightSummary {
    float lowest = 0.0f, highest = 0.0f;   // range of the valid heights
    std::size_t holes = 0;                 // samples filled, stray markers included
    std::size_t strayMarkers = 0;          // of those, undeclared fill markers
    bool wholeNumbers = true;              // every valid height is a whole number
};

// Marks stray markers as holes, takes the valid heights' range and fills the holes. Returns
// false, with `problem` a clause like "holds only no-data samples", when no sample is valid.
bool repairHeights(HeightGrid& heights, HoleMask& holes, HeightSummary& summary, std::string& problem);

}  // namespace elevation
