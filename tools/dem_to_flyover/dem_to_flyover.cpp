// Command-line front end: turns a real elevation raster, read through GDAL, into the height
// image and colour texture the fly-over reads.

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "elevation/raster_source.h"
#include "tools/dem_to_flyover/dem_conversion.h"
#include "tools/dem_to_flyover/dem_options.h"
#include "tools/flyover_files/flyover_files.h"
#include "tools/flyover_files/sample_shading.h"

using namespace sample_terrain;

namespace {

constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "dem_to_flyover: " << message << '\n';
    return kExitFailure;
}

void printSummary(const DemOptions& options, const elevation::RasterSource& input,
                  const elevation::HeightSummary& heights, const ConversionReport& report) {
    const std::string unit = input.unit().empty() ? "" : " " + input.unit();
    std::cout << "input: " << options.inputPath << ", driver " << input.driver() << " (" << input.driverName()
              << "), band " << options.band << " of " << input.bandCount() << '\n';
    std::cout << "read " << input.width() << " x " << input.height() << " samples, heights " << heights.lowest
              << unit << " .. " << heights.highest << unit << ", filled " << heights.holes << " no-data samples";
    if (heights.strayMarkers > 0) std::cout << " (" << heights.strayMarkers << " of them undeclared fill markers)";
    std::cout << '\n';
    if (!input.turned().empty()) std::cout << "orientation: " << input.turned() << '\n';
    std::cout << "square: " << report.squaring << '\n';
    std::cout << "water: " << report.water << '\n';
    const int texture = textureSizeFor(options.width);
    std::cout << "output: " << options.width << " x " << options.width << " height image, " << texture << " x "
              << texture << " texture\n";
}

int run(const DemOptions& options) {
    std::string error = outputNamesProblem(options.outDir, options.replace);
    if (!error.empty()) return fail(error);
    elevation::RasterSource input;
    if (error = input.open(options.inputPath, options.band); !error.empty()) return fail(error);
    if (error = rasterSizeProblem(input.width(), input.height(), options.fit); !error.empty())
        return fail("'" + options.inputPath + "' " + error);
    elevation::HeightGrid heights;
    elevation::HoleMask holes;
    {
        elevation::Progress progress(std::cout, "reading " + options.inputPath);
        error = input.read({0, 0, input.width(), input.height()}, heights, holes, &progress);
    }
    if (!error.empty()) return fail(error);
    if (input.rotated()) {
        std::cerr << "dem_to_flyover: warning: '" << options.inputPath
                  << "' has a rotated georeference; it is converted as stored, so north may not be up\n";
    }
    elevation::HeightSummary summary;
    std::string problem;
    bool repaired = false;
    {
        elevation::Progress progress(std::cout, "filling holes");
        repaired = elevation::repairHeights(heights, holes, summary, problem);
    }
    if (!repaired) {
        return fail("band " + std::to_string(options.band) + " of '" + options.inputPath + "' " + problem +
                    "; choose another --band or another file");
    }
    holes = elevation::HoleMask();
    ConversionReport report;
    const HeightField field = convertHeights(std::move(heights), summary, options.fit, options.width, report);
    if (isFlat(field)) {
        std::cerr << "dem_to_flyover: warning: '" << options.inputPath << "' has a single height, so the terrain is flat\n";
    }

    const std::string folderProblem = prepareOutputFolder(options.outDir, options.replace);
    if (!folderProblem.empty()) return fail(folderProblem);
    printSummary(options, input, summary, report);
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
