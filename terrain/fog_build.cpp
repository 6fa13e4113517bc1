// Fog map construction: a layer of ground fog whose thickness varies over the map.
// Attaching it raises the height bounds by the highest possible fog roof and the
// node roughness wherever the fog's thickness varies, so refinement follows the fog.
#include <cmath>
#include <type_traits>

#include "terrain/fatal.h"
#include "terrain/grid_resample.h"
#include "terrain/heap.h"
#include "terrain/kalde.h"
#include "terrain/map_state.h"
#include "terrain/roughness.h"

namespace kalde {

namespace {

// The 16-bit height bounds must stay below this after growing by the fog roof.
constexpr double kMaxFogBound = 32767.0;

}  // namespace

template <class Sample>
FogMap buildFogMap(const unsigned char* fogImage, int n, float fogScale, float fogOffset,
                   float prismDrawParam, float fogWeight, float fogExtra1, float fogExtra2,
                   float fogExtra3) {
    auto& st = state<Sample>();
    auto& map = st.map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.fogNoMap);
    if (!fogImage) return nullptr;
    if (n < 2) failEngineCheck(lines.fogImageSize);
    if (!(fogScale > 0.0f) || !(fogOffset >= 0.0f) || !(prismDrawParam >= 0.0f))
        failEngineCheck(lines.fogParameters);
    if (!(fogWeight >= 0.0f)) failEngineCheck(lines.fogWeight);
    if (map.fogMap) failEngineCheck(lines.fogAlreadyBuilt);

    const int S = map.size;
    auto** fog = static_cast<FogMap>(allocateBlock(S, sizeof(unsigned char*)));
    if (!fog) failEngineCheck(lines.fogArrayAlloc);
    map.fogMap = fog;
    for (int i = 0; i < S; ++i) {
        fog[i] = static_cast<unsigned char*>(allocateBlock(S, 1));
        if (!fog[i]) failEngineCheck(lines.fogColumnAlloc);
    }
    resampleGrid(fogImage, n, fog, S);

    map.fogScale = fogScale;
    map.fogOffset = fogOffset;
    map.prismDrawParam = prismDrawParam;
    map.fogExtra1 = fogExtra1;
    map.fogExtra2 = fogExtra2;
    map.fogExtra3 = fogExtra3;

    if (map.heightScale == 0.0f) failEngineCheck(lines.fogHeightScaleZero);
    // Culling boxes must hold the fog roof too: grow every bound by its highest height.
    const float top = kMaxFogValue * fogScale + fogOffset;
    for (int s = S - 1; s > 1; s /= 2) {
        if constexpr (std::is_integral_v<Sample>) {
            // In double: 255 / 0.2f lies just under 1275, and rounding the quotient to
            // single precision would make it 1275 and the bound one unit larger.
            const double w = map.maxDiff[s] + static_cast<double>(top) / map.heightScale;
            if (!(w < kMaxFogBound)) failEngineCheck(lines.fogBoundOverflow);
            map.maxDiff[s] = static_cast<Sample>(std::floor(w) + 1.0);
        } else {
            map.maxDiff[s] += top / map.heightScale;
        }
    }
    computeFogRoughness(map, st.params, fogWeight);
    return fog;
}

#define KALDE_INSTANTIATE(Sample)                                                          \
    template FogMap buildFogMap<Sample>(const unsigned char*, int, float, float, float,    \
                                        float, float, float, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
