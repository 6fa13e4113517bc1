// Map construction: the enlarged sample grid, the per-size height bounds and the
// node map, plus the two settings that belong to a map (refinement parameters and
// the built-in renderer's texture).
#include <cstdlib>
#include <type_traits>

#include "terrain/fatal.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/grid_resample.h"
#include "terrain/heap.h"
#include "terrain/kalde.h"
#include "terrain/map_build.h"
#include "terrain/render_hooks.h"
#include "terrain/roughness.h"

namespace kalde {

namespace {

constexpr int kMinGridSize = 3;
// Largest S whose S x S samples can still be indexed by int; a larger grid is
// reported like any other map that does not fit into memory.
constexpr long long kMaxGridSize = 32769;

constexpr int kMinTextureEdge = 2;

template <class Sample>
Sample** allocateColumns(int count, int length, int arrayLine, int columnLine) {
    auto** columns = static_cast<Sample**>(allocateBlock(count, sizeof(Sample*)));
    if (!columns) failEngineCheck(arrayLine);
    for (int k = 0; k < count; ++k) {
        columns[k] = static_cast<Sample*>(allocateBlock(length, sizeof(Sample)));
        if (!columns[k]) failEngineCheck(columnLine);
    }
    return columns;
}

}  // namespace

long long enlargedSize(int n) {
    long long s = kMinGridSize;
    while (s < n) s = 2 * s - 1;
    return s;
}

template <class Sample>
void computeMaxDiff(MapState<Sample>& map) {
    const int S = map.size;
    Sample* maxDiff = map.maxDiff;
    for (int k = 0; k < S; ++k) maxDiff[k] = 0;
    for (int s = S - 1; s > 1; s /= 2) {
        const int h = s / 2;
        if constexpr (std::is_integral_v<Sample>) {
            int largest = 0;
            for (int i = h; i < S; i += s)
                for (int j = h; j < S; j += s) {
                    const int centre = map.columns[i][j];
                    for (int a = i - h; a <= i + h; ++a) {
                        const Sample* column = map.columns[a];
                        for (int b = j - h; b <= j + h; ++b) {
                            const int d = std::abs(column[b] - centre);
                            if (d > largest) largest = d;
                        }
                    }
                }
            // The bound is kept as a sample; a difference that a sample cannot hold
            // would read negative.
            if (largest > 32767) failEngineCheck(fatalLines<Sample>().maxDiffOverflow);
            maxDiff[s] = static_cast<Sample>(largest);
        } else {
            float largest = 0.0f;
            for (int i = h; i < S; i += s)
                for (int j = h; j < S; j += s) {
                    const float centre = map.columns[i][j];
                    for (int a = i - h; a <= i + h; ++a) {
                        const float* column = map.columns[a];
                        for (int b = j - h; b <= j + h; ++b) {
                            const float d = std::abs(column[b] - centre);
                            if (d > largest) largest = d;
                        }
                    }
                }
            maxDiff[s] = largest;
        }
    }
}

template <class Sample>
Sample** buildMap(const Sample* grid, NodeMap* nodeMapOut, int* size, float* cellSize,
                  float heightScale, float cellAspect, ElevationFn<Sample> elevation) {
    auto& st = state<Sample>();
    const FatalLines& lines = fatalLines<Sample>();

    if (!size || !cellSize || !(*size >= 2) || !(*cellSize > 0.0f) || !(heightScale >= 0.0f))
        failEngineCheck(lines.buildMapArguments);
    const int n = *size;
    const long long enlarged = enlargedSize(n);
    if (enlarged > kMaxGridSize) failEngineCheck(lines.columnArrayAlloc);
    const int S = static_cast<int>(enlarged);
    if (st.params.paramsSetCount <= 0) st.params = RefinementParams{};

    // The map's arrays are computed on a map of their own, which becomes current at the end.
    MapState<Sample> built;
    built.size = S;
    built.cellX = static_cast<float>(n - 1) * *cellSize / static_cast<float>(S - 1);
    built.cellZ = built.cellX * cellAspect;
    built.cellAvg = (built.cellX + built.cellZ) * 0.5f;
    built.heightScale = heightScale;
    // One extra column holds the height bounds, indexed by node size.
    built.columns = allocateColumns<Sample>(S + 1, S, lines.columnArrayAlloc, lines.columnAlloc);
    built.maxDiff = built.columns[S];
    if (grid) {
        resampleGrid(grid, n, built.columns, S);
    } else if (elevation) {
        for (int i = 0; i < S; ++i)
            for (int j = 0; j < S; ++j) built.columns[i][j] = elevation(i, j, S);
    } else {
        failEngineCheck(lines.noElevationSource);
    }
    built.nodeMap = allocateColumns<unsigned char>(S - 1, S - 1, lines.nodeMapArrayAlloc,
                                                   lines.nodeMapColumnAlloc);
    computeMaxDiff(built);
    computeRoughness(built, st.params);

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
    template void setRefinementParams<Sample>(float, float, float, int);                      \
    template void setTexture<Sample>(void*, int*, int*);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
