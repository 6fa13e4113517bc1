// Command-line front end: turns a real elevation raster, read through GDAL, into the height
// image and colour texture the fly-over reads.

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "dem_conversion.h"
#include "dem_options.h"
#include "dem_raster.h"
#include "flyover_files.h"
#include "sample_terrain_options.h"
#include "terrain_shading.h"

using namespace sample_terrain;

namespace {

constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "dem_to_flyover: " << message << '\n';
    return kExitFailure;
}

// What was read, for the summary; the heights themselves move on into the conversion.
struct InputFacts {
    std::string driver, driverName, unit, turned;
    int bandCount = 0, width = 0, height = 0;
};

void printSummary(const DemOptions& options, const InputFacts& input, const ConversionReport& report) {
    const std::string unit = input.unit.empty() ? "" : " " + input.unit;
    std::cout << "input: " << options.inputPath << ", driver " << input.driver << " (" << input.driverName << "), band "
              << options.band << " of " << input.bandCount << '\n';
    std::cout << "read " << input.width << " x " << input.height << " samples, heights "
              << report.lowest << unit << " .. " << report.highest << unit << ", filled " << report.holes
              << " no-data samples";
    if (report.strayMarkers > 0) std::cout << " (" << report.strayMarkers << " of them undeclared fill markers)";
    std::cout << '\n';
    if (!input.turned.empty()) std::cout << "orientation: " << input.turned << '\n';
    std::cout << "square: " << report.squaring << '\n';
    std::cout << "water: " << report.water << '\n';
    const int texture = textureSizeFor(options.width);
    std::cout << "output: " << options.width << " x " << options.width << " height image, " << texture << " x "
              << texture << " texture\n";
}

int run(const DemOptions& options) {
    std::string error = outputNamesProblem(options.outDir, options.replace);
    if (!error.empty()) return fail(error);
    ElevationRaster raster;
    const auto sizeCheck = [&](int width, int height) { return rasterSizeProblem(width, height, options.fit); };
    if (!readElevationBand(options.inputPath, options.band, sizeCheck, raster, error)) return fail(error);
    const InputFacts input{raster.driver, raster.driverName, raster.unit, raster.turned,
                           raster.bandCount, raster.heights.width, raster.heights.height};
    if (raster.rotated) {
        std::cerr << "dem_to_flyover: warning: '" << options.inputPath
                  << "' has a rotated georeference; it is converted as stored, so north may not be up\n";
    }

    HeightField field;
    ConversionReport report;
    std::string problem;
    if (!convertHeights(std::move(raster.heights), std::move(raster.holes), options.fit, options.width, field, report,
                        problem)) {
        return fail("band " + std::to_string(options.band) + " of '" + options.inputPath + "' " + problem +
                    "; choose another --band or another file");
    }
    if (isFlat(field)) {
        std::cerr << "dem_to_flyover: warning: '" << options.inputPath << "' has a single height, so the terrain is flat\n";
    }

    const std::string folderProblem = prepareOutputFolder(options.outDir, options.replace);
    if (!folderProblem.empty()) return fail(folderProblem);
    printSummary(options, input, report);
    if (!writeFlyoverFiles(field, options.outDir, {kDefaultSeed, report.waterLevel}, options.replace, std::cout, error))
        return fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const DemParseResult parsed = parseDemOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.error.empty()) return fail(parsed.error);
        if (parsed.options.showHelp) {
            std::cout << demUsageText();
            return 0;
        }
        return run(parsed.options);
    } catch (const std::bad_alloc&) {
        return fail("out of memory; try a smaller --width or a smaller input");
    } catch (const std::exception& e) {
        return fail(std::string("unexpected error: ") + e.what());
    }
}
