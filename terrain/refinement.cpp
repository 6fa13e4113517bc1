// View-dependent refinement: decides node by node how finely the map is drawn for the
// current view, and writes the outcome into the node map as refinement weights that
// persist from frame to frame. A weight of 0 means "not subdivided"; 1..255 is the share
// (of 255) of the true heights in the node's blended vertices.
//
// A subdivided node evaluates its four children together, one lane each; everything
// that depends only on a node's size is worked out once per frame.
#include "terrain/four_lanes.h"
#include "terrain/node_map.h"
#include "terrain/refinement.h"

namespace kalde {

namespace {

// Below a criterion of 0.25 a node is fully subdivided; from there its weight falls
// linearly to 1 as the criterion approaches 1.
constexpr float kFullWeightBelow = 0.25f;
constexpr int kWeightSlope = 340;
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

template <class Sample>
class Refiner {
public:
    explicit Refiner(const ViewState& view)
        : map_(state<Sample>().map),
          view_(view),
          nodeMap_(map_.nodeMap),
          columns_(map_.columns),
          half_(map_.size / 2),
          orthoNumerator_(static_cast<float>(half_ * half_)) {
        const float minRefineFactor = state<Sample>().params.minRefineFactor;
        for (int k = 1, s = 2; s < map_.size; ++k, s *= 2)
            reach_[k] = view.orthographic ? static_cast<float>(s) * minRefineFactor
                                          : static_cast<float>(s) * minRefineFactor * map_.cellAvg;
        cull_.setUp<Sample>(view, kRefineCullMargin);
    }

    // The root, in all four lanes.
    void run() {
        int k = 1;
        while ((2 << k) < map_.size) ++k;
        const Floats4 ox = splat(x(half_)), oz = splat(z(half_));
        const unsigned roughness = roughnessBits(nodeMap_, half_, half_, half_);
        const Floats4 f = criterion(ox, oz, splat(static_cast<float>(roughness)), k);
        const Ints4 outside = hasChildrenToTest(k) ? outside4(ox, splat(y(half_, half_)), oz, k)
                                                   : Ints4{};
        settle(f[0], outside[0], half_, half_, k);
    }

private:
    // From the level-of-detail viewpoint to a node centre: x by column, y by the centre
    // sample, z by row.
    float x(int i) const { return static_cast<float>(i - half_) * map_.cellX - view_.lodPos.x; }
    float y(int i, int j) const {
        return static_cast<float>(columns_[i][j]) * map_.heightScale - view_.lodPos.y;
    }
    float z(int j) const { return static_cast<float>(half_ - j) * map_.cellZ - view_.lodPos.z; }

    // Culling decides only whether a subdivided node's children are visited.
    bool hasChildrenToTest(int k) const { return k >= 2 && cull_.tested(k); }

    // The criterion of four nodes of size 2^k (below 1 subdivides).
    Floats4 criterion(Floats4 ox, Floats4 oz, Floats4 roughness, int k) const {
        Floats4 g = roughness * kRoughnessUnit * view_.resFactor;
        g = select(g < 1.0f, splat(1.0f), g);
        const Floats4 reach = reach_[k] * g;
        if (view_.orthographic) return orthoNumerator_ / (reach * reach);
        return (ox * ox + oz * oz + view_.lodHeight2) / (reach * reach);
    }

    // Whether four nodes of size 2^k lie outside the view, their centres seen from the eye.
    Ints4 outside4(Floats4 ox, Floats4 oy, Floats4 oz, int k) const {
        const ViewState& view = view_;
        const Floats4 cx = ox + view.lodPos.x - view.eyePos.x;
        const Floats4 cy = oy + view.lodPos.y - view.eyePos.y;
        const Floats4 cz = oz + view.lodPos.z - view.eyePos.z;
        return cull_.outside(k, cx, cy, cz);
    }

    // Stores the weight of node (i, j) of size 2^k from its criterion f, and refines its
    // children (unless it lies outside the view) or clears its subtree.
    void settle(float f, int outside, int i, int j, int k) {
        unsigned char& weight = nodeMap_[i][j];
        const int q = k >= 2 ? 1 << (k - 2) : 0;
        if (!(f < 1.0f)) {   // a NaN view leaves the node unsubdivided as well
            if (weight != 0) {
                weight = 0;
                if (q >= 1) {
                    clearSubtree(nodeMap_, i + q, j + q, q);
                    clearSubtree(nodeMap_, i - q, j + q, q);
                    clearSubtree(nodeMap_, i - q, j - q, q);
                    clearSubtree(nodeMap_, i + q, j - q, q);
                }
            }
            return;
        }
        // 340 - floor(340 f) above 0.25, where (f < 1) truncation is the floor.
        weight = static_cast<unsigned char>(
            f <= kFullWeightBelow ? kFullWeight
                                  : kWeightSlope - static_cast<int>(kWeightSlope * f));
        // A culled node keeps its weight, its subtree is left alone.
        if (q >= 1 && outside == 0) refineChildren(i, j, k - 1);
    }

    // The children NE, NW, SW, SE of the subdivided node (i, j), each of size 2^k.
    void refineChildren(int i, int j, int k) {
        const int q = 1 << (k - 1);
        const int east = i + q, west = i - q, north = j + q, south = j - q;
        // A child's roughness: high byte at (ci, cj - q), low byte at (ci - q, cj).
        const unsigned char* eastColumn = nodeMap_[east];
        const unsigned char* westColumn = nodeMap_[west];
        const unsigned char* centreColumn = nodeMap_[i];
        const unsigned char* farWestColumn = nodeMap_[i - 2 * q];
        const Ints4 roughness{eastColumn[j] * 256 + centreColumn[north],
                              westColumn[j] * 256 + farWestColumn[north],
                              westColumn[j - 2 * q] * 256 + farWestColumn[south],
                              eastColumn[j - 2 * q] * 256 + centreColumn[south]};
        const float xEast = x(east), xWest = x(west), zNorth = z(north), zSouth = z(south);
        const Floats4 ox{xEast, xWest, xWest, xEast};
        const Floats4 oz{zNorth, zNorth, zSouth, zSouth};
        const Floats4 f = criterion(ox, oz, toFloats(roughness), k);
        Ints4 outside{};
        if (hasChildrenToTest(k)) {
            const Floats4 oy{y(east, north), y(west, north), y(west, south), y(east, south)};
            outside = outside4(ox, oy, oz, k);
        }
        settle(f[0], outside[0], east, north, k);
        settle(f[1], outside[1], west, north, k);
        settle(f[2], outside[2], west, south, k);
        settle(f[3], outside[3], east, south, k);
    }

    const MapState<Sample>& map_;
    const ViewState& view_;
    NodeMap nodeMap_;
    Sample* const* columns_;
    const int half_;
    const float orthoNumerator_;     // (S/2)^2
    float reach_[kMaxLevels] = {};   // s * minRefineFactor, times cellAvg in perspective
    Culling cull_;
};

}  // namespace

template <class Sample>
void refine(const ViewState& view) {
    Refiner<Sample>(view).run();
}

#define KALDE_INSTANTIATE(Sample) template void refine<Sample>(const ViewState&);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
