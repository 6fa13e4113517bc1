// Command-line front end: turns elevation rasters into a world folder of tiles.

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "tools/dem_to_world/world_options.h"
#include "world/world_writer.h"

namespace {

constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "dem_to_world: " << message << '\n';
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const dem_to_world::WorldParseResult parsed =
            dem_to_world::parseWorldOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.error.empty()) return fail(parsed.error);
        if (parsed.options.showHelp) {
            std::cout << dem_to_world::worldUsageText();
            return 0;
        }
        const std::string& out = parsed.options.outDir;
        if (std::string problem = world::worldFolderProblem(out); !problem.empty()) return fail(problem);
        if (std::string problem = world::writeWorld(parsed.options.source, out, std::cout); !problem.empty())
            return fail(problem);
        std::cout << "wrote the world " << out << '\n';
        return 0;
    } catch (const std::bad_alloc&) {
        return fail("out of memory; try a smaller --tile");
    } catch (const std::exception& e) {
        return fail(std::string("unexpected error: ") + e.what());
    }
}
