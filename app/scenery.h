// What a true-scale flight flies over, as the camera, the HUD and the scripted mode see it:
// where the raster lies in the world, the ground under any point of it, and the terrain of
// one frame in the scene. One map today; the same for a world of tiles.
#pragma once

#include <irrlicht.h>

#include <cstddef>

#include "app/flight_camera.h"

namespace flyover {

struct FrameView {
    Direction eye, direction;
    float fovDegrees = 0.0f, aspect = 1.0f, nearDistance = 1.0f, farDistance = 1.0f;
};

class Scenery {
public:
    virtual ~Scenery() = default;
    virtual const RasterPlacement& placement() const = 0;
    // The drawn (exaggerated) ground height at world (x, z) over the raster.
    virtual float groundHeight(double x, double z) = 0;
    // Adds the terrain for `view` to the scene, drawn with `look`; returns its triangles.
    virtual long addFrame(irr::scene::ISceneManager* sceneManager, const FrameView& view,
                          const irr::video::SMaterial& look) = 0;
    // Removes what addFrame added.
    virtual void removeFrame() = 0;
    // A world's tiles in memory, loaded so far, and the bytes they hold; none for one map.
    virtual long tilesHeld() const { return 0; }
    virtual long tilesLoaded() const { return 0; }
    virtual std::size_t tileBytes() const { return 0; }
};

}  // namespace flyover
