#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/flyover_files/flyover_files.h"

namespace sample_terrain {

struct Options {
    std::string outDir;    // empty: the current directory
    std::string fromPath;  // empty: synthesise instead of converting
    std::string rasterPath;  // non-empty: write only an elevation raster, streamed
    int width = kDefaultWidth;
    std::uint32_t seed = kDefaultSeed;
    bool replace = false;   // --force
    bool showHelp = false;
};

// The side of a raster written with --raster, streamed a band of rows at a time.
constexpr int kMaxRasterWidth = 32769;
// Its cells and its heights: the landscape's 0..1 stretched to metres.
constexpr double kRasterCellMetres = 10.0;
constexpr double kRasterReliefMetres = 2500.0;

struct ParseResult {
    Options options;
    std::string error;  // one line for the user; empty on success
};

// Accepts "--name value" and "--name=value"; args excludes the program name.
ParseResult parseOptions(const std::vector<std::string>& args);

std::string usageText();

}  // namespace sample_terrain
