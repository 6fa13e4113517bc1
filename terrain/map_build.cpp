// Map construction: the enlarged sample grid, the per-size height bounds and the
// node map, plus the two settings that belong to a map (refinement parameters and
// the built-in renderer's texture).
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "terrain/fatal.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/grid_resample.h"
#include "terrain/heap.h"
#include "terrain/kalde.h"
#include "terrain/map_arrays.h"
#include "terrain/map_build.h"
#include "terrain/render_hooks.h"
#include "terrain/roughness.h"

namespace kalde {

namespace {

constexpr int kMinGridSize = 3;
// Largest S whose S x S samples can still be indexed by int; a larger grid is
// reported like any other map that does not fit into memory.
constexpr long long kMaxGridSize = 32769;
// Node sizes are 2^level, up to the root of the largest grid.
constexpr int kMaxLevel = 15;
static_assert((1LL << kMaxLevel) + 1 == kMaxGridSize);

constexpr int kMinTextureEdge = 2;

// Allocates count columns of length elements into *columns, which holds the
// zero-filled array of column pointers as soon as there is one.
template <class Sample>
void allocateColumns(Sample*** columns, int count, int length, int arrayLine, int columnLine) {
    *columns = static_cast<Sample**>(allocateBlock(count, sizeof(Sample*)));
    if (!*columns) failEngineCheck(arrayLine);
    for (int k = 0; k < count; ++k) {
        (*columns)[k] = static_cast<Sample*>(allocateBlock(length, sizeof(Sample)));
        if (!(*columns)[k]) failEngineCheck(columnLine);
    }
}

// The lowest and highest sample of a node's square; NaN samples are passed over, as no
// difference from them counts.
template <class Sample>
struct SampleSpan {
    using Limits = std::numeric_limits<Sample>;
    Sample low = Limits::has_infinity ? Limits::infinity() : Limits::max();
    Sample high = Limits::has_infinity ? -Limits::infinity() : Limits::lowest();

    void include(Sample x) {
        if (x < low) low = x;
        if (x > high) high = x;
    }
    void include(const SampleSpan& other) {
        if (other.low < low) low = other.low;
        if (other.high > high) high = other.high;
    }
};

// The largest difference between a node's centre and any sample of its square, per
// node size, from one walk down the quadtree: a node's square is the union of its
// children's, so its lowest and highest samples come from theirs. The largest
// difference from the centre is the centre's distance to one of them, as rounding
// keeps the order of differences (also with infinite samples, whose NaN differences
// count as they did, not at all).
template <class Sample>
class HeightBounds {
public:
    using Difference = std::conditional_t<std::is_integral_v<Sample>, int, float>;

    explicit HeightBounds(Sample* const* columns) : columns_(columns) {}

    // Visits the node centred at (i, j) of size 2^level and every node below it;
    // returns the span of its square.
    SampleSpan<Sample> visit(int i, int j, int level) {
        SampleSpan<Sample> span;
        if (level == 1) {
            for (int a = i - 1; a <= i + 1; ++a)
                for (int b = j - 1; b <= j + 1; ++b) span.include(columns_[a][b]);
        } else {
            const int q = 1 << (level - 2);   // the children's half-size
            for (const int a : {i - q, i + q})
                for (const int b : {j - q, j + q}) span.include(visit(a, b, level - 1));
        }
        const Difference centre = columns_[i][j];
        const Difference above = static_cast<Difference>(span.high) - centre;
        const Difference below = centre - static_cast<Difference>(span.low);
        Difference& largest = this->largest[level];
        if (above > largest) largest = above;
        if (below > largest) largest = below;
        return span;
    }

