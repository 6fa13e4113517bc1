// The per-frame landscape pass behind runLandscapePass, also for the embedding interface.
#pragma once

#include "terrain/fan_emission.h"

namespace kalde {

// The camera of a pass, positions in world coordinates (see runLandscapePass).
struct PassCamera {
    float res = 0.0f;
    Vec3 eye, lod, dir, up;
    float fovy = 0.0f, aspect = 0.0f, nearDist = 0.0f, farDist = 0.0f;
};

enum PassPhase { kAllPhases = 0, kRefinement = 1, kTessellation = 2, kFogPrisms = 3 };

// Checks the camera, sets up the view and runs the phases; the fans go to the target.
template <class Sample>
void runPass(const PassCamera& camera, const FanTarget& fans, PrismEdgeFn prismEdge, int phase);

}  // namespace kalde
