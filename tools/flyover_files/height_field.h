// The square grid of heights on 0..1 from which the fly-over's two files are made.
#pragma once

#include <cstddef>
#include <vector>

#include "elevation/height_grid.h"

namespace sample_terrain {

// Square grid of elevations, row-major, y growing downwards like image rows.
struct HeightField {
    int size = 0;
    std::vector<float> heights;

    HeightField() = default;
    explicit HeightField(int side)
        : size(side), heights(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0.0f) {}

    float& at(int x, int y) { return heights[index(x, y)]; }
    float at(int x, int y) const { return heights[index(x, y)]; }

    // Edge-clamped lookup, so stencils near the border need no border handling of their own.
    float clamped(int x, int y) const;

    // Bilinear sample at a fractional cell position (edge-clamped).
    float sample(float x, float y) const;

    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
    }
};

// The same square at another side length, corners onto corners. Shrinking averages each
// output cell's whole footprint, so fine detail blends instead of aliasing into stripes.
HeightField shrunk(const HeightField& field, int size);

// True when every height is the same, so the terrain would come out flat.
bool isFlat(const HeightField& field);

// Maps the field's min..max onto 0..1; a constant field becomes all zeros.
void normalise(HeightField& field);

// Centred square crop, bilinear resample to size x size (corners map onto corners), then the
// min..max range stretched to 0..1. A constant image yields a flat field of zeros.
HeightField heightFieldFromImage(const elevation::HeightGrid& image, int size);

}  // namespace sample_terrain
