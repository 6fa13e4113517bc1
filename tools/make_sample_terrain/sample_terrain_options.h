#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/flyover_files/flyover_files.h"

namespace sample_terrain {

struct Options {
    std::string outDir;    // empty: the current directory
    std::string fromPath;  // empty: synthesise instead of converting
    int width = kDefaultWidth;
    std::uint32_t seed = kDefaultSeed;
    bool replace = false;   // --force
    bool showHelp = false;
};

struct ParseResult {
    Options options;
    std::string error;  // one line for the user; empty on success
};

// Accepts "--name value" and "--name=value"; args excludes the program name.
ParseResult parseOptions(const std::vector<std::string>& args);

std::string usageText();

}  // namespace sample_terrain
