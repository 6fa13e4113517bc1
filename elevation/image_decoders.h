// The format decoders behind decodeImage, each reading from the start of `file`. They
// return a clause starting with "is", or an empty string with `image` filled.
#pragma once

#include <cstdio>
#include <string>

#include "elevation/image_decoding.h"

namespace elevation::detail {

std::string decodeBmp(std::FILE* file, std::uint64_t fileBytes, const ImageLimits& limits,
                      RgbImage& image);
std::string decodePng(std::FILE* file, const ImageLimits& limits, RgbImage& image);
std::string decodeJpeg(std::FILE* file, const ImageLimits& limits, RgbImage& image);

// The image's pixels, allocated once its size has passed the limits.
void allocatePixels(RgbImage& image, std::uint32_t width, std::uint32_t height);

}  // namespace elevation::detail
