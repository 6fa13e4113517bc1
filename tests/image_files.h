// Image files made byte by byte for tests: complete ones of every layout the decoders
// read, and the same with headers that lie about their size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "elevation/rgb_image.h"

namespace testfiles {

using Bytes = std::vector<std::uint8_t>;

// Pixels that differ in every channel from their neighbours: (40 + 3x + y, 7x + 2y, 200 - x - y)
// modulo 256.
elevation::RgbImage gradient(int width, int height);

// An uncompressed BMP of the given depth, bottom-up: 24 and 32 bits hold gradient(), 16
// bits its 5-bit channels, 1 to 8 bits palette index (x + y) mod colours of a palette whose
// colour c is (c, 255 - c, c / 2).
Bytes bmpFile(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
              std::uint32_t paletteColours = 0);

// A PNG of gradient() through libpng: colour type and depth as libpng names them (grey
// types hold the red channel, 16-bit samples v * 257, alpha 128), optionally interlaced.
Bytes pngFile(int width, int height, int colourType, int bitDepth, bool interlaced = false);

// A JPEG of gradient() at quality 95, baseline or progressive.
Bytes jpegFile(int width, int height, bool progressive = false);

// The file with another size stated in its header (PNG IHDR, JPEG frame header or BMP
// info header); nothing else changes, so the pixel data no longer matches.
Bytes withStatedSize(Bytes file, std::uint32_t width, std::uint32_t height);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes readFile(const std::filesystem::path& path);

}  // namespace testfiles
