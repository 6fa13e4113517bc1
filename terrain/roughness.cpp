// Roughness of every quadtree node: how far the terrain (or the fog layer) inside a
// node departs from the flat patch the node draws when not subdivided, relative to
// its size. Stored as 16 bits in two edge-midpoint cells of the node map and carried
// up to the larger nodes around it, so that subdivided neighbours stay within one
// level of each other.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "terrain/roughness.h"

#include "terrain/fatal.h"
#include "terrain/four_lanes.h"
#include "terrain/node_map.h"

namespace kalde {

namespace {

constexpr unsigned kMaxRoughnessBits = 65535;

void storeRoughness(NodeMap nodeMap, int i, int j, int h, unsigned q) {
    nodeMap[i][j - h] = static_cast<unsigned char>(q / 256);
    nodeMap[i - h][j] = static_cast<unsigned char>(q % 256);
}

// raiseRoughness, inlined where the sweep raises every node.
template <class Sample>
inline void raise(NodeMap nodeMap, float v, int i, int j, int h) {
    if (v > 1.0f) failEngineCheck(fatalLines<Sample>().roughnessAboveOne);
    // The products q * k are compared in double: in single precision 13107 * k rounds
    // to exactly 0.2f, and a value of 0.2 would be stored as reading below itself.
    const auto reads = [](unsigned q) { return static_cast<double>(q) * kRoughnessUnit; };
    if (!(reads(roughnessBits(nodeMap, i, j, h)) < v)) return;   // also for NaN
    // Rounded down in double too (v is above 0 here, so truncation does it): in single
    // precision a product just below a whole number can round up to it, and the search
    // below only ever climbs.
    unsigned q = static_cast<unsigned>(static_cast<double>(v) * kMaxRoughnessBits);
    while (reads(q) < v && q < kMaxRoughnessBits) ++q;
    storeRoughness(nodeMap, i, j, h, q);
}

}  // namespace

template <class Sample>
void raiseRoughness(NodeMap nodeMap, float v, int i, int j, int h) {
    raise<Sample>(nodeMap, v, i, j, h);
}

template <class Sample>
void propagateRoughness(const MapState<Sample>& map, const RefinementParams& params, int i, int j,
                        int s, int x, int z) {
    const int S = map.size;
    if (x < 0 || x > S - 1 || z < 0 || z > S - 1) return;
    // The subdivision radius of a node of size 2s with roughness factor 1.
    const float reach =
        static_cast<float>(2 * s) * params.minRefineFactor * map.cellAvg;
    const int half = S / 2;
    const float dx = static_cast<float>(i - half) * map.cellX -
                     static_cast<float>(x - half) * map.cellX;
    const float dz = static_cast<float>(half - j) * map.cellZ -
                     static_cast<float>(half - z) * map.cellZ;
    const float dist = std::sqrt(dx * dx + dz * dz);
    if (!(reach - dist > 0.0f)) failEngineCheck(fatalLines<Sample>().propagationTooFar);
    const float r = static_cast<float>(roughnessBits(map.nodeMap, i, j, s / 2)) * kRoughnessUnit;
    raiseRoughness<Sample>(map.nodeMap, 0.5f * r * reach / (reach - dist), x, z, s);
}

namespace {

// Nodes are evaluated four at a time, in four lanes: neighbours along one column of
// nodes of one size. Every lane does the scalar arithmetic, operation for operation,
// so each node gets bit for bit the value it would get on its own.

// The rows of the four lanes' nodes, as numbers to address with and as a vector.
struct LaneRows {
    int at[kLanes];
    Ints4 all() const { return Ints4{at[0], at[1], at[2], at[3]}; }
};

// The heights a sweep measures: element (a, b) of a layer (the samples or the fog
// map) times the layer's scale.
template <class Element>
struct Layer {
    const Element* const* columns;
    float scale;

