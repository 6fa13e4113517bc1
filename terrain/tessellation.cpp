// The tessellation phase of a pass: the whole map from the root, with or without fog,
// through the caller's callbacks or between the built-in renderer's hooks.
#include "terrain/fan_emission.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/render_hooks.h"

namespace kalde {

template <class Sample>
void emitLandscape(const ViewState& view, const FanCallbacks& callbacks) {
    const MapState<Sample>& map = state<Sample>().map;
    const int S = map.size;
    const int half = S / 2;
    Sample* const* columns = map.columns;
    // Corners NE, NW, SW, SE.
    const float e1 = static_cast<float>(columns[S - 1][S - 1]);
    const float e2 = static_cast<float>(columns[0][S - 1]);
    const float e3 = static_cast<float>(columns[0][0]);
    const float e4 = static_cast<float>(columns[S - 1][0]);
    const FogMap fog = map.fogMap;
    const auto fogAt = [fog](int i, int j) { return static_cast<float>(fog[i][j]); };
    // Walks the root with the plain or the fog-aware walk.
    const auto walk = [&](auto plain, auto foggy) {
        if (fog)
            foggy(half, half, S - 1, e1, e2, e3, e4, fogAt(S - 1, S - 1), fogAt(0, S - 1),
                  fogAt(0, 0), fogAt(S - 1, 0));
        else
            plain(half, half, S - 1, e1, e2, e3, e4);
    };
    if (callbacks.begin && callbacks.vertex) {
        walk([&](auto... a) { emitFans<Sample>(view, callbacks, a...); },
             [&](auto... a) { emitFogFans<Sample>(view, callbacks, a...); });
        return;
    }
    // The built-in renderer: grid (i, y, j) to world through the transform hooks.
    const RenderHooks& hooks = renderHooks();
    hooks.beginLandscape();
    hooks.bindTexture(map.textureId, map.textureWidth, map.textureHeight, S);
    hooks.pushTransform();
    hooks.translateTransform(map.centerX, map.centerY, map.centerZ);
    hooks.scaleTransform(map.cellX, map.heightScale, -map.cellZ);
    hooks.translateTransform(-static_cast<float>(half), 0.0f, -static_cast<float>(half));
    hooks.beginPrimitives();
    walk([&](auto... a) { renderFans<Sample>(view, a...); },
         [&](auto... a) { renderFogFans<Sample>(view, a...); });
    hooks.endPrimitives();
    hooks.popTransform();
    hooks.bindTexture(0, 0, 0, 0);
    hooks.endLandscape();
}

template void emitLandscape<std::int16_t>(const ViewState&, const FanCallbacks&);
template void emitLandscape<float>(const ViewState&, const FanCallbacks&);

}  // namespace kalde
