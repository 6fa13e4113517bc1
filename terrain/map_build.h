// Map construction steps shared with the fog map, the fuzz targets and the tests.
// They work on the map they are given, not on the current map.
#pragma once

#include "terrain/map_state.h"

namespace kalde {

// The engine's grid size for an N x N grid: the smallest 2^k+1 that is >= n, and at
// least 3 (a long long, so that sizes beyond int can be refused).
long long enlargedSize(int n);

// Largest difference between each node's centre and any sample of its square, per
// node size, into maxDiff (the extra column S).
template <class Sample> void computeMaxDiff(MapState<Sample>& map);

}  // namespace kalde