    // Column a at the four lanes' rows moved by dz.
    Floats4 heights(int a, const LaneRows& rows, int dz) const {
        const Element* column = columns[a] + dz;
        const int* at = rows.at;
        if constexpr (std::is_integral_v<Element>) {
            return toFloats(Ints4{column[at[0]], column[at[1]], column[at[2]], column[at[3]]}) * scale;
        } else {
            return Floats4{column[at[0]], column[at[1]], column[at[2]], column[at[3]]} * scale;
        }
    }
};

// Deviation of the edges p-q from straight lines through their midpoints m, forgiving
// slopeWeight times their rise.
inline Floats4 edgeDeviation(Floats4 p, Floats4 q, Floats4 m, float slopeWeight) {
    const Floats4 e = magnitude(p + q - 2.0f * m) - slopeWeight * magnitude(p - q);
    return select(e > splat(0.0f), e, splat(0.0f));   // NaN heights count as straight
}

// How far the nodes centred at (i, rows) with half-size h depart from the flat patches
// they draw: the largest deviation of each one's four edges and of the diagonal it is
// split along.
template <class Element>
Floats4 nodeDeviation(const Layer<Element>& y, int i, const LaneRows& rows, int h,
                      Ints4 evenDiagonal, float slopeWeight) {
    const Floats4 sw = y.heights(i - h, rows, -h), se = y.heights(i + h, rows, -h);
    const Floats4 nw = y.heights(i - h, rows, h), ne = y.heights(i + h, rows, h);
    const Floats4 centre = y.heights(i, rows, 0);
    Floats4 d = edgeDeviation(sw, se, y.heights(i, rows, -h), slopeWeight);
    d = larger(d, edgeDeviation(nw, ne, y.heights(i, rows, h), slopeWeight));
    d = larger(d, edgeDeviation(sw, nw, y.heights(i - h, rows, 0), slopeWeight));
    d = larger(d, edgeDeviation(se, ne, y.heights(i + h, rows, 0), slopeWeight));
    // The diagonal alternates in a checkerboard, as the fans split the node.
    return larger(d, select(evenDiagonal, edgeDeviation(sw, ne, centre, slopeWeight),
                            edgeDeviation(nw, se, centre, slopeWeight)));
}

// Propagation runs its checks in the order of a sweep that raises each node and then
// hands its share to its three targets. This replays that order for the nodes of size
// s, once their values are final, so that a failed check is reported where such a
// sweep would have met it first.
template <class Sample>
[[gnu::cold]] void replayPropagation(const MapState<Sample>& map, const RefinementParams& params,
                                     int s) {
    const int S = map.size;
    const int h = s / 2;
    for (int i = h; i < S; i += s)
        for (int j = h; j < S; j += s) {
            const auto propagate = [&](int x, int z) {
                propagateRoughness<Sample>(map, params, i, j, s, x, z);
            };
            // The parent first, then the parent's neighbours across the two sides of the
            // parent that this node touches.
            switch ((i / s) % 2 + 2 * ((j / s) % 2)) {
                case 0:
                    propagate(i + h, j + h);
                    propagate(i - h - s, j + h);
                    propagate(i + h, j - h - s);
                    break;
                case 1:
                    propagate(i - h, j + h);
                    propagate(i - h, j - h - s);
                    propagate(i + h + s, j + h);
                    break;
                case 2:
                    propagate(i + h, j - h);
                    propagate(i + h, j + h + s);
                    propagate(i - h - s, j - h);
                    break;
                default:
                    propagate(i - h, j - h);
                    propagate(i + h + s, j - h);
                    propagate(i - h, j + h + s);
                    break;
            }
        }
}

// The shares that the nodes of size s hand up to the nodes of size 2s: each hands one
// to its parent and one to each of the parent's neighbours across the two sides of the
// parent that it touches. A stored value raised several times keeps the largest of
// them, in any order, so each node of size 2s gathers its shares and is raised once.
template <class Sample>
class Shares {
public:
    Shares(const MapState<Sample>& map, const RefinementParams& params, int s)
        : map_(map), params_(params), s_(s),
          reach_(static_cast<float>(2 * s) * params.minRefineFactor * map.cellAvg) {}

