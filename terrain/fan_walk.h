// The fan traversal: turns the refined quadtree into crack-free, blended triangle fans.
//
// Every visible subdivided node contributes one fan around its centre for each run of
// consecutive quadrants that are not subdivided themselves, and hands its subdivided
// quadrants the same treatment one level down. An edge midpoint joins the fans when
// the nodes on both sides of the edge are subdivided, or when a subdivided quadrant
// ends at it, so fans of different sizes meet without cracks, also across the border
// to neighbouring maps. Heights are blended between levels by the refinement weights.
//
// One traversal serves every path: an Output says what happens to fans and vertices
// (callbacks, nothing, fog tracking) and which values travel with a vertex (the
// elevation, or the elevation and its fog thickness).
#pragma once

#include <algorithm>

#include "terrain/node_map.h"
#include "terrain/view.h"

namespace kalde {

// The single-precision value nearest to 1/510.
constexpr float kInverse510 = 0.0019607844f;

// The mean of the edge ends ea and eb weighted (255 - w)/255, plus y weighted w/255.
inline float morphElevation(int w, float y, float ea, float eb) {
    if (w == kFullWeight) return y;
    return ((ea + eb) * static_cast<float>(kFullWeight - w) + static_cast<float>(2 * w) * y) *
           kInverse510;
}
inline float meanOf(float a, float b) { return (a + b) * 0.5f; }
inline bool isPresent(float value) { return value != kAbsent; }

// A vertex's elevation and fog thickness: the fog value follows the elevation through
// every blend, repair and absence.
struct FogValue {
    float y;
    float fog;
};
inline FogValue morphElevation(int w, const FogValue& v, const FogValue& a, const FogValue& b) {
    return {morphElevation(w, v.y, a.y, b.y), morphElevation(w, v.fog, a.fog, b.fog)};
}
inline FogValue meanOf(const FogValue& a, const FogValue& b) {
    return {meanOf(a.y, b.y), meanOf(a.fog, b.fog)};
}
inline bool isPresent(const FogValue& value) { return isPresent(value.y); }

// Output concept:
//   using Value = ...;                      // float or FogValue
//   static Value sample(const MapState<Sample>&, int i, int j);
//   static Value absent();
//   void notify(int i, int j, int s);
//   void begin();
//   void vertex(int i, const Value& v, int j);
template <class Sample, class Output>
class FanWalker {
public:
    using Value = typename Output::Value;

    FanWalker(const ViewState& view, Output& out)
        : map_(state<Sample>().map), view_(view), out_(out), half_(map_.size / 2) {
        setUpCulling<Sample>(view, 1.0f, cull_);
    }

    // Emits the node centred at (i, j) of size s whose corners carry e1..e4 (NE, NW,
    // SW, SE), and its subdivided quadrants.
    void walk(int i, int j, int s, Value e1, Value e2, Value e3, Value e4) {
        int k = 1;
        while ((1 << k) < s) ++k;
        walkLevel(i, j, k, e1, e2, e3, e4);
    }

private:
    enum Side { kWest = 0, kEast = 1, kSouth = 2, kNorth = 3 };
    // Neighbour maps of other sizes than 3 and up cannot be addressed; they count as absent.
    static constexpr int kMinNeighbourSize = 3;

