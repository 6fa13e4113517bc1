// Command-line front end: writes the height image and colour texture the fly-over reads,
// either synthesised from a seed or converted from an existing image.

#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "flyover_files.h"
#include "height_import.h"
#include "sample_terrain_options.h"
#include "terrain_image_io.h"
#include "terrain_shading.h"
#include "terrain_synthesis.h"

namespace fs = std::filesystem;
using namespace sample_terrain;

namespace {

constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "make_sample_terrain: " << message << '\n';
    return kExitFailure;
}

int run(const Options& options) {
    if (!options.fromPath.empty()) {
        std::error_code ec;
        if (!fs::exists(options.fromPath, ec)) {
            return fail("input image '" + options.fromPath + "' does not exist; check the path given to --from");
        }
        if (!fs::is_regular_file(options.fromPath, ec)) {
            return fail("input '" + options.fromPath + "' is not a file; pass an image file to --from");
        }
    }

    ImageIo io;
    if (!io.ready()) return fail("could not start Irrlicht's null video driver; check the Irrlicht installation");

    std::string error;
    HeightField field;
    if (options.fromPath.empty()) {
        field = synthesizeTerrain(options.width, options.seed);
    } else {
        GreyImage grey;
        if (!io.readLuminance(options.fromPath, grey, error)) return fail(error);
        field = heightFieldFromImage(grey, options.width);
        if (isFlat(field)) {
            std::cerr << "make_sample_terrain: warning: '" << options.fromPath
                      << "' has a single brightness, so the terrain is flat\n";
        }
    }

    const std::string folderProblem = prepareOutputFolder(options.outDir);
    if (!folderProblem.empty()) return fail(folderProblem);
    const TextureLook look{options.seed, kDefaultWaterLevel};
    if (!writeFlyoverFiles(io, field, options.outDir, look, std::cout, error)) return fail(error);
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
