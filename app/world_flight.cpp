#include "app/world_flight.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/flight.h"
#include "app/world_scenery.h"
#include "world/world_index.h"

namespace flyover {

namespace {

constexpr std::size_t kBytesPerMegabyte = 1 << 20;

}  // namespace

int flyWorld(const FlightOptions& options) {
    const std::filesystem::path folder = options.elevationPath;
    const std::string name = folder.filename().empty() ? folder.parent_path().filename().string()
                                                        : folder.filename().string();
    if (!options.texturePath.empty())
        return flightFailure("--texture drapes an image over an elevation file; a world's tiles carry their own "
                             "(made with dem_to_world --texture)");
    world::WorldIndex index;
    if (const std::string problem = world::readWorldIndex(folder, index); !problem.empty())
        return flightFailure(problem);
    if (const std::string problem =
            startOutside(options, "the world '" + folder.string() + "'", index.extentColumns, index.extentRows);
        !problem.empty())
        return flightFailure(problem);

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

    FlightStage stage;
    if (std::string problem; !stage.open(options, name, problem)) return flightFailure(problem);
    irr::IrrlichtDevice* device = stage.device();
    stage.loading().show("loading the coarsest tile");
    std::unique_ptr<WorldScenery> scenery =
        makeWorldScenery(device->getVideoDriver(), folder, index, options.exaggeration,
                         static_cast<std::size_t>(options.memoryMegabytes) * kBytesPerMegabyte);
    if (std::string problem; !scenery->start(problem)) return flightFailure(problem);

    FlightLook look;
    look.name = name;
    look.georeference = georeference;
    look.exaggeration = options.exaggeration;
    look.material = groundMaterial(nullptr);   // each tile brings its texture
    return fly(device, stage.keys(), *scenery, options, look);
}

}  // namespace flyover
