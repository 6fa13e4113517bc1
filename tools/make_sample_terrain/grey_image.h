// An ordinary image (a grey PNG, say) read as heights, for --from.
#pragma once

#include <cstdint>
#include <string>

#include "elevation/height_grid.h"
#include "elevation/image_decoding.h"

namespace sample_terrain {

// The largest image read as heights: as many pixels as the widest height image the fly-over
// takes (8193²), in any shape up to 32768 pixels a side.
constexpr elevation::ImageLimits kSourceImageLimits = {32768, std::uint64_t{8193} * 8193};

// Reads a BMP, PNG or JPEG image file as brightness. Returns false with `error` one line
// naming the file and what is wrong.
bool readGreyImage(const std::string& path, elevation::HeightGrid& image, std::string& error);

// Brightness a viewer perceives; for grey pixels it equals the shared channel value.
float luminance(float r, float g, float b);

}  // namespace sample_terrain
