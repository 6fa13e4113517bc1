// The sample terrain's colour texture: zones by relative height, woods, rock and snow.
#pragma once

#include <cstdint>
#include <vector>

#include "elevation/progress.h"
#include "elevation/rgb_image.h"
#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

using elevation::Rgb;
using elevation::RgbImage;

// Side of the colour texture for a height field of the given side: a few times finer, so the
// draped texture keeps detail between height samples, but capped to keep files manageable.
int textureSizeFor(int heightFieldSize);

// Height on the field's 0..1 scale below which the texture shows water, unless told otherwise.
constexpr float kDefaultWaterLevel = 0.02f;

// Colour texture covering the same square as the field: water below `waterLevel`, zones by
// height, rock on steep slopes, lit from the north-west. `seed` drives the small colour
// variations only.
// Reports its rows to `progress` when given.
RgbImage shadeTerrain(const HeightField& field, int textureSize, std::uint32_t seed,
                      float waterLevel = kDefaultWaterLevel, elevation::Progress* progress = nullptr);

// The image turned by half a turn. The fly-over's texture coordinates run from the far
// corner of the height image (u = 1 - column, v = 1 - row), so a texture that matches
// the height image is written turned this way.
RgbImage turnedHalfWay(const RgbImage& image);

}  // namespace sample_terrain
