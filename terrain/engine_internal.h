// Engine steps shared between the source files of the kalde library; not part of the
// public interface. Each is a template over the sample type, instantiated for
// std::int16_t and float where it is defined.
#pragma once

#include "terrain/engine_state.h"

namespace kalde {

// Largest difference between each node's centre and any sample of its square, per
// node size, into maxDiff (the extra column S).
template <class Sample> void computeMaxDiff();

// Clears the node map and fills in every node's roughness, propagated upwards.
template <class Sample> void computeRoughness();
// Raises every node's roughness to the weighted roughness of the fog layer.
template <class Sample> void computeFogRoughness(float fogWeight);
// Makes the stored roughness of the node centred at (i, j) with half-size h at least v.
template <class Sample> void raiseRoughness(float v, int i, int j, int h);
// Raises node (x, z) of size 2s with a distance-weighted share of node (i, j) of size s.
template <class Sample> void propagateRoughness(int i, int j, int s, int x, int z);

// Refines the node centred at (i, j) of size s and its subtree for the current view.
template <class Sample> void refineNode(int i, int j, int s);
// Sets the weights of the node at (i, j) with half-size h and of its subdivided
// descendants to 0.
template <class Sample> void clearSubtree(int i, int j, int h);

// Emits the fans of node (i, j, s) with corner elevations e1..e4 (NE, NW, SW, SE)
// through the stored callbacks; renderFans walks the same way for the built-in path.
template <class Sample> void emitFans(int i, int j, int s, float e1, float e2, float e3, float e4);
template <class Sample>
void renderFans(int i, int j, int s, float e1, float e2, float e3, float e4);

// The same fans with the fog values f1..f4 of the corners; every fan triangle with fog
// at a corner is appended to the prism list as a FogPrism.
template <class Sample>
void emitFogFans(int i, int j, int s, float e1, float e2, float e3, float e4, float f1, float f2,
                 float f3, float f4);
template <class Sample>
void renderFogFans(int i, int j, int s, float e1, float e2, float e3, float e4, float f1,
                   float f2, float f3, float f4);

// The prism phase: hands every collected prism to the stored PrismEdgeFn as three
// vertical edges, or draws the list through the render hooks (by depth when the
// map's prismDrawParam is above 0, else by slicing).
template <class Sample> void emitPrismEdges();
template <class Sample> void drawPrismsByDepth();
template <class Sample> void drawPrismsBySlicing();

// Stored roughness q (0..65535) of the node centred at (i, j) with half-size h.
inline unsigned roughnessBits(NodeMap nodeMap, int i, int j, int h) {
    return nodeMap[i][j - h] * 256u + nodeMap[i - h][j];
}

}  // namespace kalde
