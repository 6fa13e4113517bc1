// Writing a world folder from elevation rasters: the level-0 tiles a window at a time, each
// coarser level from the one below, a texture per tile and the index last, all in a
// temporary folder that replaces the world only once it is complete.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "world/world_index.h"

namespace world {

struct WorldSource {
    std::vector<std::string> inputs;   // neighbouring rasters, mosaicked
    std::string texturePath;           // an image over the whole source; empty: relief
    int tileSide = kDefaultTileSide;
};

// What keeps `folder` from becoming a world: something there that is not a world folder
// (a world folder is replaced). An empty string when nothing does.
std::string worldFolderProblem(const std::filesystem::path& folder);

// Builds the world, telling its steps and their progress on `console`. Returns an empty
// string or one line naming what failed and what to do; the folder is then left as it was.
std::string writeWorld(const WorldSource& source, const std::filesystem::path& folder, std::ostream& console);

}  // namespace world
