#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/flyover_files/flyover_files.h"

namespace sample_terrain {

// How a raster that is not square becomes square.
enum class Fit { Crop, Pad };

// The most samples a raster may hold to be read, counted in the padded square with
// --fit pad; the conversion's peak memory at that size, measured.
constexpr std::uint64_t kMaxRasterSamples = 100'000'000;
constexpr std::uint64_t kSamplesPerMillion = 1'000'000;
constexpr int kMaxRasterMegabytes = 1000;

struct DemOptions {
    std::string inputPath;
    std::string outDir;  // empty: the current directory
    int width = kDefaultWidth;
    Fit fit = Fit::Crop;
    int band = 1;  // GDAL counts bands from 1
    bool replace = false;   // --force
    bool showHelp = false;
};

struct DemParseResult {
    DemOptions options;
    std::string error;  // one line for the user; empty on success
};

// Parses the arguments of dem_to_flyover, without the program name.
DemParseResult parseDemOptions(const std::vector<std::string>& args);

std::string demUsageText();

}  // namespace sample_terrain
