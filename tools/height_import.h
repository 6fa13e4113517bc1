#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "elevation/image_decoding.h"
#include "height_field.h"

namespace sample_terrain {

// Brightness samples of a decoded image, row-major; any rectangular size.
struct GreyImage {
    int width = 0, height = 0;
    std::vector<float> values;

    float at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

// The largest image read as heights: as many pixels as the widest height image the fly-over
// takes (8193²), in any shape up to 32768 pixels a side.
constexpr elevation::ImageLimits kSourceImageLimits = {32768, std::uint64_t{8193} * 8193};

// Reads a BMP, PNG or JPEG image file as brightness. Returns false with `error` one line
// naming the file and what is wrong.
bool readGreyImage(const std::string& path, GreyImage& image, std::string& error);

// Brightness a viewer perceives; for grey pixels it equals the shared channel value.
float luminance(float r, float g, float b);

// The image in the middle of a square of side max(width, height), the margins set to `fill`;
// an odd margin puts the extra row or column after the image.
GreyImage paddedToSquare(const GreyImage& image, float fill);

// Centred square crop, bilinear resample to size x size (corners map onto corners), then the
// min..max range stretched to 0..1. A constant image yields a flat field of zeros.
HeightField heightFieldFromImage(const GreyImage& image, int size);

}  // namespace sample_terrain
