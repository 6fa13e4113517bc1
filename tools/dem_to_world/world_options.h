#pragma once

#include <string>
#include <vector>

#include "world/world_writer.h"

namespace dem_to_world {

struct WorldOptions {
    world::WorldSource source;
    std::string outDir;
    bool showHelp = false;
};

struct WorldParseResult {
    WorldOptions options;
    std::string error;   // one line for the user; empty on success
};

// args excludes the program name.
WorldParseResult parseWorldOptions(const std::vector<std::string>& args);

std::string worldUsageText();

}  // namespace dem_to_world
