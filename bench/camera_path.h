// The scripted flight every method follows: a low flight looking ahead, a turn, and a
// climb to an overview, scaled to the terrain.
#pragma once

#include <functional>
#include <vector>

namespace bench {

struct CameraPose {
    float ex, ey, ez;   // eye, world
    float dx, dy, dz;   // view direction, unit length
};

// frames poses over a map of the given world extent centred on the origin; ground(x, z)
// is the terrain height in world units.
std::vector<CameraPose> flightPath(float extent, int frames,
                                   const std::function<float(float, float)>& ground);

}  // namespace bench
