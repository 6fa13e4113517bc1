#pragma once

#include <cstdint>

#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

// A natural-looking landscape of the given side length, heights normalised to 0..1: ridged
// mountains on one side, rolling hills between, and a broad low plain with a few lakes.
// The same seed yields the same landscape; the layout does not depend on the size.
HeightField synthesizeTerrain(int size, std::uint32_t seed);

}  // namespace sample_terrain
