// A rectangular grid of heights (or brightness), the form elevation data takes between
// reading and use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace elevation {

// Row-major, row 0 first (the north row of a raster read north up).
struct HeightGrid {
    int width = 0, height = 0;
    std::vector<float> values;

    float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
    float& at(int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; }
};

// One entry per sample of a HeightGrid; non-zero marks a sample that carries no height.
using HoleMask = std::vector<std::uint8_t>;

}  // namespace elevation
