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

// The four edge midpoints E, N, W, S of a node with corners e1..e4 (NE, NW, SW, SE) at
// once: absent where the midpoint's weight is 0, otherwise morphElevation of its sample
// y towards the ends of its edge (E: e1, e4; N: e1, e2; W: e2, e3; S: e3, e4).
inline void morphMidpoints(Ints4 w, const float (&y)[4], float e1, float e2, float e3, float e4,
                           float (&out)[4]) {
    const Floats4 sums = Floats4{e1, e1, e2, e3} + Floats4{e4, e2, e3, e4};
    const Floats4 samples{y[0], y[1], y[2], y[3]};
    const Floats4 blended =
        (sums * toFloats(kFullWeight - w) + toFloats(2 * w) * samples) * kInverse510;
    const Floats4 m = select(w == 0, splat(kAbsent), select(w == kFullWeight, samples, blended));
    for (int n = 0; n < 4; ++n) out[n] = m[n];
}

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
inline void morphMidpoints(Ints4 w, const FogValue (&v)[4], const FogValue& e1, const FogValue& e2,
                           const FogValue& e3, const FogValue& e4, FogValue (&out)[4]) {
    float y[4], fog[4];
    for (int n = 0; n < 4; ++n) y[n] = v[n].y, fog[n] = v[n].fog;
    morphMidpoints(w, y, e1.y, e2.y, e3.y, e4.y, y);
    morphMidpoints(w, fog, e1.fog, e2.fog, e3.fog, e4.fog, fog);
    for (int n = 0; n < 4; ++n) out[n] = {y[n], fog[n]};
}

// Output concept:
//   using Value = ...;                      // float or FogValue
//   static Value sample(const MapState<Sample>&, int i, int j);
//   void notify(int i, int j, int s);
//   void begin();
//   void vertex(int i, const Value& v, int j);
template <class Sample, class Output>
class FanWalker {
public:
    using Value = typename Output::Value;

    FanWalker(const ViewState& view, Output& out)
        : map_(state<Sample>().map), view_(view), out_(out), half_(map_.size / 2) {
        cull_.setUp<Sample>(view, 1.0f);
    }

    // Emits the node centred at (i, j) of size s whose corners carry e1..e4 (NE, NW,
    // SW, SE), and its subdivided quadrants.
    void walk(int i, int j, int s, Value e1, Value e2, Value e3, Value e4) {
        int k = 1;
        while ((1 << k) < s) ++k;
        const int ci[4] = {i, i, i, i}, cj[4] = {j, j, j, j};
        if (cull_.tested(k) && outside(ci, cj, k)[0]) return;
        walkVisible(i, j, k, e1, e2, e3, e4);
    }

private:
    enum Side { kWest = 0, kEast = 1, kSouth = 2, kNorth = 3 };
    // Neighbour maps of other sizes than 3 and up cannot be addressed; they count as absent.
    static constexpr int kMinNeighbourSize = 3;

    // The walk of a node of size 2^k that lies inside the view. A node tests its
    // subdivided quadrants against the view, four at once, before it enters them.
    void walkVisible(int i, int j, int k, Value e1, Value e2, Value e3, Value e4) {
        const int S = map_.size;
        NodeMap nodeMap = map_.nodeMap;
        for (;;) {
            const int s = 1 << k;
            const int h = s / 2;
            const int q = s / 4;
            out_.notify(i, j, s);

            const int w = nodeMap[i][j];
            // The centre blends towards the diagonal the coarser level draws: the one
            // through NE and SW where (i + j) / s is odd.
            const bool oddDiagonal = ((i + j) & s) != 0;
            const Value centre = oddDiagonal ? morph(w, i, j, e1, e3) : morph(w, i, j, e2, e4);

            // A midpoint takes the smaller weight of the two nodes sharing its edge.
            const int eastWeight =
                i + h < S - 1 ? nodeMap[i + s][j] : neighbourWeight(kEast, h, j, h);
            const int northWeight =
                j + h < S - 1 ? nodeMap[i][j + s] : neighbourWeight(kNorth, i, h, h);
            const int westWeight =
                i - h > 0 ? nodeMap[i - s][j] : neighbourWeight(kWest, S - 1 - h, j, h);
            const int southWeight =
                j - h > 0 ? nodeMap[i][j - s] : neighbourWeight(kSouth, i, S - 1 - h, h);
            const Ints4 edgeWeights{std::min(w, eastWeight), std::min(w, northWeight),
                                    std::min(w, westWeight), std::min(w, southWeight)};
            const Value samples[4] = {sample(i + h, j), sample(i, j + h), sample(i - h, j),
                                      sample(i, j - h)};
            Value midpoints[4];
            morphMidpoints(edgeWeights, samples, e1, e2, e3, e4, midpoints);
            Value east = midpoints[0], north = midpoints[1], west = midpoints[2];
            Value south = midpoints[3];

            int wNE = 0, wNW = 0, wSW = 0, wSE = 0;
            Ints4 culled{};   // quadrants NE, NW, SW, SE outside the view
            if (q >= 1) {
                wNE = nodeMap[i + q][j + q];
                wNW = nodeMap[i - q][j + q];
                wSW = nodeMap[i - q][j - q];
                wSE = nodeMap[i + q][j - q];
                if ((wNE | wNW | wSW | wSE) != 0 && cull_.tested(k - 1)) {
                    const int ci[4] = {i + q, i - q, i - q, i + q};
                    const int cj[4] = {j + q, j + q, j - q, j - q};
                    culled = outside(ci, cj, k - 1);
                }
            }
            // An absent midpoint that a subdivided quadrant needs takes its edge's mean,
            // for the rest of this node.
            auto repaired = [](Value& m, const Value& a, const Value& b) -> const Value& {
                if (!isPresent(m)) m = meanOf(a, b);
                return m;
            };
            // A quadrant outside the view emits nothing, but repairs what it would need.
            auto fanStart = [&] {
                out_.begin();
                out_.vertex(i, centre, j);
            };

            // North-east.
            if (wNE != 0) {
                repaired(north, e1, e2);
                repaired(east, e1, e4);
                if (!culled[0]) walkVisible(i + q, j + q, k - 1, e1, north, centre, east);
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
                repaired(west, e2, e3);
                if (!culled[1]) walkVisible(i - q, j + q, k - 1, north, e2, west, centre);
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
                repaired(south, e3, e4);
                if (!culled[2]) walkVisible(i - q, j - q, k - 1, centre, west, e3, south);
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
                if (culled[3]) return;
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

    // Whether the four nodes of size 2^k centred at (ci, cj) lie outside the view.
    Ints4 outside(const int (&ci)[4], const int (&cj)[4], int k) const {
        Floats4 x, y, z;
        for (int n = 0; n < 4; ++n) {
            const float height = static_cast<float>(map_.columns[ci[n]][cj[n]]);
            x[n] = static_cast<float>(ci[n] - half_) * map_.cellX - view_.eyePos.x;
            y[n] = height * map_.heightScale - view_.eyePos.y;
            z[n] = static_cast<float>(half_ - cj[n]) * map_.cellZ - view_.eyePos.z;
        }
        return cull_.outside(k, x, y, z);
    }

    Value sample(int a, int b) const { return Output::sample(map_, a, b); }
    Value morph(int w, int a, int b, const Value& ea, const Value& eb) const {
        return morphElevation(w, sample(a, b), ea, eb);
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
    Culling cull_;   // boxes not enlarged
};

}  // namespace kalde
