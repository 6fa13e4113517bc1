// One frame of the fly-over: ground following, the terrain's fans into a fresh mesh,
// the scene node for it, rendering and the caption. Kept apart from main() so that
// tests can drive frames on a device without a window.
#pragma once

#include <irrlicht.h>

#include "terrain/kaldestub.h"

namespace flyover {

constexpr int kCaptionCapacity = 1024;
// The terrain is refined for a field of view wider than the camera's, so that detail
// is already there when the view turns.
constexpr double kLodFovFactor = 2.4;
// The clear colour: alpha 0, red 150, green 50, blue 0.
const irr::video::SColor kSkyColour(0, 150, 50, 0);

struct FlyoverScene {
    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    irr::scene::ISceneManager* sceneManager = nullptr;
    irr::scene::ICameraSceneNode* camera = nullptr;
    irr::video::ITexture* texture = nullptr;   // may be null: the terrain stays untextured
    kalde::TerrainObject* terrain = nullptr;
    int lastFps = -1;
    wchar_t caption[kCaptionCapacity] = {};
};

// Camera height for the ground height below it: a margin of ten near distances
// above the ground, or 100 where there is no ground (outside the map, or NaN).
float groundFollowHeight(float groundHeight, float nearValue);

// The view direction handed to the engine: target - position as it stands, unless the
// engine's single-precision length of it would be zero or infinite (a target that rounds
// onto a camera far from the origin, a difference too large to square); then the same
// direction normalised in double, or -z where there is none at all.
irr::core::vector3df viewDirection(const irr::core::vector3df& position,
                                   const irr::core::vector3df& target);

// Rewrites caption when fps differs from lastFps (which then becomes fps); returns
// whether it did.
bool refreshCaption(int fps, int trianglesDrawn, int* lastFps,
                    wchar_t (&caption)[kCaptionCapacity]);

// Wraps the frame's buffers (the full ones, then bridge.frameMeshBuffer) into a mesh and an
// animated mesh with their boxes recalculated; the buffers' own references pass to the
// mesh and the bridge lets go of them. The caller drops both results once the frame's
// node is gone.
irr::scene::SAnimatedMesh* wrapFrameBuffers(irr::scene::SMesh** meshOut);

// Runs one whole frame: buffer, camera, ground following, draw, mesh, node, render,
// caption, release.
void runFrame(FlyoverScene& scene);

}  // namespace flyover
