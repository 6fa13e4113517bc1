// The height image: read with limits, checked that it can become a sample grid, and the
// conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "elevation/image_decoding.h"

namespace flyover {

constexpr const char* kHeightImageFile = "ZovoDiVuviMap.bmp";
constexpr const char* kTextureFile = "zovodivuvi.jpg";

// The widest height image the fly-over takes: 8193 pixels make a map of 3 bytes per
// sample, about 600 MiB in all with the image and the grid while it runs.
constexpr std::uint32_t kMaxHeightImageWidth = 8193;
constexpr elevation::ImageLimits kHeightImageLimits = {
    kMaxHeightImageWidth, std::uint64_t{kMaxHeightImageWidth} * kMaxHeightImageWidth};

// Reads the height image into `image`. Returns an empty string, or a clause that says what
// is wrong: missing, not a regular file, not an image that can be decoded within
// kHeightImageLimits, narrower than 2 pixels or not square.
std::string readHeightImage(const char* fileName, elevation::RgbImage& image);

// The N x N sample grid, N = the image width: element x + N*k is the red channel of
// pixel (x, N-1-k), so grid row 0 is the bottom image row.
std::vector<std::int16_t> sampleGridFromImage(const elevation::RgbImage& image);

}  // namespace flyover
