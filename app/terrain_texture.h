// The terrain texture, decoded with limits by our own decoders: Irrlicht's image readers
// trust what a file's header says.
#pragma once

#include <irrlicht.h>

#include <string>

#include "elevation/image_decoding.h"

namespace flyover {

// The largest texture read: 16384 pixels a side, and no more pixels in all than an 8192²
// image (192 MB decoded, more again once the driver holds it).
constexpr elevation::ImageLimits kTextureLimits = {16384, std::uint64_t{8192} * 8192};

// The texture from fileName, or null: silently when there is no such file (the terrain
// is then drawn untextured, as designed), with a one-line *problem when the file cannot
// be used (not a regular file, not a BMP, PNG or JPEG image decodable within
// kTextureLimits, or refused by the driver).
irr::video::ITexture* loadTerrainTexture(irr::video::IVideoDriver* driver, const char* fileName,
                                         std::string* problem);

// A texture named `name` of the decoded image, or null when the driver refuses it.
irr::video::ITexture* makeTexture(irr::video::IVideoDriver* driver, const char* name,
                                  const elevation::RgbImage& decoded);

}  // namespace flyover
