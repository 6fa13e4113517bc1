#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "height_field.h"

namespace sample_terrain {

// The names the fly-over looks for in its working directory.
constexpr const char* kHeightFileName = "ZovoDiVuviMap.bmp";
constexpr const char* kTextureFileName = "zovodivuvi.jpg";

// Why the two files cannot take their names in `dir` (empty: the current folder): a name is
// taken (with `replace`, only by a folder or other non-file). Returns an empty string, or a
// one-line reason naming the file and what to do. Has no effects, so the tools check it
// before any slow work.
std::string outputNamesProblem(const std::string& dir, bool replace);

// Creates `dir` if missing and checks that both files can be written there: the folder is
// writable and outputNamesProblem finds nothing. Returns an empty string, or a one-line
// reason naming the folder or file and what to do.
std::string prepareOutputFolder(const std::string& dir, bool replace);

// How the colour texture is shaded; see shadeTerrain.
struct TextureLook {
    std::uint32_t seed;
    float waterLevel;
};

// Writes the height image and the matching colour texture (turned to fit the fly-over's
// texture coordinates) into `dir`, both or neither (see elevation::writeFilesTogether),
// and one "wrote ..." line per file on `log`.
bool writeFlyoverFiles(const HeightField& field, const std::string& dir, const TextureLook& look,
                       bool replace, std::ostream& log, std::string& error);

}  // namespace sample_terrain
