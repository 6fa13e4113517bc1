// A map's arrays built apart from the engine's state, for programs that build maps on
// another thread while the engine draws: the samples with their height bounds and the
// node map with its roughness, exactly as buildMap makes them. Nothing here reads or
// writes the module-level state, so it may run beside any engine call; the map is made
// current later, on the engine's thread, with bindMapState.
#pragma once

#include "terrain/map_state.h"

namespace kalde {

template <class Sample>
struct MapArrays {
    Sample** columns = nullptr;   // S+1 columns of S samples; column S holds the height bounds
    NodeMap nodeMap = nullptr;    // S-1 columns of S-1 bytes
    int size = 0;                 // S
    float cellSize = 0.0f;        // rescaled as buildMap rescales it
};

// The arrays buildMap would make from the n x n grid (element (c, r) at c + r*n), with
// the roughness of `params`. Fatal as buildMap (with a null grid: no elevation source).
template <class Sample>
MapArrays<Sample> buildMapArrays(const Sample* grid, int n, float cellSize, float heightScale,
                                 float cellAspect, const RefinementParams& params);

// Frees the arrays of a map that is not current (a current one goes with releaseMap).
template <class Sample> void releaseMapArrays(MapArrays<Sample>& arrays);

}  // namespace kalde
