#include "app/world_flight.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/device.h"
#include "app/flight.h"
#include "app/flight_keys.h"
#include "app/loading_screen.h"
#include "app/world_scenery.h"
#include "world/world_index.h"

namespace flyover {

namespace {

constexpr std::size_t kBytesPerMegabyte = 1 << 20;

int fail(const std::string& message) {
    std::cerr << "flyover: " << message << std::endl;
    return 1;
}

}  // namespace

int flyWorld(const FlightOptions& options) {
    const std::filesystem::path folder = options.elevationPath;
    const std::string name = folder.filename().empty() ? folder.parent_path().filename().string()
                                                        : folder.filename().string();
    if (!options.texturePath.empty())
        return fail("--texture drapes an image over an elevation file; a world's tiles carry their own "
                    "(made with dem_to_world --texture)");
    world::WorldIndex index;
    if (const std::string problem = world::readWorldIndex(folder, index); !problem.empty()) return fail(problem);
    if (options.startGiven && !(options.startColumn >= 0.0 && options.startRow >= 0.0 &&
                                options.startColumn <= index.extentColumns - 1.0 &&
                                options.startRow <= index.extentRows - 1.0))
        return fail("--at lies outside the world '" + folder.string() + "', whose pixels run from 0,0 to " +
                    std::to_string(index.extentColumns - 1) + "," + std::to_string(index.extentRows - 1) +
                    "; choose a pixel within");

    elevation::Georeference georeference;
    if (index.georeferenced) {
        elevation::Affine affine;
        std::copy(index.geoTransform.begin(), index.geoTransform.end(), affine);
        georeference = elevation::Georeference::fromAffine(affine, index.crs, index.extentColumns / 2.0,
                                                           index.extentRows / 2.0);
    }
    std::cout << name << ": " << index.extentColumns << " x " << index.extentRows << " samples in tiles of "
              << index.tileSide << ", " << index.levels.size() << " levels, heights " << index.lowest << " .. "
              << index.highest << " m" << std::endl;

    FlightKeys keys;
    std::string windowProblem;
    // Declared before the terrain, so that the terrain is gone before it.
    const FlightWindow window = openFlightWindow(options, &keys, windowProblem);
    if (!window) return fail(windowProblem);
    irr::IrrlichtDevice* device = window.get();
    LoadingScreen loading(device, name);
    loading.show("loading the coarsest tile");
    std::unique_ptr<WorldScenery> scenery =
        makeWorldScenery(device->getVideoDriver(), folder, index, options.exaggeration,
                         static_cast<std::size_t>(options.memoryMegabytes) * kBytesPerMegabyte);
    if (std::string problem; !scenery->start(problem)) return fail(problem);

    FlightLook look;
    look.name = name;
    look.georeference = georeference;
    look.exaggeration = options.exaggeration;
    look.material = groundMaterial(nullptr);   // each tile brings its texture
    return fly(device, keys, *scenery, options, look);
}

}  // namespace flyover
