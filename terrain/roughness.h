// Roughness of every quadtree node, kept in the node map of the map it is given.
#pragma once

#include "terrain/map_state.h"

namespace kalde {

// Clears the node map and fills in every node's roughness, propagated upwards.
template <class Sample>
void computeRoughness(MapState<Sample>& map, const RefinementParams& params);
// Raises every node's roughness to the weighted roughness of the fog layer.
template <class Sample>
void computeFogRoughness(MapState<Sample>& map, const RefinementParams& params, float fogWeight);
// Makes the stored roughness of the node centred at (i, j) with half-size h at least v.
template <class Sample> void raiseRoughness(NodeMap nodeMap, float v, int i, int j, int h);
// Raises node (x, z) of size 2s with a distance-weighted share of node (i, j) of size s.
template <class Sample>
void propagateRoughness(const MapState<Sample>& map, const RefinementParams& params, int i, int j,
                        int s, int x, int z);

}  // namespace kalde
