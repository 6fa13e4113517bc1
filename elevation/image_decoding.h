// Decoding image files that nobody vouches for: BMP, PNG and JPEG, each by a decoder that
// reads the image's size from its header and checks it against limits before it allocates
// anything for pixels, and that stops at the first sign of a damaged file.
#pragma once

#include <cstdint>
#include <string>

#include "elevation/input_file.h"
#include "elevation/rgb_image.h"

namespace elevation {

struct ImageLimits {
    std::uint32_t maxSide;     // pixels along either side
    std::uint64_t maxPixels;   // width x height
};

// The reason an image of width x height breaks `limits` ("is 9000x9000 pixels; at most
// 8193 pixels a side can be read; scale it down"), or an empty string.
std::string imageSizeProblem(std::uint64_t width, std::uint64_t height, const ImageLimits& limits);

// Decodes the image in `file`, whose format is told by its first bytes, into `image` (alpha
// is dropped, 16-bit channels keep their high byte). Returns an empty string, or a clause
// starting with "is" that says what is wrong ("is empty", "is a truncated BMP file: ...",
// "is not a BMP, PNG or JPEG file, ..."); `image` is then empty. Besides the decoded image
// (3 bytes a pixel), decoding takes at most 6 bytes a pixel of the limit's working memory,
// for progressive JPEG files, and little else.
std::string decodeImage(InputFile& file, const ImageLimits& limits, RgbImage& image);

// Opens the file at `path` and decodes it; the same clauses as InputFile::open and
// decodeImage.
std::string readImageFile(const std::string& path, const ImageLimits& limits, RgbImage& image);

}  // namespace elevation