    Difference largest[kMaxLevel + 1] = {};   // by level: nodes of size 2^level

private:
    Sample* const* columns_;
};

// A map under construction. Where a failed check leaves by an exception (see
// checkHandler) before the map is finished, its arrays are freed on the way out.
template <class Sample>
struct MapUnderConstruction {
    MapState<Sample> map;
    bool finished = false;
    MapUnderConstruction() = default;
    MapUnderConstruction(const MapUnderConstruction&) = delete;
    MapUnderConstruction& operator=(const MapUnderConstruction&) = delete;
    ~MapUnderConstruction() {
        if (!finished) freeMapArrays(map);
    }
};

}  // namespace

long long enlargedSize(int n) {
    long long s = kMinGridSize;
    while (s < n) s = 2 * s - 1;
    return s;
}

template <class Sample>
void computeMaxDiff(MapState<Sample>& map) {
    const int S = map.size;
    HeightBounds<Sample> bounds(map.columns);
    int rootLevel = 1;   // S - 1 = 2^rootLevel
    while ((1 << rootLevel) < S - 1) ++rootLevel;
    bounds.visit(S / 2, S / 2, rootLevel);
    Sample* maxDiff = map.maxDiff;
    for (int k = 0; k < S; ++k) maxDiff[k] = 0;
    for (int level = rootLevel; level >= 1; --level) {
        // The bound is kept as a sample; a difference that a sample cannot hold would
        // read negative.
        if (std::is_integral_v<Sample> && bounds.largest[level] > 32767)
            failEngineCheck(fatalLines<Sample>().maxDiffOverflow);
        maxDiff[1 << level] = static_cast<Sample>(bounds.largest[level]);
    }
}

namespace {

// The arrays of a map from an n x n grid or, without one, from the elevation callback;
// touches no module state.
template <class Sample>
MapState<Sample> buildArrays(const Sample* grid, int n, float cellSize, float heightScale,
                             float cellAspect, ElevationFn<Sample> elevation,
                             const RefinementParams& params) {
    const FatalLines& lines = fatalLines<Sample>();
    if (!(n >= 2) || !(cellSize > 0.0f) || !(heightScale >= 0.0f))
        failEngineCheck(lines.buildMapArguments);
    const long long enlarged = enlargedSize(n);
    if (enlarged > kMaxGridSize) failEngineCheck(lines.columnArrayAlloc);
    const int S = static_cast<int>(enlarged);

    MapUnderConstruction<Sample> construction;
    MapState<Sample>& built = construction.map;
    built.size = S;
    built.cellX = static_cast<float>(n - 1) * cellSize / static_cast<float>(S - 1);
    built.cellZ = built.cellX * cellAspect;
    built.cellAvg = (built.cellX + built.cellZ) * 0.5f;
    built.heightScale = heightScale;
    // One extra column holds the height bounds, indexed by node size.
    allocateColumns(&built.columns, S + 1, S, lines.columnArrayAlloc, lines.columnAlloc);
    built.maxDiff = built.columns[S];
    if (grid) {
        resampleGrid(grid, n, built.columns, S);
    } else if (elevation) {
        for (int i = 0; i < S; ++i)
            for (int j = 0; j < S; ++j) built.columns[i][j] = elevation(i, j, S);
    } else {
        failEngineCheck(lines.noElevationSource);
    }
    allocateColumns(&built.nodeMap, S - 1, S - 1, lines.nodeMapArrayAlloc,
                    lines.nodeMapColumnAlloc);
    computeMaxDiff(built);
    computeRoughness(built, params);
    construction.finished = true;
    return built;
}

}  // namespace

template <class Sample>
MapArrays<Sample> buildMapArrays(const Sample* grid, int n, float cellSize, float heightScale,
                                 float cellAspect, const RefinementParams& params) {
    const MapState<Sample> built =
        buildArrays<Sample>(grid, n, cellSize, heightScale, cellAspect, nullptr, params);
    return {built.columns, built.nodeMap, built.size, built.cellX};
}

template <class Sample>
void releaseMapArrays(MapArrays<Sample>& arrays) {
    if (arrays.size == 0) return;
    MapState<Sample> map;
    map.columns = arrays.columns;
    map.nodeMap = arrays.nodeMap;
    map.size = arrays.size;
    freeMapArrays(map);
    arrays = MapArrays<Sample>{};
}

template <class Sample>
Sample** buildMap(const Sample* grid, NodeMap* nodeMapOut, int* size, float* cellSize,
                  float heightScale, float cellAspect, ElevationFn<Sample> elevation) {
    auto& st = state<Sample>();
    if (!size || !cellSize) failEngineCheck(fatalLines<Sample>().buildMapArguments);
    // The parameters are settled only once the map is built: a check that fails by an
    // exception leaves the engine as it was.
    const RefinementParams params = st.params.paramsSetCount > 0 ? st.params : RefinementParams{};
    const MapState<Sample> built =
        buildArrays(grid, *size, *cellSize, heightScale, cellAspect, elevation, params);
    st.params = params;
    const int S = built.size;

    // The new map has no texture, no neighbours, no fog and no centre offset; what else
    // the previous map left (texture size, fog settings) stays, as bindMapState would
    // overwrite it.
    MapState<Sample>& map = st.map;
    map.columns = built.columns;
    map.maxDiff = built.maxDiff;
    map.nodeMap = built.nodeMap;
    map.size = S;
    map.cellX = built.cellX;
    map.cellZ = built.cellZ;
    map.cellAvg = built.cellAvg;
    map.heightScale = heightScale;
    map.textureId = 0;
    for (NodeMap& neighbour : map.neighbourMaps) neighbour = nullptr;
    map.fogMap = nullptr;
    map.centerX = map.centerY = map.centerZ = 0.0f;
    // A new map starts without prisms. The list is the engine's, not the previous
    // map's, so it is freed here rather than dropped.
    releasePrismList<Sample>();

    if (nodeMapOut) *nodeMapOut = map.nodeMap;
    *size = S;
    *cellSize = map.cellX;
    return map.columns;
}

template <class Sample>
void setRefinementParams(float minRefineFactor, float maxRoughness, float slopeWeight,
                         int cullDepth) {
    auto& st = state<Sample>();
    if (!(minRefineFactor >= 1.0f) || !(maxRoughness > 0.0f) || !(slopeWeight >= 0.0f) ||
        cullDepth < 0)
        failEngineCheck(fatalLines<Sample>().refinementParamsRange);
    if (st.map.size == 0) {
        ++st.params.paramsSetCount;
    } else if (st.params.paramsSetCount > 0) {
        return;   // values chosen before the first map outrank later ones
    }
    st.params.minRefineFactor = minRefineFactor;
    st.params.maxRoughness = maxRoughness;
    st.params.slopeWeight = slopeWeight;
    st.params.cullDepth = cullDepth;
}

template <class Sample>
void setTexture(void* image, int* width, int* height) {
    auto& map = state<Sample>().map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.setTextureNoMap);
    if (map.textureId != 0) renderHooks().deleteTexture(map.textureId);
    if (!image) {
        map.textureId = 0;
        return;
    }
    if (!width || !height || *width < kMinTextureEdge || *height < kMinTextureEdge)
        failEngineCheck(lines.setTextureSize);
    map.textureId = renderHooks().createTexture(image, width, height);
    map.textureWidth = *width;
    map.textureHeight = *height;
}

#define KALDE_INSTANTIATE(Sample)                                                             \
    template void computeMaxDiff<Sample>(MapState<Sample>&);                                  \
    template Sample** buildMap<Sample>(const Sample*, NodeMap*, int*, float*, float, float,   \
                                       ElevationFn<Sample>);                                  \
    template MapArrays<Sample> buildMapArrays<Sample>(const Sample*, int, float, float, float, \
                                                      const RefinementParams&);                \
    template void releaseMapArrays<Sample>(MapArrays<Sample>&);                               \
    template void setRefinementParams<Sample>(float, float, float, int);                      \
    template void setTexture<Sample>(void*, int*, int*);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
