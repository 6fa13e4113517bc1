// Fog-aware fan emission and the prisms it collects for the prism phase.
#pragma once

#include "terrain/fan_emission.h"

namespace kalde {

// One fan triangle with fog, lifted into a vertical prism: corners A (fan centre),
// B (previous vertex), C (current vertex), each x, y, yTop, z in world units.
struct FogPrism {
    float ax, ay, aTop, az;
    float bx, by, bTop, bz;
    float cx, cy, cTop, cz;
};

// The prisms collected by the fan phase and consumed by the prism phase; the memory
// stays allocated from frame to frame, until the map is released or replaced.
struct PrismList {
    FogPrism* prisms = nullptr;
    int count = 0;
    int capacity = 0;
};

template <class Sample>
PrismList& prismList() {
    static PrismList list;
    return list;
}

// Frees the prism list's memory and empties it.
template <class Sample> void releasePrismList();

// The fans of emitFans and renderFans with the fog values f1..f4 of the corners.
template <class Sample>
void emitFogFans(const ViewState& view, const FanCallbacks& callbacks, int i, int j, int s,
                 float e1, float e2, float e3, float e4, float f1, float f2, float f3, float f4);
template <class Sample>
void renderFogFans(const ViewState& view, int i, int j, int s, float e1, float e2, float e3,
                   float e4, float f1, float f2, float f3, float f4);

}  // namespace kalde