    // The largest share handed to each node (x, rows) of size 2s, 0 where none is
    // larger: from its four children and, beyond each side, from the two children of
    // the neighbour there that touch that side.
    Floats4 largestTo(int x, const LaneRows& rows) const {
        const int S = map_.size;
        const int h = s_ / 2;
        const int far = h + s_;
        // The rows of the children (dz = -h, h) and of the neighbours' children beyond
        // the node's sides (dz = -far, far), with their distances from the node's row
        // squared; lanes where a row lies off the map read a child's row instead.
        const Ints4 z = rows.all();
        struct Offset {
            LaneRows rows;
            Floats4 dzSquared;
            Ints4 inMap;
        } offsets[4];
        const int dzs[4] = {-far, -h, h, far};
        for (int o = 0; o < 4; ++o) {
            Offset& offset = offsets[o];
            for (int lane = 0; lane < kLanes; ++lane) {
                const int j = rows.at[lane] + dzs[o];
                offset.rows.at[lane] = j >= 0 && j <= S - 1 ? j : rows.at[lane] - h;
            }
            const Ints4 j = z + dzs[o];
            offset.inMap = (j >= 0) & (j <= S - 1);
            const Floats4 dz = positions(offset.rows.all(), map_.cellZ) - positions(z, map_.cellZ);
            offset.dzSquared = dz * dz;
        }
        Floats4 largest = splat(0.0f);
        Ints4 failed = {};
        // From the nodes in column i at the rows of an offset.
        const auto gather = [&](int i, const Offset& from) {
            const float dx = position(i, map_.cellX) - position(x, map_.cellX);
            const Floats4 dist = squareRoot(dx * dx + from.dzSquared);
            const int* j = from.rows.at;
            const Ints4 bits = {static_cast<int>(roughnessBits(map_.nodeMap, i, j[0], h)),
                                static_cast<int>(roughnessBits(map_.nodeMap, i, j[1], h)),
                                static_cast<int>(roughnessBits(map_.nodeMap, i, j[2], h)),
                                static_cast<int>(roughnessBits(map_.nodeMap, i, j[3], h))};
            const Floats4 r = toFloats(bits) * kRoughnessUnit;
            const Floats4 v = 0.5f * r * reach_ / (reach_ - dist);
            failed |= (~(reach_ - dist > splat(0.0f)) | (v > splat(1.0f))) & from.inMap;
            largest = select((v > largest) & from.inMap, v, largest);
        };
        for (const Offset& children : {offsets[1], offsets[2]}) {
            gather(x - h, children);
            gather(x + h, children);
            if (x - far >= 0) gather(x - far, children);
            if (x + far <= S - 1) gather(x + far, children);
        }
        for (const int i : {x - h, x + h}) {
            gather(i, offsets[0]);
            gather(i, offsets[3]);
        }
        if (anyLane(failed)) replayPropagation(map_, params_, s_);
        return largest;
    }

private:
    // Where column a and rows b lie along their axes, relative to the map centre.
    float position(int a, float cell) const { return static_cast<float>(a - map_.size / 2) * cell; }
    Floats4 positions(Ints4 b, float cell) const { return toFloats(map_.size / 2 - b) * cell; }

    const MapState<Sample>& map_;
    const RefinementParams& params_;
    int s_;
    float reach_;   // the subdivision radius of a node of size 2s with roughness factor 1
};

// One bottom-up sweep over all node sizes with heights from the layer y; each node is
// raised to d * weight / s / cellAvg / maxRoughness, or to the largest share handed up
// from the nodes of half its size, whichever is larger.
template <class Sample, class Element>
void roughnessSweep(MapState<Sample>& map, const RefinementParams& params,
                    const Layer<Element>& y, float weight) {
    const int S = map.size;
    for (int s = 2; s < S; s *= 2) {
        const int h = s / 2;
        const int last = (S - 1) / s - 1;   // the last node along a column
        const Shares<Sample> shares(map, params, h);
        for (int i = h; i < S; i += s) {
            for (int k = 0; k <= last; k += kLanes) {
                // Lanes past the end of the column repeat its last node.
                LaneRows rows;
                Ints4 evenDiagonal;   // the checkerboard of diagonals, as the fans split nodes
                for (int lane = 0; lane < kLanes; ++lane) {
                    const int node = std::min(k + lane, last);
                    rows.at[lane] = h + node * s;
                    evenDiagonal[lane] = (i / s + node) % 2 == 0 ? -1 : 0;
                }
                Floats4 v = nodeDeviation(y, i, rows, h, evenDiagonal, params.slopeWeight) *
                            weight / static_cast<float>(s) / map.cellAvg / params.maxRoughness;
                v = select(v >= splat(1.0f), splat(1.0f), v);
                if (s > 2) {
                    const Floats4 share = shares.largestTo(i, rows);
                    v = select(v >= share, v, share);   // also where v is NaN
                }
                for (int lane = 0; lane < kLanes && k + lane <= last; ++lane)
                    raise<Sample>(map.nodeMap, v[lane], i, rows.at[lane], h);
            }
        }
    }
}

}  // namespace

template <class Sample>
void computeRoughness(MapState<Sample>& map, const RefinementParams& params) {
    for (int a = 0; a < map.size - 1; ++a) std::memset(map.nodeMap[a], 0, map.size - 1);
    roughnessSweep(map, params, Layer<Sample>{map.columns, map.heightScale}, 1.0f);
}

template <class Sample>
void computeFogRoughness(MapState<Sample>& map, const RefinementParams& params, float fogWeight) {
    roughnessSweep(map, params, Layer<unsigned char>{map.fogMap, map.fogScale}, fogWeight);
}

#define KALDE_INSTANTIATE(Sample)                                                           \
    template void raiseRoughness<Sample>(NodeMap, float, int, int, int);                    \
    template void propagateRoughness<Sample>(const MapState<Sample>&, const RefinementParams&, \
                                             int, int, int, int, int);                      \
    template void computeRoughness<Sample>(MapState<Sample>&, const RefinementParams&);     \
    template void computeFogRoughness<Sample>(MapState<Sample>&, const RefinementParams&, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
