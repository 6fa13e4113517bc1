// The two image files the fly-over reads, encoded in memory: a 24-bit BMP and a JPEG.
#pragma once

#include <cstdint>
#include <vector>

#include "elevation/rgb_image.h"

namespace elevation {

// An uncompressed, bottom-up 24-bit BMP with a BITMAPINFOHEADER.
std::vector<std::uint8_t> encodeBmp(const RgbImage& image);

// A baseline JFIF file at `quality` (1..100) with libjpeg's default settings.
std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, int quality);

}  // namespace elevation
