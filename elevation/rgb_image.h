// A decoded 8-bit RGB image, the form every image this project reads or writes takes in
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace elevation {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
// Rows of Rgb are handed to the codecs and to Irrlicht as plain R, G, B bytes.
static_assert(sizeof(Rgb) == 3, "Rgb must be three packed bytes");

struct RgbImage {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;   // row-major, top row first

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    Rgb* row(int y) { return &pixels[static_cast<std::size_t>(y) * width]; }
    const Rgb* row(int y) const { return &pixels[static_cast<std::size_t>(y) * width]; }
};

}  // namespace elevation
