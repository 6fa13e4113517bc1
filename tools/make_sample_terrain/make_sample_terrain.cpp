// Command-line front end: writes the height image and colour texture the fly-over reads,
// either synthesised from a seed or converted from an existing image.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "elevation/parallel_rows.h"
#include "elevation/progress.h"
#include "elevation/raster_writer.h"
#include "tools/flyover_files/flyover_files.h"
#include "tools/flyover_files/sample_shading.h"
#include "tools/make_sample_terrain/grey_image.h"
#include "tools/make_sample_terrain/landscape_synthesis.h"
#include "tools/make_sample_terrain/sample_terrain_options.h"

using namespace sample_terrain;

namespace {

constexpr int kExitFailure = 1;
constexpr int kRowsPerBand = 64;

int fail(const std::string& message) {
    std::cerr << "make_sample_terrain: " << message << '\n';
    return kExitFailure;
}

// The synthesised landscape as an elevation raster, computed and written a band of rows at a
// time, so that its size is bounded by the disk rather than by memory.
int writeRaster(const Options& options) {
    const std::filesystem::path path = options.rasterPath;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::exists(status) && (!options.replace || !std::filesystem::is_regular_file(status)))
        return fail("'" + options.rasterPath + "' exists; " +
                    (options.replace ? "it is not a file, so choose another name" : "pass --force to replace it"));
    const int side = options.width;
    const LandscapeRows landscape(side, options.seed);
    elevation::RasterWriter writer;
    if (std::string problem = writer.create(path, side, side, kRasterCellMetres); !problem.empty())
        return fail(problem);
    std::vector<float> heights(static_cast<std::size_t>(side) * kRowsPerBand);
    std::vector<std::int16_t> samples(heights.size());
    elevation::Progress progress(std::cout, "writing " + options.rasterPath);
    for (int first = 0; first < side; first += kRowsPerBand) {
        const int rows = std::min(kRowsPerBand, side - first);
        elevation::forEachRow(rows, [&](int r) {
            const std::size_t at = static_cast<std::size_t>(r) * side;
            landscape.row(first + r, &heights[at]);
            for (int x = 0; x < side; ++x)
                samples[at + x] = static_cast<std::int16_t>(
                    std::lround(std::clamp(heights[at + x], 0.0f, 1.0f) * kRasterReliefMetres));
        });
        if (std::string problem = writer.writeRows(first, rows, samples.data()); !problem.empty()) return fail(problem);
        progress.advance(static_cast<std::uint64_t>(first + rows), static_cast<std::uint64_t>(side));
    }
    if (std::string problem = writer.finish(); !problem.empty()) return fail(problem);
    std::cout << "wrote " << options.rasterPath << ": " << side << " x " << side << " heights in metres, cells "
              << kRasterCellMetres << " m apart\n";
    return 0;
}

int run(const Options& options) {
    if (!options.rasterPath.empty()) return writeRaster(options);
    std::string error = outputNamesProblem(options.outDir, options.replace);
    if (!error.empty()) return fail(error);
    HeightField field;
    if (options.fromPath.empty()) {
        field = synthesizeTerrain(options.width, options.seed);
    } else {
        elevation::HeightGrid grey;
        if (!readGreyImage(options.fromPath, grey, error)) return fail(error);
        field = heightFieldFromImage(grey, options.width);
        if (isFlat(field)) {
            std::cerr << "make_sample_terrain: warning: '" << options.fromPath
                      << "' has a single brightness, so the terrain is flat\n";
        }
    }

    const std::string folderProblem = prepareOutputFolder(options.outDir, options.replace);
    if (!folderProblem.empty()) return fail(folderProblem);
    const TextureLook look{options.seed, kDefaultWaterLevel};
    if (!writeFlyoverFiles(field, options.outDir, look, options.replace, std::cout, error)) return fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.error.empty()) return fail(parsed.error);
        if (parsed.options.showHelp) {
            std::cout << usageText();
            return 0;
        }
        return run(parsed.options);
    } catch (const std::bad_alloc&) {
        return fail("out of memory; try a smaller --width");
    } catch (const std::exception& e) {
        return fail(std::string("unexpected error: ") + e.what());
    }
}
