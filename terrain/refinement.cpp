// View-dependent refinement: decides node by node how finely the map is drawn for the
// current view, and writes the outcome into the node map as refinement weights that
// persist from frame to frame. A weight of 0 means "not subdivided"; 1..255 is the share
// (of 255) of the true heights in the node's blended vertices.
#include <algorithm>
#include <cmath>

#include "terrain/node_map.h"
#include "terrain/refinement.h"

namespace kalde {

namespace {

// Below a criterion of 0.25 a node is fully subdivided; from there its weight falls
// linearly to 1 as the criterion approaches 1.
constexpr float kFullWeightBelow = 0.25f;
constexpr float kWeightSlope = 340.0f;
// Culling during refinement tests boxes three times the node's size, so that the
// weights of nodes just outside the view are still kept up to date.
constexpr float kRefineCullMargin = 3.0f;

// Sets the weights of the node at (i, j) with half-size h and of its subdivided
// descendants to 0.
void clearSubtree(NodeMap nodeMap, int i, int j, int h) {
    // Subdivided nodes only have subdivided ancestors, so a 0 ends the descent.
    while (nodeMap[i][j] != 0) {
        nodeMap[i][j] = 0;
        h /= 2;
        if (h <= 0) return;
        clearSubtree(nodeMap, i + h, j + h, h);
        clearSubtree(nodeMap, i - h, j + h, h);
        clearSubtree(nodeMap, i - h, j - h, h);
        i += h;
        j -= h;
    }
}

// Refines the node centred at (i, j) of size s and its subtree for the view.
template <class Sample>
void refineNode(const ViewState& view, int i, int j, int s) {
    const auto& st = state<Sample>();
    const MapState<Sample>& map = st.map;
    const int S = map.size;
    const int half = S / 2;
    const int cullAbove = cullThreshold(S, st.params.cullDepth);
    for (;;) {
        const int h = s / 2;
        const int q = s / 4;
        // From the level-of-detail viewpoint to the node centre.
        const float ox = static_cast<float>(i - half) * map.cellX - view.lodPos.x;
        const float oy = static_cast<float>(map.columns[i][j]) * map.heightScale - view.lodPos.y;
        const float oz = static_cast<float>(half - j) * map.cellZ - view.lodPos.z;

        const unsigned roughness = roughnessBits(map.nodeMap, i, j, h);
        const float g = std::max(static_cast<float>(roughness) * kRoughnessUnit * view.resFactor,
                                 1.0f);
        float f;
        if (view.orthographic) {
            const float reach = static_cast<float>(s) * st.params.minRefineFactor * g;
            f = static_cast<float>(half * half) / (reach * reach);
        } else {
            const float reach = static_cast<float>(s) * st.params.minRefineFactor * map.cellAvg * g;
            f = (ox * ox + oz * oz + view.lodHeight2) / (reach * reach);
        }

        unsigned char& weight = map.nodeMap[i][j];
        if (!(f < 1.0f)) {   // a NaN view leaves the node unsubdivided as well
            if (weight != 0) {
                weight = 0;
                if (q >= 1) {
                    clearSubtree(map.nodeMap, i + q, j + q, q);
                    clearSubtree(map.nodeMap, i - q, j + q, q);
                    clearSubtree(map.nodeMap, i - q, j - q, q);
                    clearSubtree(map.nodeMap, i + q, j - q, q);
                }
            }
            return;
        }
        weight = f <= kFullWeightBelow
                     ? static_cast<unsigned char>(kFullWeight)
                     : static_cast<unsigned char>(kWeightSlope - std::floor(kWeightSlope * f));
        if (q < 1) return;

        if (s > cullAbove) {
            const Vec3 c{ox + view.lodPos.x - view.eyePos.x, oy + view.lodPos.y - view.eyePos.y,
                         oz + view.lodPos.z - view.eyePos.z};
            if (nodeOutsideView(view, c, static_cast<float>(h), static_cast<float>(map.maxDiff[s]),
                                kRefineCullMargin))
                return;   // the culled node keeps its weight, its subtree is left alone
        }

        // North-east, north-west, south-west; the south-east child by iteration.
        refineNode<Sample>(view, i + q, j + q, h);
        refineNode<Sample>(view, i - q, j + q, h);
        refineNode<Sample>(view, i - q, j - q, h);
        i += q;
        j -= q;
        s = h;
    }
}

}  // namespace

template <class Sample>
void refine(const ViewState& view) {
    const int S = state<Sample>().map.size;
    refineNode<Sample>(view, S / 2, S / 2, S - 1);
}

#define KALDE_INSTANTIATE(Sample) template void refine<Sample>(const ViewState&);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
