#pragma once

#include <cstdint>
#include <memory>

#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

// A natural-looking landscape of the given side length, heights normalised to 0..1: ridged
// mountains on one side, rolling hills between, and a broad low plain with a few lakes.
// The same seed yields the same landscape; the layout does not depend on the size.
HeightField synthesizeTerrain(int size, std::uint32_t seed);

struct Layout;

// The same landscape a row at a time, for sizes too large to hold at once; its heights are
// not normalised (roughly 0..1). Holds at most two 512 x 512 fields beside a small map.
class LandscapeRows {
public:
    LandscapeRows(int size, std::uint32_t seed);
    // Writes the `size` heights of row y (north first) to `out`; may run on several threads.
    void row(int y, float* out) const;

private:
    int size_;
    std::shared_ptr<const Layout> layout_;
    HeightField whole_, coarse_, eroded_;
};

}  // namespace sample_terrain
