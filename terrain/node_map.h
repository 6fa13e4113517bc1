// What the node map holds: at each node's centre its refinement weight, at two of its
// edge midpoints its 16-bit roughness. Roughness is written at construction, weights
// by every refinement, and the emission reads both kinds.
#pragma once

#include "terrain/kalde.h"

namespace kalde {

// A weight of 0: not subdivided; 1..255: subdivided, with weight/255 the share of the
// true heights in the node's blended vertices.
constexpr int kFullWeight = 255;

// The single-precision value nearest to 1/65535: q * kRoughnessUnit reads stored
// roughness bits q as a roughness.
constexpr float kRoughnessUnit = 1.5259022e-05f;

// Stored roughness q (0..65535) of the node centred at (i, j) with half-size h: the
// high byte at (i, j - h), the low byte at (i - h, j).
inline unsigned roughnessBits(NodeMap nodeMap, int i, int j, int h) {
    return nodeMap[i][j - h] * 256u + nodeMap[i - h][j];
}

}  // namespace kalde
