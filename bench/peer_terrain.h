// The peer: Irrlicht 1.8's own terrain scene node (geomipmapping) on the same heights,
// driven by a camera on the null driver.
#pragma once

#include <irrlicht.h>

#include <vector>

#include "camera_path.h"
#include "screen_error.h"

namespace bench {

struct PeerSettings {
    int patchSize = 17;          // 9, 17, 33, 65 or 129 vertices per patch side
    int maxLOD = 5;
    float distanceScale = 1.0f;  // scales the node's own level-of-detail distances
};

class PeerTerrain {
public:
    // heights: S x S world heights, element (i, j) at i + j * S in the engine's grid
    // coordinates; placed like the engine's map (see GridPlacement).
    PeerTerrain(irr::IrrlichtDevice* device, const std::vector<float>& heights,
                const GridPlacement& grid, const PeerSettings& settings, float fovyRadians,
                float aspect, float nearDist, float farDist);
    ~PeerTerrain();
    PeerTerrain(const PeerTerrain&) = delete;
    PeerTerrain& operator=(const PeerTerrain&) = delete;

    // Moves the camera and recomputes the node's level of detail and indices, as it does
    // before drawing; returns the milliseconds that took.
    double update(const CameraPose& pose);
    long triangles() const;
    // The triangles the node would draw now, onto the raster.
    void rasterize(SampleRaster* raster) const;
    // The node's height at the world point, to check the placement.
    float heightAt(float x, float z) const;

private:
    irr::scene::ISceneManager* sceneManager_;
    irr::scene::ICameraSceneNode* camera_;
    irr::scene::ITerrainSceneNode* node_;
    GridPlacement grid_;
};

}  // namespace bench