    // walk for the node of size 2^k.
    void walkLevel(int i, int j, int k, Value e1, Value e2, Value e3, Value e4) {
        const int S = map_.size;
        NodeMap nodeMap = map_.nodeMap;
        for (;;) {
            const int s = 1 << k;
            const int h = s / 2;
            const int q = s / 4;
            if (cull_[k].tested && outside(i, j, k)) return;
            out_.notify(i, j, s);

            const int w = nodeMap[i][j];
            // The centre blends towards the diagonal the coarser level draws: the one
            // through NE and SW where (i + j) / s is odd.
            const bool oddDiagonal = ((i + j) & s) != 0;
            const Value centre = oddDiagonal ? morph(w, i, j, e1, e3) : morph(w, i, j, e2, e4);

            // A midpoint takes the smaller weight of the two nodes sharing its edge.
            const int wE = std::min(w, i + h < S - 1 ? int{nodeMap[i + s][j]}
                                                     : neighbourWeight(kEast, h, j, h));
            const int wN = std::min(w, j + h < S - 1 ? int{nodeMap[i][j + s]}
                                                     : neighbourWeight(kNorth, i, h, h));
            const int wW = std::min(w, i - h > 0 ? int{nodeMap[i - s][j]}
                                                 : neighbourWeight(kWest, S - 1 - h, j, h));
            const int wS = std::min(w, j - h > 0 ? int{nodeMap[i][j - s]}
                                                 : neighbourWeight(kSouth, i, S - 1 - h, h));
            Value east = midpoint(wE, i + h, j, e1, e4);
            Value north = midpoint(wN, i, j + h, e1, e2);
            Value west = midpoint(wW, i - h, j, e2, e3);
            Value south = midpoint(wS, i, j - h, e3, e4);

            int wNE = 0, wNW = 0, wSW = 0, wSE = 0;
            if (q >= 1) {
                wNE = nodeMap[i + q][j + q];
                wNW = nodeMap[i - q][j + q];
                wSW = nodeMap[i - q][j - q];
                wSE = nodeMap[i + q][j - q];
            }
            // An absent midpoint that a subdivided quadrant needs takes its edge's mean,
            // for the rest of this node.
            auto repaired = [](Value& m, const Value& a, const Value& b) -> const Value& {
                if (!isPresent(m)) m = meanOf(a, b);
                return m;
            };
            auto fanStart = [&] {
                out_.begin();
                out_.vertex(i, centre, j);
            };

            // North-east.
            if (wNE != 0) {
                const Value& n = repaired(north, e1, e2);
                walkLevel(i + q, j + q, k - 1, e1, n, centre, repaired(east, e1, e4));
            } else {
                fanStart();
                if (wSE != 0)
                    out_.vertex(i + h, repaired(east, e1, e4), j);
                else if (isPresent(east))
                    out_.vertex(i + h, east, j);
                out_.vertex(i + h, e1, j + h);
            }
            // North-west.
            if (wNW != 0) {
                if (wNE == 0) out_.vertex(i, repaired(north, e1, e2), j + h);
                walkLevel(i - q, j + q, k - 1, north, e2, repaired(west, e2, e3), centre);
            } else {
                if (wNE != 0) {
                    fanStart();
                    out_.vertex(i, north, j + h);
                } else if (isPresent(north)) {
                    out_.vertex(i, north, j + h);
                }
                out_.vertex(i - h, e2, j + h);
            }
            // South-west.
            if (wSW != 0) {
                if (wNW == 0) out_.vertex(i - h, repaired(west, e2, e3), j);
                walkLevel(i - q, j - q, k - 1, centre, west, e3, repaired(south, e3, e4));
            } else {
                if (wNW != 0) {
                    fanStart();
                    out_.vertex(i - h, west, j);
                } else if (isPresent(west)) {
                    out_.vertex(i - h, west, j);
                }
                out_.vertex(i - h, e3, j - h);
            }
            // South-east: a subdivided quadrant is entered by iteration.
            if (wSE != 0) {
                if (wSW == 0) out_.vertex(i, repaired(south, e3, e4), j - h);
                e1 = east;
                e2 = centre;
                e3 = south;
                i += q;
                j -= q;
                --k;
                continue;
            }
            if (wSW != 0) {
                fanStart();
                out_.vertex(i, south, j - h);
            } else if (isPresent(south)) {
                out_.vertex(i, south, j - h);
            }
            out_.vertex(i + h, e4, j - h);
            // Close the fan where it began.
            if (wNE != 0 || isPresent(east))
                out_.vertex(i + h, east, j);
            else
                out_.vertex(i + h, e1, j + h);
            return;
        }
    }

    // Whether the node of size 2^k centred at (i, j) lies outside the view.
    bool outside(int i, int j, int k) const {
        return outsideView(view_, cull_[k],
                           static_cast<float>(i - half_) * map_.cellX - view_.eyePos.x,
                           static_cast<float>(map_.columns[i][j]) * map_.heightScale - view_.eyePos.y,
                           static_cast<float>(half_ - j) * map_.cellZ - view_.eyePos.z);
    }

    Value morph(int w, int a, int b, const Value& ea, const Value& eb) const {
        return morphElevation(w, Output::sample(map_, a, b), ea, eb);
    }

    Value midpoint(int w, int a, int b, const Value& ea, const Value& eb) const {
        return w == 0 ? Output::absent() : morph(w, a, b, ea, eb);
    }

    // The weight, as seen from this map, of the node of half-size h at (a, b) of the
    // neighbour map on side k; 255 where there is no neighbour.
    int neighbourWeight(int k, int a, int b, int h) const {
        const NodeMap neighbour = map_.neighbourMaps[k];
        const int n = map_.neighbourSizes[k];
        if (!neighbour || n < kMinNeighbourSize) return kFullWeight;
        const int S = map_.size;
        if (n < S) {
            const int d = (S - 1) / (n - 1);
            if (h < d) return 0;   // too coarse to have a node this small
            return neighbour[a / d][b / d];
        }
        const int d = (n - 1) / (S - 1);
        return neighbour[a * d][b * d];
    }

    const MapState<Sample>& map_;
    const ViewState& view_;
    Output& out_;
    const int half_;
    CullLevel cull_[kMaxLevels];   // the view test of each node size, boxes not enlarged
};

}  // namespace kalde
