// Roughness of every quadtree node: how far the terrain (or the fog layer) inside a
// node departs from the flat patch the node draws when not subdivided, relative to
// its size. Stored as 16 bits in two edge-midpoint cells of the node map and carried
// up to the larger nodes around it, so that subdivided neighbours stay within one
// level of each other.
#include <algorithm>
#include <cmath>

#include "terrain/roughness.h"

#include "terrain/fatal.h"
#include "terrain/node_map.h"

namespace kalde {

namespace {

constexpr unsigned kMaxRoughnessBits = 65535;

void storeRoughness(NodeMap nodeMap, int i, int j, int h, unsigned q) {
    nodeMap[i][j - h] = static_cast<unsigned char>(q / 256);
    nodeMap[i - h][j] = static_cast<unsigned char>(q % 256);
}

// Deviation of the edge p-q from a straight line through its midpoint m, forgiving
// slopeWeight times its rise.
inline float edgeDeviation(float p, float q, float m, float slopeWeight) {
    const float e = std::abs(p + q - 2.0f * m) - slopeWeight * std::abs(p - q);
    return e > 0.0f ? e : 0.0f;   // NaN heights count as straight
}

// One bottom-up sweep over all node sizes with heights from y(a, b); each node is
// raised to d * weight / s / cellAvg / maxRoughness and propagated to the next size.
template <class Sample, class Height>
void roughnessSweep(MapState<Sample>& map, const RefinementParams& params, Height y,
                    float weight) {
    const int S = map.size;
    const float cellAvg = map.cellAvg;
    const float maxRoughness = params.maxRoughness;
    const float slopeWeight = params.slopeWeight;
    for (int s = 2; s < S; s *= 2) {
        const int h = s / 2;
        for (int i = h; i < S; i += s) {
            for (int j = h; j < S; j += s) {
                const float sw = y(i - h, j - h), se = y(i + h, j - h);
                const float nw = y(i - h, j + h), ne = y(i + h, j + h);
                float d = edgeDeviation(sw, se, y(i, j - h), slopeWeight);
                d = std::max(d, edgeDeviation(nw, ne, y(i, j + h), slopeWeight));
                d = std::max(d, edgeDeviation(sw, nw, y(i - h, j), slopeWeight));
                d = std::max(d, edgeDeviation(se, ne, y(i + h, j), slopeWeight));
                // The diagonal alternates in a checkerboard, as the fans split the node.
                const bool evenDiagonal = ((i / s) + (j / s)) % 2 == 0;
                d = std::max(d, evenDiagonal ? edgeDeviation(sw, ne, y(i, j), slopeWeight)
                                             : edgeDeviation(nw, se, y(i, j), slopeWeight));

                float v = d * weight / static_cast<float>(s) / cellAvg / maxRoughness;
                if (v >= 1.0f) v = 1.0f;
                raiseRoughness<Sample>(map.nodeMap, v, i, j, h);
                if (s == S - 1) continue;   // the root has no parent
                const auto propagate = [&](int x, int z) {
                    propagateRoughness<Sample>(map, params, i, j, s, x, z);
                };

                // The parent first, then the parent's neighbours across the two sides
                // of the parent that this node touches.
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
    }
}

}  // namespace

template <class Sample>
void raiseRoughness(NodeMap nodeMap, float v, int i, int j, int h) {
    if (v > 1.0f) failEngineCheck(fatalLines<Sample>().roughnessAboveOne);
    // The products q * k are compared in double: in single precision 13107 * k rounds
    // to exactly 0.2f, and a value of 0.2 would be stored as reading below itself.
    const auto reads = [](unsigned q) { return static_cast<double>(q) * kRoughnessUnit; };
    if (!(reads(roughnessBits(nodeMap, i, j, h)) < v)) return;   // also for NaN
    // Floored in double too: in single precision a product just below a whole number
    // can round up to it, and the search below only ever climbs.
    unsigned q = static_cast<unsigned>(std::floor(static_cast<double>(v) * kMaxRoughnessBits));
    while (reads(q) < v && q < kMaxRoughnessBits) ++q;
    storeRoughness(nodeMap, i, j, h, q);
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

template <class Sample>
void computeRoughness(MapState<Sample>& map, const RefinementParams& params) {
    for (int a = 0; a < map.size - 1; ++a)
        for (int b = 0; b < map.size - 1; ++b) map.nodeMap[a][b] = 0;
    Sample* const* columns = map.columns;
    const float heightScale = map.heightScale;
    roughnessSweep(
        map, params,
        [columns, heightScale](int a, int b) {
            return static_cast<float>(columns[a][b]) * heightScale;
        },
        1.0f);
}

template <class Sample>
void computeFogRoughness(MapState<Sample>& map, const RefinementParams& params, float fogWeight) {
    FogMap fog = map.fogMap;
    const float fogScale = map.fogScale;
    roughnessSweep(
        map, params,
        [fog, fogScale](int a, int b) { return static_cast<float>(fog[a][b]) * fogScale; },
        fogWeight);
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
