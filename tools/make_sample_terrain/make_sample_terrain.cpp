// Command-line front end: writes the height image and colour texture the fly-over reads,
// either synthesised from a seed or converted from an existing image.

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "tools/flyover_files/flyover_files.h"
#include "tools/flyover_files/sample_shading.h"
#include "tools/make_sample_terrain/grey_image.h"
#include "tools/make_sample_terrain/landscape_synthesis.h"
#include "tools/make_sample_terrain/sample_terrain_options.h"

using namespace sample_terrain;

namespace {

constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "make_sample_terrain: " << message << '\n';
    return kExitFailure;
}

int run(const Options& options) {
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
