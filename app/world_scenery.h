// A world folder flown tile by tile: the tiles around the camera streamed in on a
// background thread within the memory budget, each drawn as its own map with its own
// texture, stitched to its neighbours; the ground under the camera from the finest tile
// ready there.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>

#include "app/scenery.h"
#include "world/world_index.h"

namespace flyover {

class WorldScenery : public Scenery {
public:
    // Shows the coarsest tile at least: waits (before any frame) until it is ready, and
    // returns false with the problem when it cannot be read.
    virtual bool start(std::string& problem) = 0;
};

// The world in `folder`, described by `index`, heights drawn `exaggeration` times as tall,
// its tiles within `memoryBytes`.
std::unique_ptr<WorldScenery> makeWorldScenery(irr::video::IVideoDriver* driver, const std::filesystem::path& folder,
                                               const world::WorldIndex& index, double exaggeration,
                                               std::size_t memoryBytes);

}  // namespace flyover
