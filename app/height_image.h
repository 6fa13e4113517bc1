// The height image: checks that it can become a sample grid, and the conversion.
#pragma once

#include <irrlicht.h>

#include <cstdint>
#include <string>
#include <vector>

namespace flyover {

constexpr const char* kHeightImageFile = "ZovoDiVuviMap.bmp";
constexpr const char* kTextureFile = "zovodivuvi.jpg";

// The widest height image the fly-over takes: 8193 pixels make a map of 3 bytes per
// sample, about 1 GB in all with the image and the grid while it runs.
constexpr irr::u32 kMaxHeightImageWidth = 8193;

// What is wrong with the file before any image loader sees it (missing, a folder,
// empty, a format or header Irrlicht's readers would mishandle, wider than
// kMaxHeightImageWidth), or an empty string.
std::string heightFileProblem(const char* fileName);

// What keeps a loaded image from being a sample grid (narrower than 2 pixels, not
// square, wider than kMaxHeightImageWidth), or an empty string.
std::string heightImageProblem(const irr::video::IImage& image);

// The N x N sample grid, N = the image width: element x + N*k is the red channel of
// pixel (x, N-1-k), so grid row 0 is the bottom image row.
std::vector<std::int16_t> sampleGridFromImage(const irr::video::IImage& image);

}  // namespace flyover
