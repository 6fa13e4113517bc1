// The height image and colour texture the fly-over reads from its working directory,
// written by both tools.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "tools/flyover_files/height_field.h"

namespace sample_terrain {

// Side of the square height image.
constexpr int kMinWidth = 2;
constexpr int kMaxWidth = 8192;
constexpr int kDefaultWidth = 256;

// Parses a --width value; returns an empty string or a one-line reason.
std::string parseWidth(const std::string& text, int& width);

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

// The texture's colour variations when no seed is given.
constexpr std::uint32_t kDefaultSeed = 1337;

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
