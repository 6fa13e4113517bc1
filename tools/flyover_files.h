#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "height_field.h"
#include "terrain_image_io.h"

namespace sample_terrain {

// The names the fly-over looks for in its working directory.
constexpr const char* kHeightFileName = "ZovoDiVuviMap.bmp";
constexpr const char* kTextureFileName = "zovodivuvi.jpg";

// Creates `dir` (empty: the current folder) if missing and checks that files can be written
// there. Returns an empty string, or a one-line reason naming the folder and what to do.
std::string prepareOutputFolder(const std::string& dir);

// How the colour texture is shaded; see shadeTerrain.
struct TextureLook {
    std::uint32_t seed;
    float waterLevel;
};

// Writes the height image and the matching colour texture (turned to fit the fly-over's
// texture coordinates) into `dir`, and one "wrote ..." line per file on `log`.
bool writeFlyoverFiles(ImageIo& io, const HeightField& field, const std::string& dir, const TextureLook& look,
                       std::ostream& log, std::string& error);

}  // namespace sample_terrain
